#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TempDir.h"
#include "TestHelpers.h"
#include "TestUi.h"
#include "common/FileIO.h"
#include "shredder/Shredder.h"

using namespace zerath;
using namespace zerath::test;

namespace {

// Records what the routine reports and, after every pass, the temporary's content.
struct Recorder : WipeProgress {
    std::string watch;
    int max = -1;
    std::vector<int> positions;
    std::vector<std::string> contents;
    void setMax(int m) override { max = m; }
    void setPosition(int p) override
    {
        positions.push_back(p);
        contents.push_back(readFile(watch));
    }
};

struct Rig {
    TempDir dir;
    Recorder progress;
    CountingPump pump;
    int passes = 4;
    TShredder shredder{[this] { return passes; }, progress, pump};
    Rig() { progress.watch = dir.file(TShredder::kTempName); }
    // A second name for the file's data, outside the folder's listing: it shows
    // what the data held when the wiped name was deleted.
    std::string witness(const std::string& name)
    {
        mkdir(dir.file("witness").c_str(), 0700);
        EXPECT_EQ(link(dir.file(name).c_str(), dir.file("witness/" + name).c_str()), 0);
        return dir.file("witness/" + name);
    }
};

struct Wipe {
    std::size_t size;
    int stored; // the pass count asked for
    int used;   // the passes made
    std::size_t wiped; // bytes each pass writes
};

TEST(Shredder, PassesAlternateOverWholeBlocksAndEndInDeletion)
{
    const Wipe wipes[] = {{1, 4, 4, 1024},    {0, 4, 4, 0},    {1024, 4, 4, 1024}, {1025, 4, 4, 2048},
                          {5000, 4, 4, 5120}, {6, 10, 10, 1024}, {3, 0, 4, 1024},   {3, -3, 4, 1024},
                          {3, 2, 4, 1024},    {3, 1000, 10, 1024}, {3, 7, 7, 1024}};
    for (const Wipe& w : wipes) {
        SCOPED_TRACE("size " + std::to_string(w.size) + " passes " + std::to_string(w.stored));
        Rig r;
        r.passes = w.stored;
        const std::string data(w.size, 'q');
        writeFile(r.dir.file("f"), data);
        const std::string seen = r.witness("f");
        r.shredder.ShredFile(r.dir.file("f"));
        EXPECT_EQ(r.progress.max, w.used);
        ASSERT_EQ(r.progress.positions.size(), std::size_t(w.used));
        EXPECT_EQ(r.pump.calls, w.used);
        for (int k = 0; k < w.used; ++k) {
            EXPECT_EQ(r.progress.positions[k], k + 1);
            EXPECT_EQ(r.progress.contents[k], std::string(w.wiped, k % 2 ? '\0' : '\xFF')) << "pass " << k + 1;
        }
        EXPECT_EQ(readFile(seen), w.used ? r.progress.contents.back() : data); // what was deleted
        EXPECT_EQ(r.shredder.WipedFileCount, 1);
        EXPECT_EQ(folderNames(r.dir.path()), std::vector<std::string>{"witness"});
    }
    EXPECT_EQ(TShredder::BlocksFor((4ull << 30) + 1), (4ull << 20) + 1); // beyond 32-bit sizes
}

TEST(Shredder, TheTemporaryName)
{
    // A leftover of an earlier wipe is deleted without overwriting ...
    Rig r;
    writeFile(r.dir.file(TShredder::kTempName), "leftover");
    const std::string leftover = r.witness(TShredder::kTempName);
    writeFile(r.dir.file("f"), "data");
    r.shredder.ShredFile(r.dir.file("f"));
    EXPECT_EQ(readFile(leftover), "leftover");
    // ... but a file of that name to be wiped is wiped in place.
    writeFile(r.dir.file(TShredder::kTempName), "own data");
    const std::string own = r.dir.file("witness/own");
    ASSERT_EQ(link(r.dir.file(TShredder::kTempName).c_str(), own.c_str()), 0);
    r.shredder.ShredFile(r.dir.file(TShredder::kTempName));
    EXPECT_EQ(readFile(own), std::string(1024, '\0'));
    EXPECT_EQ(r.shredder.WipedFileCount, 2);
    EXPECT_EQ(folderNames(r.dir.path()), std::vector<std::string>{"witness"});
}

TEST(Shredder, OnlyRegularFilesAreWiped)
{
    Rig r;
    ASSERT_EQ(mkdir(r.dir.file("sub").c_str(), 0700), 0);
    writeFile(r.dir.file("target"), "keep");
    ASSERT_EQ(symlink(r.dir.file("target").c_str(), r.dir.file("link").c_str()), 0);
    for (const char* name : {"nothing here", "sub", "link"})
        EXPECT_EQ(errorOf([&] { r.shredder.ShredFile(r.dir.file(name)); }), "Cannot find " + r.dir.file(name) + " !");
    // A link already named like the temporary is not followed either.
    ASSERT_EQ(symlink(r.dir.file("target").c_str(), r.dir.file(TShredder::kTempName).c_str()), 0);
    EXPECT_EQ(errorOf([&] { r.shredder.overwriteFile(r.dir.file(TShredder::kTempName)); }), "I/O error 40");
    EXPECT_EQ(readFile(r.dir.file("target")), "keep");
    EXPECT_FALSE(isRegularFile(r.dir.file("link")));
    EXPECT_EQ(r.shredder.WipedFileCount, 0);
}

TEST(Shredder, BareFileNameUsesTheCurrentDirectory)
{
    Rig r;
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(r.dir.path().c_str()), 0);
    writeFile("bare.txt", "x");
    r.progress.watch = TShredder::kTempName;
    r.shredder.ShredFile("bare.txt");
    const auto left = folderNames(r.dir.path());
    ASSERT_EQ(chdir(old), 0);
    EXPECT_EQ(r.progress.contents.back(), std::string(1024, '\0'));
    EXPECT_TRUE(left.empty());
}

TEST(Shredder, NoSecondWipeInsideTheFirst)
{
    TempDir dir;
    struct Reentrant : WipeProgress {
        TShredder* s = nullptr;
        std::string other, error;
        void setMax(int) override {}
        void setPosition(int p) override
        {
            if (p == 1) error = errorOf([&] { s->ShredFile(other); });
        }
    } progress;
    TShredder s([] { return 4; }, progress, nullPump());
    progress.s = &s;
    progress.other = dir.file("b");
    writeFile(dir.file("a"), "a");
    writeFile(dir.file("b"), "b");
    s.ShredFile(dir.file("a"));
    EXPECT_EQ(progress.error, "A file is already being wiped");
    EXPECT_EQ(readFile(dir.file("b")), "b");
}

} // namespace
