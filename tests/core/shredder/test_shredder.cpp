#include "common/FileIO.h"
#include "shredder/Shredder.h"

#include "TempDir.h"
#include "TestHelpers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace zerath;
using namespace zerath::test;

namespace {

// Records what the routine reports and, after every pass, the temporary file's
// content as it is on disk at that moment.
struct Recorder : WipeProgress {
    std::string watch; // the temporary file to read after each pass
    int max = -1;
    std::vector<int> positions;
    std::vector<std::string> contents;
    void setMax(int m) override { max = m; }
    void setPosition(int p) override
    {
        positions.push_back(p);
        contents.push_back(watch.empty() ? std::string() : readFile(watch));
    }
};

struct CountingPump : MessagePump {
    int calls = 0;
    void processEvents() override { ++calls; }
};

struct Rig {
    TempDir dir;
    Recorder progress;
    CountingPump pump;
    int passes = 4;
    TShredder shredder{[this] { return passes; }, progress, pump};
    Rig() { progress.watch = dir.file(TShredder::kTempName); }

    std::vector<std::string> folder() const { return folderNames(dir.path()); }
    // A second name for the file's data, outside the wiped folder's view: it
    // shows what the data held when the wiped name was deleted.
    std::string witness(const std::string& name)
    {
        const std::string w = dir.file("witness/");
        mkdir(w.c_str(), 0700);
        EXPECT_EQ(link(dir.file(name).c_str(), (w + name).c_str()), 0);
        return w + name;
    }
};

std::string pattern(std::size_t n, unsigned char b)
{
    return std::string(n, static_cast<char>(b));
}

} // namespace

