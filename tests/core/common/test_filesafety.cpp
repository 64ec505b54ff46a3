// What a writer leaves on disk: the modes of its temporary and of the file it
// commits, crashed writers' leftovers beside it, names of any length, and what
// a signal leaves of a temporary that another thread is still writing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <thread>

#include "TempDir.h"
#include "TestHelpers.h"
#include "common/FileIO.h"
#include "common/Temporaries.h"

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

// Makes a file look untouched for `seconds`.
static void age(const std::string& path, long seconds)
{
    const timespec then[2] = {{std::time(nullptr) - seconds, 0}, {std::time(nullptr) - seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), then, 0), 0);
}

TEST(FileSafety, AWriterRemovesOnlyOldUnlockedLeftoversOfItsOwnPatternAndTakesAnyName)
{
    TempDir dir;
    AtomicFile live(dir.file("live")); // a writer that still runs
    age(live.tempPath(), 3600);
    const std::pair<std::string, long> leftovers[] = {
        {".zerath-aB3xY9.tmp", kStaleAfterSeconds + 5}, {".zerath-recent.tmp", kStaleAfterSeconds - 60}, {".zerath-linked.tmp", 3600}};
    for (const auto& [name, seconds] : leftovers) writeFile(dir.file(name), "crashed plaintext"), age(dir.file(name), seconds);
    ::link(dir.file(".zerath-linked.tmp").c_str(), dir.file("other").c_str());
    const std::string longest(255, 'n');
    writeFileAtomically(dir.file(longest), "x");
    EXPECT_FALSE(fileExists(dir.file(".zerath-aB3xY9.tmp")));
    for (const std::string name : {".zerath-recent.tmp", ".zerath-linked.tmp", "other"})
        EXPECT_TRUE(fileExists(dir.file(name))) << name;
    EXPECT_TRUE(fileExists(live.tempPath()) && fileExists(dir.file(longest)));
    EXPECT_EQ(folderNames(dir.path()).size(), 5u); // nothing moved aside and left
}

// A writer reaching the folder through another lock domain still writes its
// temporary: the clean-up may scrub it, but never under its name, so that
// writer's commit fails instead of committing zeros.
TEST(FileSafety, ALeftoverAnotherDescriptorWritesIsNeverZeroedUnderItsName)
{
    TempDir dir;
    const std::string name = ".zerath-Other1.tmp";
    const int other = ::open(dir.file(name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::write(other, "decrypted text", 14), 14);
    age(dir.file(name), 3600);
    const int watch = ::inotify_init1(IN_NONBLOCK);
    ASSERT_GE(::inotify_add_watch(watch, dir.path().c_str(), IN_MODIFY | IN_MOVED_FROM | IN_DELETE), 0);
    writeFileAtomically(dir.file("mine"), "x");
    EXPECT_NE(::rename(dir.file(name).c_str(), dir.file("theirs").c_str()), 0); // their commit fails
    alignas(inotify_event) char events[8192];
    std::string seen; // what happened under that name, in order
    for (ssize_t at = 0, n = ::read(watch, events, sizeof events); at < n; at += sizeof(inotify_event)) {
        const auto* e = reinterpret_cast<const inotify_event*>(events + at);
        if (e->len && e->name == name) seen += e->mask & IN_MODIFY ? 'W' : e->mask & IN_MOVED_FROM ? 'M' : 'D';
        at += e->len;
    }
    EXPECT_EQ(seen, "M") << "W: zeroed under its own name";
    ::close(watch);
    ::close(other);
}

// A signal arrives while another thread keeps writing a decryption's
// temporary: the handler stops its writes before it zeroes, so no byte the
// writer wrote is left, not even beyond the size the handler saw first.
TEST(FileSafety, ASignalLeavesNoByteOfATemporaryAnotherThreadStillWrites)
{
    TempDir dir;
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const rlimit none{0, 0};
        ::setrlimit(RLIMIT_CORE, &none);
        installInterruptCleanup();
        AtomicFile f(dir.file("out"), kOwnerOnly, AtomicFile::Scrub::Overwrite);
        const std::string& temp = f.tempPath();
        std::thread writer([&] {
            sigset_t all;
            sigfillset(&all);
            ::pthread_sigmask(SIG_BLOCK, &all, nullptr); // the handler runs beside it
            const std::string plain(4096, 'P');
            f.write(plain);
            (void)!::write(report[1], temp.c_str(), temp.size());
            ::close(report[1]);
            while (errorOf([&] { f.write(plain); }) == kNoError) continue;
        });
        writer.join();
        ::_exit(3); // the writes failed without the signal
    }
    ::close(report[1]);
    char temp[4096] = {};
    ASSERT_GT(::read(report[0], temp, sizeof temp - 1), 0);
    const int seen = ::open(temp, O_RDONLY);
    ASSERT_GE(seen, 0);
    ::usleep(100000);
    ::kill(pid, SIGQUIT); // Ctrl-\ is served as Ctrl-C is
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGQUIT) << status;
    const std::string left = readFile("/proc/self/fd/" + std::to_string(seen)); // removed by now
    EXPECT_GT(left.size(), 4096u);
    EXPECT_EQ(left.find('P'), std::string::npos) << "of " << left.size() << " bytes";
    EXPECT_FALSE(fileExists(temp));
    ::close(seen), ::close(report[0]);
}
