#include "common/FileIO.h"

#include "TempDir.h"
#include "TestHelpers.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <gtest/gtest.h>

using namespace zerath;
using namespace zerath::test;

TEST(FileIO, ErrnoMapping)
{
    const std::pair<int, const char*> texts[] = {
        {ENOENT, "File not found"},     {EMFILE, "Too many open files"}, {ENFILE, "Too many open files"},
        {EACCES, "File access denied"}, {EPERM, "File access denied"},   {EROFS, "File access denied"},
        {ENOSPC, "Disk full"},          {EDQUOT, "Disk full"},           {EISDIR, "I/O error 21"}};
    for (auto [err, text] : texts) EXPECT_EQ(fileErrorText(err), text) << err;
}

TEST(FileIO, RealFailuresCarryTheRuntimeTexts)
{
    TempDir dir;
    EXPECT_EQ(errorOf<EFileError>([&] { OutputFile::create(dir.file("no/such/folder/x")); }), "File not found");
    EXPECT_EQ(errorOf<EFileError>([&] { OutputFile::openExisting(dir.file("missing")); }), "File not found");
    EXPECT_EQ(errorOf<EFileError>([&] { AtomicFile f(dir.file("missing/x")); }), "File not found");
    EXPECT_EQ(errorOf<EFileError>([&] { readWholeFile(dir.file("missing")); }), "File not found");
    EXPECT_EQ(errorOf<EFileError>([&] { OutputFile::create(dir.path()); }), "I/O error 21");
    writeFile(dir.file("a"), "x");
    EXPECT_EQ(errorOf<EFileError>([&] { OutputFile::createNew(dir.file("a")); }), "I/O error 17");
    EXPECT_EQ(errorOf<EFileError>([&] { renameFile(dir.file("missing"), dir.file("b")); }), "File not found");

    // /dev/full answers every write with ENOSPC.
    if (access("/dev/full", W_OK) == 0) {
        OutputFile full = OutputFile::openExisting("/dev/full");
        EXPECT_EQ(errorOf<EFileError>([&] { full.write("abc"); }), "Disk full");
    }

    // Out of descriptors.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit low = old;
    low.rlim_cur = 0;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    const std::string msg = errorOf<EFileError>([&] { OutputFile::create(dir.file("c")); });
    setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_EQ(msg, "Too many open files");
}

TEST(FileIO, ReadOnlyFolderIsAccessDenied)
{
    TempDir dir;
    std::string ro = dir.file("ro/");
    ASSERT_EQ(mkdir(ro.c_str(), 0500), 0);
    if (geteuid() == 0) {
        // The superuser writes anywhere on ordinary file systems; sysfs refuses
        // new files even to it (EACCES, or EROFS where it is mounted read-only).
        struct stat st;
        if (stat("/sys/kernel", &st) != 0) GTEST_SKIP() << "no folder refuses the superuser";
        ro = "/sys/kernel/";
    }
    EXPECT_EQ(errorOf<EFileError>([&] { OutputFile::create(ro + "zerath-x"); }), "File access denied");
    EXPECT_EQ(errorOf<EFileError>([&] { writeFileAtomically(ro + "zerath-x", "data"); }), "File access denied");
    chmod(dir.file("ro").c_str(), 0700);
}

TEST(FileIO, AtomicWriteReplacesAndHonoursModes)
{
    TempDir dir;
    const std::string p = dir.file("ring.db");
    writeFileAtomically(p, "first", kOwnerOnly);
    EXPECT_EQ(readFile(p), "first");
    EXPECT_EQ(modeOf(p), 0600u);
    writeFileAtomically(p, "second", kDefaultMode);
    EXPECT_EQ(readFile(p), "second");
    EXPECT_EQ(modeOf(p), 0600u); // a replacement is never wider than the file it replaces
    EXPECT_EQ(folderNames(dir.path()), std::vector<std::string>{"ring.db"});
    AtomicFile a(dir.file("x.ini"), kOwnerOnly);
    EXPECT_EQ(folderOf(a.tempPath()), dir.path());
    EXPECT_EQ(modeOf(a.tempPath()), 0600u);

    // A plain create honours an owner-only mode even over a wider existing file.
    writeFile(dir.file("wide"), "x");
    chmod(dir.file("wide").c_str(), 0666);
    OutputFile f = OutputFile::create(dir.file("wide"), kOwnerOnly);
    f.close();
    EXPECT_EQ(modeOf(dir.file("wide")), 0600u);
}

TEST(FileIO, DestroyedOrAbortedAtomicFileLeavesNothing)
{
    TempDir dir;
    writeFile(dir.file("keep"), "old content");
    {
        AtomicFile f(dir.file("keep"));
        f.write("new");
    }
    {
        AtomicFile f(dir.file("keep"));
        f.write("new");
        f.abort();
        f.abort();
    }
    EXPECT_EQ(readFile(dir.file("keep")), "old content");
    EXPECT_EQ(folderNames(dir.path()), std::vector<std::string>{"keep"});
}

TEST(FileIO, NamesAndQueries)
{
    EXPECT_EQ(folderOf("/a/b/c.txt"), "/a/b/");
    EXPECT_EQ(folderOf("c.txt"), "");
    EXPECT_EQ(baseNameOf("/a/b/c.txt"), "c.txt");
    EXPECT_EQ(baseNameOf("c.txt"), "c.txt");
    EXPECT_EQ(baseNameOf("/a/"), "");

    TempDir dir;
    writeFile(dir.file("f"), "abc");
    ASSERT_EQ(symlink(dir.file("f").c_str(), dir.file("link").c_str()), 0);
    ASSERT_EQ(symlink(dir.file("gone").c_str(), dir.file("dangling").c_str()), 0);
    EXPECT_TRUE(isRegularFile(dir.file("f")));
    EXPECT_FALSE(isRegularFile(dir.file("link")));
    EXPECT_FALSE(isRegularFile(dir.path()));
    EXPECT_TRUE(fileExists(dir.file("dangling")));
    EXPECT_FALSE(fileExists(dir.file("gone")));
    EXPECT_EQ(fileSize(dir.file("f")), 3);
    EXPECT_EQ(fileSize(dir.file("gone")), -1);

    writeFile(dir.file("g"), "g");
    EXPECT_EQ(errorOf<EFileError>([&] { renameFileNoReplace(dir.file("g"), dir.file("f")); }), "I/O error 17");
    EXPECT_EQ(readFile(dir.file("f")), "abc");
    renameFileNoReplace(dir.file("g"), dir.file("h"));
    EXPECT_EQ(readFile(dir.file("h")), "g");
    EXPECT_TRUE(removeFile(dir.file("h")));
    EXPECT_FALSE(removeFile(dir.file("h")));
}
