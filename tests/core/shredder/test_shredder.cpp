#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

#include "TempDir.h"
#include "TestHelpers.h"
#include "TestUi.h"
#include "common/Cancelled.h"
#include "common/FileIO.h"
#include "common/Temporaries.h"
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
    std::vector<std::uint64_t> written;
    void setMax(int m) override { max = m; }
    void setBytesWritten(std::uint64_t bytes) override { written.push_back(bytes); }
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
                          {3, 2, 4, 1024},    {3, 1000, 10, 1024}, {3, 7, 7, 1024}, {3, 3, 4, 1024},
                          {3, 11, 10, 1024},  {300000, 4, 4, 300032}};
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
        ASSERT_FALSE(r.progress.written.empty());
        EXPECT_TRUE(std::is_sorted(r.progress.written.begin(), r.progress.written.end()));
        EXPECT_EQ(r.progress.written.back(), w.used * w.wiped); // every pass of every block counted
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

TEST(Shredder, ScratchNamesNeverHideOrDestroyWhatWasNotWiped)
{
    // Files already bearing scratch names stay as they are; the wipe takes the first free one.
    Rig r;
    writeFile(r.dir.file("$000000.tmp"), "leftover");
    writeFile(r.dir.file("$000001.tmp"), "own data");
    writeFile(r.dir.file("f"), "data");
    const std::string seen = r.witness("f");
    r.progress.watch = r.dir.file("$000002.tmp");
    r.shredder.ShredFile(r.dir.file("f"));
    EXPECT_EQ(readFile(seen), std::string(1024, '\0'));
    EXPECT_EQ(readFile(r.dir.file("$000000.tmp")) + readFile(r.dir.file("$000001.tmp")), "leftoverown data");
    // A scratch-named file to be wiped moves on like any other.
    const std::string own = r.witness("$000001.tmp", "own");
    r.shredder.ShredFile(r.dir.file("$000001.tmp"));
    EXPECT_EQ(readFile(own), std::string(1024, '\0'));
    EXPECT_EQ(folderNames(r.dir.path()), (std::vector<std::string>{"$000000.tmp", "witness"}));
}

TEST(Shredder, AFailedOrInterruptedWipeGoesBackToItsName)
{
    const struct {
        const char* name;
        FaultPlan plan;
        bool takeName; // another file takes the name during the first pass
        std::string error;
    } rows[] = {
        {"disk full", {1500, -1, -1, -1}, false, "Disk full"},
        {"sync fails", {-1, 1, -1, -1}, false, "I/O error 5"},
        {"cancelled", {}, false, "Operation cancelled."},
        {"name taken", {}, true, "Operation cancelled. The file is left as "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Rig r;
        const std::string data(3000, 'p');
        writeFile(r.dir.file("f"), data);
        r.pump.hook = [&] {
            if (row.takeName) writeFile(r.dir.file("f"), "newcomer");
            if (row.plan.failAfterBytes < 0 && row.plan.failOnSync < 0) throw OperationCancelled();
        };
        std::string error;
        {
            const FaultGuard faults(row.plan);
            error = errorOf([&] { r.shredder.ShredFile(r.dir.file("f")); });
        }
        EXPECT_EQ(error.substr(0, row.error.size()), row.error);
        EXPECT_EQ(r.shredder.WipedFileCount, 0);
        // The scratch name is named when the file could not go back.
        EXPECT_EQ(error.find(r.dir.file("$000000.tmp")) != std::string::npos, row.takeName);
        using Names = std::vector<std::string>;
        EXPECT_EQ(folderNames(r.dir.path()), (row.takeName ? Names{"$000000.tmp", "f"} : Names{"f"}));
        const std::string f = readFile(r.dir.file("f")), size = std::to_string(row.plan.failAfterBytes > 0 ? 3000 : 3072);
        EXPECT_EQ(row.takeName ? f : std::to_string(f.size()), row.takeName ? "newcomer" : size); // a newcomer stays
    }
}

// In a child: a file it cannot write (another user's, or read-only) keeps its
// name untouched; a signal that ends it during the wipe moves the file back.
TEST(Shredder, AFileThatCannotBeWrittenOrASignalLeavesTheFileUnderItsName)
{
    for (const int sig : {0, SIGINT, SIGTERM, SIGHUP}) {
        Rig r;
        writeFile(r.dir.file("f"), std::string(5000, 'p'));
        const bool root = ::geteuid() == 0;
        ASSERT_EQ(::chmod(r.dir.path().c_str(), 0777) | ::chmod(r.dir.file("f").c_str(), sig ? 0600 : root ? 0644 : 0400), 0);
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            installInterruptCleanup();
            r.pump.hook = [&] { (void)!::write(ready[1], "x", 1), ::pause(); };
            if (!sig && root && ::setuid(65534) != 0) ::_exit(2);
            ::_exit(errorOf([&] { r.shredder.ShredFile(r.dir.file("f")); }) == "File access denied" ? 0 : 1);
        }
        char c;
        if (sig && ::read(ready[0], &c, 1) == 1) ::kill(pid, sig);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(ready[0]), ::close(ready[1]);
        EXPECT_TRUE(sig ? WIFSIGNALED(status) && WTERMSIG(status) == sig : WEXITSTATUS(status) == 0) << sig;
        EXPECT_EQ(folderNames(r.dir.path()), std::vector<std::string>{"f"}) << sig;
        EXPECT_EQ(readFile(r.dir.file("f")), sig ? std::string(5120, '\xFF') : std::string(5000, 'p')) << sig;
    }
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
