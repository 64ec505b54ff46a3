// What a writer leaves on disk: the modes of its temporary and of the file it
// commits, crashed writers' leftovers beside it, and names of any length.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TempDir.h"
#include "TestHelpers.h"
#include "common/FileIO.h"

using namespace zerath;
using namespace zerath::test;

TEST(FileSafety, TemporariesAreOwnerOnlyAndCommittedModesFollowTheUmaskWithoutWidening)
{
    // umask, the mode of a file there before (0: none), the committed mode
    const mode_t cases[][3] = {{022, 0, 0644}, {077, 0, 0600}, {022, 0600, 0600}, {0, 0640, 0640}};
    for (const auto& [umask, old, committed] : cases) {
        TempDir dir;
        writeFile(dir.file("out"), "old");
        ::chmod(dir.file("out").c_str(), old);
        if (!old) ::unlink(dir.file("out").c_str());
        const mode_t saved = ::umask(umask);
        AtomicFile f(dir.file("out"));
        f.write("plaintext");
        EXPECT_EQ(modeOf(f.tempPath()), 0600u);
        f.commit();
        ::umask(saved);
        EXPECT_EQ(modeOf(dir.file("out")), committed) << std::oct << umask << " " << old;
    }
}

TEST(FileSafety, AWriterRemovesOnlyUnlockedLeftoversOfItsOwnPatternAndTakesAnyName)
{
    TempDir dir;
    AtomicFile live(dir.file("live")); // a writer that still runs
    writeFile(dir.file(".zerath-aB3xY9.tmp"), "crashed plaintext");
    writeFile(dir.file(".zerath-linked.tmp"), "two links");
    ::link(dir.file(".zerath-linked.tmp").c_str(), dir.file("other").c_str());
    const std::string longest(255, 'n');
    writeFileAtomically(dir.file(longest), "x");
    EXPECT_FALSE(fileExists(dir.file(".zerath-aB3xY9.tmp")));
    EXPECT_TRUE(fileExists(live.tempPath()) && fileExists(dir.file(".zerath-linked.tmp")) &&
                fileExists(dir.file(longest)));
}