TEST(Shredder, OneByteFileWithFourPasses)
{
    Rig r;
    writeFile(r.dir.file("a.txt"), "x");
    const std::string w = r.witness("a.txt");
    r.shredder.ShredFile(r.dir.file("a.txt"));
    EXPECT_EQ(r.progress.max, 4);
    EXPECT_EQ(r.progress.positions, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(r.pump.calls, 4);
    ASSERT_EQ(r.progress.contents.size(), 4u);
    EXPECT_EQ(r.progress.contents[0], pattern(1024, 0xFF));
    EXPECT_EQ(r.progress.contents[1], pattern(1024, 0x00));
    EXPECT_EQ(r.progress.contents[2], pattern(1024, 0xFF));
    EXPECT_EQ(r.progress.contents[3], pattern(1024, 0x00));
    EXPECT_EQ(readFile(w), pattern(1024, 0x00)); // what was deleted
    EXPECT_EQ(r.shredder.WipedFileCount, 1);
    EXPECT_EQ(r.folder(), std::vector<std::string>{"witness"});
}

TEST(Shredder, EmptyFileIsMovedAndDeleted)
{
    Rig r;
    writeFile(r.dir.file("empty"), "");
    const std::string w = r.witness("empty");
    r.shredder.ShredFile(r.dir.file("empty"));
    EXPECT_EQ(r.progress.contents, std::vector<std::string>(4, ""));
    EXPECT_EQ(readFile(w), "");
    EXPECT_EQ(r.shredder.WipedFileCount, 1);
    EXPECT_EQ(r.folder(), std::vector<std::string>{"witness"});
}

TEST(Shredder, SizesRoundUpToWholeBlocks)
{
    for (auto [size, after] : {std::pair<std::size_t, std::size_t>{2048, 2048}, {1025, 2048}, {1024, 1024},
                               {5000, 5120}}) {
        SCOPED_TRACE(size);
        Rig r;
        writeFile(r.dir.file("f.bin"), pattern(size, 'q'));
        r.shredder.ShredFile(r.dir.file("f.bin"));
        ASSERT_EQ(r.progress.contents.size(), 4u);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(r.progress.contents[k], pattern(after, k % 2 ? 0x00 : 0xFF));
    }
    EXPECT_EQ(TShredder::BlocksFor(0), 0u);
    EXPECT_EQ(TShredder::BlocksFor(1), 1u);
    EXPECT_EQ(TShredder::BlocksFor(1024), 1u);
    EXPECT_EQ(TShredder::BlocksFor(1025), 2u);
    EXPECT_EQ(TShredder::BlocksFor(3ull << 30), 3u << 20); // beyond 32-bit sizes
    EXPECT_EQ(TShredder::BlocksFor((4ull << 30) + 1), (4ull << 20) + 1);
}

TEST(Shredder, TenPassesAlternateAndEndOnZero)
{
    Rig r;
    r.passes = 10;
    writeFile(r.dir.file("f"), "secret");
    r.shredder.ShredFile(r.dir.file("f"));
    EXPECT_EQ(r.progress.max, 10);
    ASSERT_EQ(r.progress.positions.size(), 10u);
    EXPECT_EQ(r.progress.positions.back(), 10);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(r.progress.contents[k], pattern(1024, TShredder::kPassPattern[k] & 0xFF)) << k + 1;
    EXPECT_EQ(r.progress.contents.back(), pattern(1024, 0x00));
}

TEST(Shredder, PassCountsAreClampedAndReadPerFile)
{
    EXPECT_EQ(TShredder::ClampPasses(-5), 4);
    EXPECT_EQ(TShredder::ClampPasses(0), 4);
    EXPECT_EQ(TShredder::ClampPasses(1), 4);
    EXPECT_EQ(TShredder::ClampPasses(3), 4);
    EXPECT_EQ(TShredder::ClampPasses(7), 7);
    EXPECT_EQ(TShredder::ClampPasses(11), 10);
    EXPECT_EQ(TShredder::ClampPasses(INT32_MAX), 10);

    Rig r;
    for (auto [stored, used] : {std::pair{0, 4}, {-3, 4}, {2, 4}, {1000, 10}, {6, 6}}) {
        SCOPED_TRACE(stored);
        r.passes = stored;
        r.progress.positions.clear();
        r.progress.contents.clear();
        writeFile(r.dir.file("f"), "abc");
        const std::string w = r.witness("f");
        r.shredder.ShredFile(r.dir.file("f"));
        EXPECT_EQ(r.progress.max, used);
        EXPECT_EQ(static_cast<int>(r.progress.positions.size()), used);
        // No pass leaves the data as it was; any pass count leaves whole blocks.
        EXPECT_EQ(readFile(w), used == 0 ? "abc" : pattern(1024, used % 2 ? 0xFF : 0x00));
        unlink(w.c_str());
        EXPECT_EQ(r.folder(), std::vector<std::string>{"witness"});
    }
    EXPECT_EQ(r.shredder.WipedFileCount, 5);
}

TEST(Shredder, LeftoverTemporaryIsDeletedWithoutOverwriting)
{
    Rig r;
    writeFile(r.dir.file(TShredder::kTempName), "leftover");
    const std::string w = r.witness(TShredder::kTempName);
    writeFile(r.dir.file("f"), "data");
    r.shredder.ShredFile(r.dir.file("f"));
    EXPECT_EQ(readFile(w), "leftover");
    EXPECT_EQ(r.progress.contents[0], pattern(1024, 0xFF)); // the wiped file is "f"'s data
    EXPECT_EQ(r.shredder.WipedFileCount, 1);
    EXPECT_EQ(r.folder(), std::vector<std::string>{"witness"});
}

TEST(Shredder, FileNamedLikeTheTemporaryIsWipedInPlace)
{
    Rig r;
    writeFile(r.dir.file(TShredder::kTempName), "own data");
    const std::string w = r.witness(TShredder::kTempName);
    r.shredder.ShredFile(r.dir.file(TShredder::kTempName));
    EXPECT_EQ(readFile(w), pattern(1024, 0x00));
    EXPECT_EQ(r.shredder.WipedFileCount, 1);
    EXPECT_EQ(r.folder(), std::vector<std::string>{"witness"});
}

TEST(Shredder, MissingFolderAndLinkAreRefused)
{
    Rig r;
    const std::string missing = r.dir.file("nothing here");
    EXPECT_EQ(errorOf([&] { r.shredder.ShredFile(missing); }), "Cannot find " + missing + " !");

    ASSERT_EQ(mkdir(r.dir.file("sub").c_str(), 0700), 0);
    writeFile(r.dir.file("sub/inner"), "keep");
    EXPECT_EQ(errorOf([&] { r.shredder.ShredFile(r.dir.file("sub")); }), "Cannot find " + r.dir.file("sub") + " !");
    EXPECT_EQ(readFile(r.dir.file("sub/inner")), "keep");

    writeFile(r.dir.file("target"), "keep too");
    ASSERT_EQ(symlink(r.dir.file("target").c_str(), r.dir.file("link").c_str()), 0);
    EXPECT_EQ(errorOf([&] { r.shredder.ShredFile(r.dir.file("link")); }), "Cannot find " + r.dir.file("link") + " !");
    EXPECT_EQ(readFile(r.dir.file("target")), "keep too");
    EXPECT_FALSE(isRegularFile(r.dir.file("link")));

    // A link already named like the temporary is not followed either.
    ASSERT_EQ(symlink(r.dir.file("target").c_str(), r.dir.file(TShredder::kTempName).c_str()), 0);
    EXPECT_EQ(errorOf([&] { r.shredder.overwriteFile(r.dir.file(TShredder::kTempName)); }), "I/O error 40");
    EXPECT_EQ(readFile(r.dir.file("target")), "keep too");

    EXPECT_EQ(r.shredder.WipedFileCount, 0);
    EXPECT_FALSE(r.shredder.EraseFile(missing));
}

TEST(Shredder, BareFileNameUsesTheCurrentDirectory)
{
    Rig r;
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(r.dir.path().c_str()), 0);
    writeFile("bare.txt", "x");
    r.progress.watch = TShredder::kTempName; // relative as well
    r.shredder.ShredFile("bare.txt");
    const auto left = r.folder();
    ASSERT_EQ(chdir(old), 0);
    EXPECT_EQ(r.progress.contents.back(), pattern(1024, 0x00));
    EXPECT_TRUE(left.empty());
    EXPECT_EQ(r.shredder.WipedFileCount, 1);
    EXPECT_EQ(errorOf([&] { r.shredder.ShredFile("bare.txt"); }), "Cannot find bare.txt !");
}

