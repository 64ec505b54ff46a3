// What a writer leaves on disk: the modes of temporaries and committed files,
// crashed writers' leftovers, and a name taken while the writer ran.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "TempDir.h"
#include "TestHelpers.h"
#include "common/FileIO.h"

using namespace zerath;
using namespace zerath::test;

TEST(FileSafety, TemporariesAreOwnerOnlyAndCommittedModesFollowTheUmaskWithoutWidening)
{
    struct Case {
        mode_t umask, mode, old, temporary, committed; // old 0: no file there before
    } cases[] = {
        {022, kDefaultMode, 0, 0600, 0644}, {077, kDefaultMode, 0, 0600, 0600}, {0, kDefaultMode, 0, 0600, 0666},
        {022, kOwnerOnly, 0, 0600, 0600},   {000, kOwnerOnly, 0644, 0600, 0600}, // owner-only even over a wider file
        {022, kDefaultMode, 0600, 0600, 0600}, {0, kDefaultMode, 0640, 0600, 0640},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string p = dir.file("out");
        if (c.old) {
            writeFile(p, "old");
            ::chmod(p.c_str(), c.old);
        }
        const mode_t saved = ::umask(c.umask);
        AtomicFile f(p, c.mode);
        f.write("plaintext");
        EXPECT_EQ(modeOf(f.tempPath()), c.temporary) << std::oct << c.umask << " " << c.mode << " " << c.old;
        f.commit();
        ::umask(saved);
        EXPECT_EQ(modeOf(p), c.committed) << std::oct << c.umask << " " << c.mode << " " << c.old;
    }
}

TEST(FileSafety, ANewWriterRemovesOnlyUnlockedLeftoversOfItsOwnPattern)
{
    TempDir dir;
    AtomicFile live(dir.file("live")); // a writer that still runs, holding its lock
    live.write("live data");
    writeFile(dir.file(".zerath-aB3xY9.tmp"), "crashed plaintext");
    writeFile(dir.file(".zerath-aB3xY.tmp"), "not the pattern");
    writeFile(dir.file(".zerath-linked.tmp"), "two links");
    ::link(dir.file(".zerath-linked.tmp").c_str(), dir.file("other-name").c_str());
    ::symlink("other-name", dir.file(".zerath-symlnk.tmp").c_str());

    writeFileAtomically(dir.file("next"), "x");
    std::vector<std::string> kept{".zerath-aB3xY.tmp", ".zerath-linked.tmp", ".zerath-symlnk.tmp",
                                  baseNameOf(live.tempPath()), "next", "other-name"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(folderNames(dir.path()), kept);
    live.commit();
    EXPECT_EQ(readFile(dir.file("live")), "live data");
}

TEST(FileSafety, CommitUnlessExistsKeepsAFileThatTookTheName)
{
    TempDir dir;
    AtomicFile f(dir.file("out"));
    f.write("new");
    writeFile(dir.file("out"), "appeared meanwhile");
    EXPECT_FALSE(f.commitUnlessExists());
    EXPECT_EQ(readFile(dir.file("out")), "appeared meanwhile");
    f.commit(); // the user agreed after all
    EXPECT_EQ(readFile(dir.file("out")), "new");
    EXPECT_EQ(folderNames(dir.path()), std::vector<std::string>{"out"});
}
