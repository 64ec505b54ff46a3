#include "common/FileIO.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

#include "TempDir.h"
#include "TestHelpers.h"

using namespace zerath;
using namespace zerath::test;

TEST(FileIO, ErrorTexts)
{
    const std::pair<int, const char*> texts[] = {
        {ENOENT, "File not found"},     {EMFILE, "Too many open files"}, {ENFILE, "Too many open files"},
        {EACCES, "File access denied"}, {EPERM, "File access denied"},   {EROFS, "File access denied"},
        {ENOSPC, "Disk full"},          {EDQUOT, "Disk full"},           {EISDIR, "I/O error 21"}};
    for (auto [err, text] : texts) EXPECT_EQ(fileErrorText(err), text) << err;

    TempDir dir;
    writeFile(dir.file("a"), "x");
    writeFile(dir.file("b"), "y");
    const std::pair<std::function<void()>, const char*> calls[] = {
        {[&] { OutputFile::create(dir.file("no/such/folder/x")); }, "File not found"},
        {[&] { OutputFile::openExisting(dir.file("missing")); }, "File not found"},
        {[&] { AtomicFile f(dir.file("missing/x")); }, "File not found"},
        {[&] { readWholeFile(dir.file("missing")); }, "File not found"},
        {[&] { renameFile(dir.file("missing"), dir.file("c")); }, "File not found"},
        {[&] { OutputFile::create(dir.path()); }, "I/O error 21"},
        {[&] { OutputFile::createNew(dir.file("a")); }, "I/O error 17"},
        {[&] { renameFileNoReplace(dir.file("b"), dir.file("a")); }, "I/O error 17"},
        {[&] { OutputFile::openExisting("/dev/full").write("abc"); }, "Disk full"}, // ENOSPC on every write
    };
    for (const auto& [call, text] : calls) EXPECT_EQ(errorOf<EFileError>(call), text);
    EXPECT_EQ(readFile(dir.file("a")), "x");

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit none = old;
    none.rlim_cur = 0;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
    const std::string msg = errorOf<EFileError>([&] { OutputFile::create(dir.file("c")); });
    setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_EQ(msg, "Too many open files");
}

TEST(FileIO, AtomicWriteReplacesAndHonoursModes)
{
    TempDir dir;
    const std::string p = dir.file("ring.db");
    writeFileAtomically(p, "first", kOwnerOnly);
    EXPECT_EQ(modeOf(p), 0600u);
    writeFileAtomically(p, "second", kDefaultMode);
    EXPECT_EQ(readFile(p), "second");
    EXPECT_EQ(modeOf(p), 0600u); // a replacement is never wider than the file it replaces
    EXPECT_EQ(folderNames(dir.path()), std::vector<std::string>{"ring.db"});

    // A plain create honours an owner-only mode even over a wider existing file.
    writeFile(dir.file("wide"), "x");
    chmod(dir.file("wide").c_str(), 0666);
    OutputFile::create(dir.file("wide"), kOwnerOnly).close();
    EXPECT_EQ(modeOf(dir.file("wide")), 0600u);
}

// Where neither a no-replace rename nor a hard link exists, a new name is still
// written (through an empty placeholder) and an existing one is refused with a
// reason; a commit whose folder flush fails says so.
TEST(FileIO, WritesWithoutSafeRenamesAndFailingFolderFlushes)
{
    TempDir dir;
    writeFile(dir.file("taken"), "kept");
    {
        FaultGuard guard(FaultPlan{.noSafeRename = true});
        writeFile(dir.file("a"), "new content"), writeFile(dir.file("b"), "never");
        renameFileNoReplace(dir.file("a"), dir.file("fresh"));
        EXPECT_EQ(errorOf<EFileError>([&] { renameFileNoReplace(dir.file("b"), dir.file("taken")); }), kNoSafeReplacementText);
    }
    EXPECT_EQ(readFile(dir.file("fresh")) + readFile(dir.file("taken")), "new contentkept");
    EXPECT_EQ(folderNames(dir.path()), (std::vector<std::string>{"b", "fresh", "taken"}));
    FaultGuard guard(FaultPlan{.failOnFolderSync = 0});
    EXPECT_EQ(errorOf<EFileError>([&] { writeFileAtomically(dir.file("fresh"), "newer"); }), "I/O error 5");
}