TEST(Shredder, FailureWhileOverwritingLeavesTheTemporary)
{
    Rig r;
    writeFile(r.dir.file("f"), pattern(3000, 'p'));
    {
        FaultPlan plan;
        plan.failAfterBytes = 3072 + 1500; // half-way through the second pass
        FaultGuard g(plan);
        EXPECT_EQ(errorOf([&] { r.shredder.ShredFile(r.dir.file("f")); }), "Disk full");
    }
    EXPECT_EQ(r.shredder.WipedFileCount, 0);
    EXPECT_EQ(r.folder(), std::vector<std::string>{TShredder::kTempName});
    EXPECT_EQ(r.progress.positions, std::vector<int>{1});
    {
        FaultPlan plan;
        plan.failOnSync = 0;
        FaultGuard g(plan);
        writeFile(r.dir.file("g"), "g");
        EXPECT_EQ(errorOf([&] { r.shredder.ShredFile(r.dir.file("g")); }), "I/O error 5");
    }
    // The next wipe in the folder removes the leftover and succeeds.
    writeFile(r.dir.file("h"), "h");
    r.shredder.ShredFile(r.dir.file("h"));
    EXPECT_EQ(r.shredder.WipedFileCount, 1);
    EXPECT_TRUE(r.folder().empty());
}

TEST(Shredder, NoSecondWipeInsideTheFirst)
{
    TempDir dir;
    struct Reentrant : WipeProgress {
        TShredder* s = nullptr;
        std::string other;
        std::string error;
        void setMax(int) override {}
        void setPosition(int p) override
        {
            if (p == 1) {
                try {
                    s->ShredFile(other);
                } catch (const std::exception& e) {
                    error = e.what();
                }
            }
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
    EXPECT_EQ(s.WipedFileCount, 1);
}
