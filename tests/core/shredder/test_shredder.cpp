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
    std::string witness(const std::string& name, const std::string& as = "")
    {
        mkdir(dir.file("witness").c_str(), 0700);
        const std::string w = dir.file("witness/" + (as.empty() ? name : as));
        EXPECT_EQ(link(dir.file(name).c_str(), w.c_str()), 0);
        return w;
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

TEST(Shredder, TheTemporaryNameAndABareName)
{
    // A leftover of an earlier wipe is deleted without overwriting ...
    Rig r;
    writeFile(r.dir.file(TShredder::kTempName), "leftover");
    const std::string leftover = r.witness(TShredder::kTempName);
    writeFile(r.dir.file("f"), "data");
    r.shredder.ShredFile(r.dir.file("f"));
    EXPECT_EQ(readFile(leftover), "leftover");
    // ... but a file of that name to be wiped is wiped in place; a bare name is in the current folder.
    writeFile(r.dir.file(TShredder::kTempName), "own data");
    const std::string own = r.witness(TShredder::kTempName, "own");
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(r.dir.path().c_str()), 0);
    r.shredder.ShredFile(TShredder::kTempName);
    ASSERT_EQ(chdir(old), 0);
    EXPECT_EQ(readFile(own), std::string(1024, '\0'));
    EXPECT_EQ(r.shredder.WipedFileCount, 2);
    EXPECT_EQ(folderNames(r.dir.path()), std::vector<std::string>{"witness"});
}

TEST(Shredder, OnlyRegularFilesAreWipedAndOneAtATime)
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
    EXPECT_EQ(r.shredder.WipedFileCount, 0);

    removeFile(r.dir.file(TShredder::kTempName));
    std::string inner;
    r.pump.hook = [&] {
        if (inner.empty()) inner = errorOf([&] { r.shredder.ShredFile(r.dir.file("target")); });
    };
    writeFile(r.dir.file("a"), "a");
    r.shredder.ShredFile(r.dir.file("a"));
    EXPECT_EQ(inner, "A file is already being wiped");
    EXPECT_EQ(readFile(r.dir.file("target")), "keep");
}

} // namespace
