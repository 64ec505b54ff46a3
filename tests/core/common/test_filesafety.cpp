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
#include <set>
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

// A leftover that looks crashed may still be written by a writer reaching the
// folder through another lock domain: it is moved away before it is zeroed, so
// that writer's commit fails instead of committing zeros.
TEST(FileSafety, AWriterScrubsOnlyOldUnlockedLeftoversOfItsOwnPatternNeverUnderTheirNames)
{
    const auto age = [](const std::string& path, long s) { // untouched for s seconds
        const timespec then[2] = {{std::time(nullptr) - s, 0}, {std::time(nullptr) - s, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), then, 0), 0);
    };
    TempDir dir;
    AtomicFile live(dir.file("live")); // a writer that still runs
    age(live.tempPath(), 3600);
    const std::pair<std::string, long> leftovers[] = {
        {".zerath-aB3xY9.tmp", kStaleAfterSeconds + 5}, {".zerath-recent.tmp", kStaleAfterSeconds - 60}, {".zerath-linked.tmp", 3600}};
    for (const auto& [name, seconds] : leftovers) writeFile(dir.file(name), "crashed plaintext"), age(dir.file(name), seconds);
    ::link(dir.file(".zerath-linked.tmp").c_str(), dir.file("other").c_str());
    const int other = ::open(dir.file(".zerath-aB3xY9.tmp").c_str(), O_WRONLY);
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(::inotify_add_watch(watch, dir.path().c_str(), IN_MODIFY | IN_MOVED_FROM | IN_DELETE), 0);
    const std::string longest(255, 'n');
    writeFileAtomically(dir.file(longest), "x");
    const std::vector<std::string> names = folderNames(dir.path()); // only the crashed one is gone
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
              (std::set<std::string>{".zerath-linked.tmp", ".zerath-recent.tmp", baseNameOf(live.tempPath()), longest, "other"}));
    alignas(inotify_event) char events[8192];
    std::string seen; // what happened under the crashed one's name, in order
    for (ssize_t at = 0, n = ::read(watch, events, sizeof events); at < n; at += sizeof(inotify_event)) {
        const auto* e = reinterpret_cast<const inotify_event*>(events + at);
        if (e->len && e->name == std::string(".zerath-aB3xY9.tmp")) seen += e->mask & IN_MODIFY ? 'W' : e->mask & IN_MOVED_FROM ? 'M' : 'D';
        at += e->len;
    }
    EXPECT_EQ(seen, "M") << "W: zeroed under its own name";
    ::close(other);
}

// A signal arrives while another thread keeps writing a decryption's
// temporary: the handler stops its writes before it zeroes, so no byte the
// writer wrote is left, not even beyond the size the handler saw first.
TEST(FileSafety, ASignalLeavesNoByteOfATemporaryAnotherThreadStillWrites)
{
    TempDir dir;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const rlimit none{0, 0};
        ::setrlimit(RLIMIT_CORE, &none);
        installInterruptCleanup();
        AtomicFile f(dir.file("out"), kOwnerOnly, AtomicFile::Scrub::Overwrite);
        std::thread([&] {
            sigset_t all;
            sigfillset(&all);
            ::pthread_sigmask(SIG_BLOCK, &all, nullptr); // the handler runs beside it
            while (errorOf([&] { f.write(std::string(4096, 'P')); }) == kNoError) continue;
        }).join();
        ::_exit(3); // the writes failed without the signal
    }
    std::vector<std::string> names;
    while ((names = folderNames(dir.path())).empty()) ::usleep(1000);
    const int seen = ::open(dir.file(names[0]).c_str(), O_RDONLY);
    ::usleep(100000);
    ::kill(pid, SIGQUIT); // Ctrl-\ is served as Ctrl-C is
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGQUIT) << status;
    const std::string left = readFile("/proc/self/fd/" + std::to_string(seen)); // removed by now
    EXPECT_GT(left.size(), 4096u);
    EXPECT_EQ(left.find('P'), std::string::npos) << "of " << left.size() << " bytes";
    EXPECT_TRUE(folderNames(dir.path()).empty());
    ::close(seen);
}
