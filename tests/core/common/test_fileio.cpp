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
    EXPECT_EQ(fileErrorText(ENOENT), "File not found");
    EXPECT_EQ(fileErrorText(EMFILE), "Too many open files");
    EXPECT_EQ(fileErrorText(ENFILE), "Too many open files");
    EXPECT_EQ(fileErrorText(EACCES), "File access denied");
    EXPECT_EQ(fileErrorText(EPERM), "File access denied");
    EXPECT_EQ(fileErrorText(EROFS), "File access denied");
    EXPECT_EQ(fileErrorText(ENOSPC), "Disk full");
    EXPECT_EQ(fileErrorText(EDQUOT), "Disk full");
    EXPECT_EQ(fileErrorText(EIO), "I/O error 5");
    EXPECT_EQ(fileErrorText(EISDIR), "I/O error 21");
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

    // A plain create honours an owner-only mode even over a wider existing file.
    writeFile(dir.file("wide"), "x");
    chmod(dir.file("wide").c_str(), 0666);
    OutputFile f = OutputFile::create(dir.file("wide"), kOwnerOnly);
    f.close();
    EXPECT_EQ(modeOf(dir.file("wide")), 0600u);
}

TEST(FileIO, AtomicFileTemporarySitsBesideTheTarget)
{
    TempDir dir;
    AtomicFile f(dir.file("x.ini"), kOwnerOnly);
    EXPECT_EQ(folderOf(f.tempPath()), dir.path());
    EXPECT_EQ(baseNameOf(f.tempPath()).rfind(".zerath-", 0), 0u);
    EXPECT_EQ(modeOf(f.tempPath()), 0600u);
    f.write("abc");
    EXPECT_FALSE(fileExists(dir.file("x.ini")));
    f.commit();
    EXPECT_EQ(readFile(dir.file("x.ini")), "abc");
    EXPECT_FALSE(fileExists(f.tempPath()));
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

TEST(FileIO, ScrubbedAbortOverwritesTheTemporaryBeforeRemovingIt)
{
    TempDir dir;
    const std::string secret(150000, 's'); // more than one piece of zeros
    std::string seen;
    {
        AtomicFile f(dir.file("plain"));
        f.write(secret);
        // A second name keeps the temporary's content visible after its removal.
        ASSERT_EQ(::link(f.tempPath().c_str(), dir.file("peek").c_str()), 0);
        f.abort(AtomicFile::Scrub::Overwrite);
        EXPECT_FALSE(fileExists(f.tempPath()));
        f.abort(AtomicFile::Scrub::Overwrite); // a second abort does nothing
    }
    EXPECT_EQ(readFile(dir.file("peek")), std::string(secret.size(), '\0'));
    EXPECT_FALSE(fileExists(dir.file("plain")));

    // A plain abort removes the temporary as written.
    {
        AtomicFile f(dir.file("plain"));
        f.write("kept");
        ASSERT_EQ(::link(f.tempPath().c_str(), dir.file("peek2").c_str()), 0);
        f.abort();
    }
    EXPECT_EQ(readFile(dir.file("peek2")), "kept");
}

TEST(FileIO, FailingWriteSyncOrRenameKeepsThePreviousFile)
{
    TempDir dir;
    const std::string p = dir.file("ring.db");
    const std::string content(10000, 'n');
    struct Case {
        const char* what;
        FaultPlan plan;
        const char* message;
    };
    FaultPlan half;
    half.failAfterBytes = 5000;
    FaultPlan sync0;
    sync0.failOnSync = 0;
    FaultPlan rename0;
    rename0.failOnRename = 0;
    for (const Case& c : {Case{"write", half, "Disk full"}, Case{"sync", sync0, "I/O error 5"},
                          Case{"rename", rename0, "I/O error 5"}}) {
        SCOPED_TRACE(c.what);
        writeFile(p, "previous");
        {
            FaultGuard g(c.plan);
            EXPECT_EQ(errorOf<EFileError>([&] { writeFileAtomically(p, content, kOwnerOnly); }), c.message);
        }
        EXPECT_EQ(readFile(p), "previous");
        EXPECT_EQ(folderNames(dir.path()), std::vector<std::string>{"ring.db"});
    }
}

TEST(FileIO, ByteCounterSpansFilesAndCutsAtTheLimit)
{
    TempDir dir;
    FaultPlan plan;
    plan.failAfterBytes = 10;
    FaultGuard g(plan);
    OutputFile a = OutputFile::create(dir.file("a"));
    a.write("123456");
    OutputFile b = OutputFile::create(dir.file("b"));
    EXPECT_EQ(errorOf<EFileError>([&] { b.write("abcdef"); }), "Disk full");
    EXPECT_EQ(FaultInjection::bytesWritten(), 10);
    a.close();
    b.close();
    EXPECT_EQ(readFile(dir.file("b")), "abcd"); // the part before the limit reached the disk
    EXPECT_EQ(errorOf<EFileError>([&] { OutputFile::create(dir.file("c")).write("z"); }), "Disk full");
}

TEST(FileIO, NthSyncAndRenameFail)
{
    TempDir dir;
    FaultPlan plan;
    plan.failOnSync = 1;
    plan.failOnRename = 2;
    FaultGuard g(plan);
    OutputFile f = OutputFile::create(dir.file("a"));
    f.sync();
    EXPECT_EQ(errorOf<EFileError>([&] { f.sync(); }), "I/O error 5");
    f.sync();
    writeFile(dir.file("x"), "1");
    renameFile(dir.file("x"), dir.file("y"));
    renameFile(dir.file("y"), dir.file("x"));
    EXPECT_EQ(errorOf<EFileError>([&] { renameFile(dir.file("x"), dir.file("y")); }), "I/O error 5");
    EXPECT_TRUE(fileExists(dir.file("x")));
    EXPECT_TRUE(FaultInjection::active());
}

TEST(FileIO, SeekSizeAndOpenExisting)
{
    TempDir dir;
    writeFile(dir.file("f"), "0123456789");
    OutputFile f = OutputFile::openExisting(dir.file("f"));
    EXPECT_EQ(f.size(), 10u);
    f.seek(2);
    f.write("ab");
    f.seek(12);
    f.write("Z");
    EXPECT_EQ(f.size(), 13u);
    f.close();
    EXPECT_FALSE(f.isOpen());
    EXPECT_EQ(readFile(dir.file("f")), std::string("01ab456789\0\0Z", 13));
}

TEST(FileIO, ReadWholeFileLimit)
{
    TempDir dir;
    writeFile(dir.file("f"), std::string(100, 'x'));
    EXPECT_EQ(readWholeFile(dir.file("f"), 100).size(), 100u);
    EXPECT_EQ(errorOf<EFileError>([&] { readWholeFile(dir.file("f"), 99); }), "File too large");
    writeFile(dir.file("e"), "");
    EXPECT_EQ(readWholeFile(dir.file("e")), "");
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
