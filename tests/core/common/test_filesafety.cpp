// What a writer leaves on disk: the modes of its temporary and of the file it
// commits, crashed writers' leftovers beside it, and names of any length.
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
        mode_t umask, mode, old, committed; // old 0: no file there before
    } cases[] = {{022, kDefaultMode, 0, 0644}, {077, kDefaultMode, 0, 0600}, {022, kOwnerOnly, 0644, 0600},
                 {022, kDefaultMode, 0600, 0600}, {0, kDefaultMode, 0640, 0640}};
    for (const Case& c : cases) {
        TempDir dir;
        if (c.old) {
            writeFile(dir.file("out"), "old");
            ::chmod(dir.file("out").c_str(), c.old);
        }
        const mode_t saved = ::umask(c.umask);
        AtomicFile f(dir.file("out"), c.mode);
        f.write("plaintext");
        EXPECT_EQ(modeOf(f.tempPath()), 0600u);
        f.commit();
        ::umask(saved);
        EXPECT_EQ(modeOf(dir.file("out")), c.committed) << std::oct << c.umask << " " << c.mode << " " << c.old;
    }
}

TEST(FileSafety, AWriterRemovesOnlyUnlockedLeftoversOfItsOwnPatternAndTakesAnyName)
{
    TempDir dir;
    AtomicFile live(dir.file("live")); // a writer that still runs
    writeFile(dir.file(".zerath-aB3xY9.tmp"), "crashed plaintext");
    writeFile(dir.file(".zerath-aB3xY.tmp"), "not the pattern");
    writeFile(dir.file(".zerath-linked.tmp"), "two links");
    ::link(dir.file(".zerath-linked.tmp").c_str(), dir.file("other").c_str());
    ::symlink("other", dir.file(".zerath-symlnk.tmp").c_str());
    const std::string longest(255, 'n');
    writeFileAtomically(dir.file(longest), "x");
    std::vector<std::string> kept{".zerath-aB3xY.tmp", ".zerath-linked.tmp", ".zerath-symlnk.tmp",
                                  baseNameOf(live.tempPath()), longest, "other"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(folderNames(dir.path()), kept);
}
