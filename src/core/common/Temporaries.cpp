#include "common/Temporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>

#include "common/FileIO.h"
#include "common/ScratchMoves.h"

namespace zerath {

namespace {

constexpr std::string_view kPrefix = ".zerath-";
constexpr std::string_view kSuffix = ".tmp";
constexpr std::size_t kRandomChars = 6;

// One live temporary, filled in ordinary code and read by the signal handler.
enum SlotState { kFree, kBusy, kLive, kScrubbed };
struct Slot {
    std::atomic<int> state{kFree};
    int fd = -1;   // the writer's
    int kept = -1; // the handler's duplicate
    bool overwrite = false;
    std::atomic<std::uint64_t> from{0}, to{0}; // the write under way
    std::atomic<std::uint64_t> reach{0};       // the largest size asked for
    char path[PATH_MAX] = {};
};

constexpr int kSlots = 64;
Slot g_slots[kSlots];

// A descriptor every write to fails (a pipe's read end), put in place of a
// writer's so that nothing more reaches its temporary.
int g_refuseWrites = -1;

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU};
constexpr int kIgnored[] = {SIGPIPE, SIGXFSZ};

void onInterrupt(int sig)
{
    LiveTemporaries::scrubAll();
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    // Blocked while the handler runs, the signal ends the process once it returns.
    ::raise(sig);
}

} // namespace

bool isTemporaryName(std::string_view name)
{
    if (name.size() != kPrefix.size() + kRandomChars + kSuffix.size()) return false;
    if (name.substr(0, kPrefix.size()) != kPrefix || name.substr(name.size() - kSuffix.size()) != kSuffix)
        return false;
    for (char c : name.substr(kPrefix.size(), kRandomChars))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
    return true;
}

namespace {

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// A regular file of the user's with one link, unchanged for kStaleAfterSeconds.
bool abandonedLooking(const struct stat& st)
{
    return S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && st.st_nlink == 1 &&
           st.st_mtime + kStaleAfterSeconds < std::time(nullptr);
}

// Moves a leftover in dfd to a fresh name of the pattern, never over another
// file; the fresh name, or "" when no such move is possible.
std::string moveAside(int dfd, const char* name)
{
    static constexpr char kChars[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (int attempt = 0; attempt < 8; ++attempt) {
        unsigned char r[kRandomChars];
        if (::getrandom(r, sizeof r, 0) != static_cast<ssize_t>(sizeof r)) return {};
        std::string fresh(kPrefix);
        for (unsigned char c : r) fresh += kChars[c % (sizeof kChars - 1)];
        fresh += kSuffix;
        if (::renameat2(dfd, name, dfd, fresh.c_str(), RENAME_NOREPLACE) == 0) return fresh;
        if (errno != EEXIST) return {}; // no no-replace rename here: the leftover stays
    }
    return {};
}

// Scrubs one leftover of an open folder (see the header).
void takeLeftover(int dfd, const char* name)
{
    struct stat named;
    if (::fstatat(dfd, name, &named, AT_SYMLINK_NOFOLLOW) != 0 || !abandonedLooking(named)) return;
    const int fd = ::openat(dfd, name, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &st) == 0 && abandonedLooking(st) && sameFile(st, named)) {
        const std::string fresh = moveAside(dfd, name);
        if (!fresh.empty()) {
            if (::fstat(fd, &st) == 0 && abandonedLooking(st) &&
                ::fstatat(dfd, fresh.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(st, named)) {
                if (::unlinkat(dfd, fresh.c_str(), 0) == 0) overwriteWithZeros(fd);
            } else {
                ::renameat2(dfd, fresh.c_str(), dfd, name, RENAME_NOREPLACE); // not ours after all
            }
        }
    }
    ::close(fd);
}

} // namespace

int createTemporary(const std::string& folder, std::string& path)
{
    for (;;) {
        std::string name = folder + std::string(kPrefix) + std::string(kRandomChars, 'X') + std::string(kSuffix);
        const int fd = ::mkostemps(name.data(), static_cast<int>(kSuffix.size()), O_CLOEXEC); // owner-only
        if (fd < 0) throwFileError(errno);
        // A file system without flock: nobody else can lock it either.
        const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
        // Another process's clean-up may have taken the name between its creation
        // and the lock; then the next name is tried.
        struct stat own, named;
        if (locked && ::fstat(fd, &own) == 0 && ::lstat(name.c_str(), &named) == 0 && sameFile(own, named)) {
            path = std::move(name);
            return fd;
        }
        ::close(fd);
    }
}

namespace {

// Zeros over [from, to) of fd, unflushed.
void writeZeros(int fd, off_t from, off_t to) noexcept
{
    static const char zeros[64 * 1024] = {};
    off_t offset = from;
    while (offset < to) {
        const off_t left = to - offset;
        const ssize_t w = ::pwrite(fd, zeros, left < off_t(sizeof zeros) ? std::size_t(left) : sizeof zeros, offset);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) break;
        offset += w;
    }
}

} // namespace

void overwriteWithZeros(int fd) noexcept
{
    overwriteWithZeros(fd, 0);
}

void overwriteWithZeros(int fd, std::uint64_t atLeast) noexcept
{
    struct stat st;
    if (::fstat(fd, &st) != 0) return;
    writeZeros(fd, 0, std::max<off_t>(st.st_size, static_cast<off_t>(atLeast)));
    ::fsync(fd);
}

void removeStaleTemporaries(const std::string& folder) noexcept
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    // The names first: moving files aside while reading the folder could show one twice.
    std::string names;
    while (const dirent* e = ::readdir(dir))
        if (isTemporaryName(e->d_name)) names.append(e->d_name).push_back('\0');
    for (std::size_t at = 0; at < names.size(); at = names.find('\0', at) + 1) takeLeftover(::dirfd(dir), &names[at]);
    ::closedir(dir);
}

int LiveTemporaries::add(const std::string& path, int fd, bool overwrite) noexcept
{
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (!g_slots[i].state.compare_exchange_strong(expected, 1)) continue;
        g_slots[i].fd = fd;
        g_slots[i].kept = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        g_slots[i].overwrite = overwrite;
        g_slots[i].from.store(0);
        g_slots[i].to.store(0);
        g_slots[i].reach.store(0);
        std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
        g_slots[i].state.store(2);
        return i;
    }
    return -1;
}

void LiveTemporaries::remove(int slot) noexcept
{
    if (slot < 0 || slot >= kSlots) return;
    Slot& s = g_slots[slot];
    int live = kLive;
    // A slot the handler took stays as it is: the process is ending.
    if (!s.state.compare_exchange_strong(live, kBusy)) return;
    if (s.kept >= 0) ::close(s.kept);
    s.kept = -1;
    s.state.store(kFree);
}

void LiveTemporaries::writing(int slot, std::uint64_t from, std::uint64_t to) noexcept
{
    if (slot < 0 || slot >= kSlots) return;
    Slot& s = g_slots[slot];
    s.from.store(from);
    s.to.store(to);
    if (to > s.reach.load()) s.reach.store(to);
}

void LiveTemporaries::scrubAll() noexcept
{
    ScratchMoves::restoreAll(); // a wipe cut short leaves its file under its own name
    for (Slot& s : g_slots) {
        int live = kLive;
        if (!s.state.compare_exchange_strong(live, kScrubbed)) continue;
        // No write reaches the temporary after this; the handler keeps its own descriptor.
        const bool stopped = s.kept >= 0 && g_refuseWrites >= 0 && ::dup2(g_refuseWrites, s.fd) >= 0;
        const int fd = stopped ? s.kept : s.fd;
        // Removed by name first: a temporary already renamed to its final name is left alone.
        if (::unlink(s.path) != 0 || !s.overwrite) continue;
        overwriteWithZeros(fd, s.reach.load());
        // A write under way when the writes stopped may have landed after the zeros.
        writeZeros(fd, static_cast<off_t>(s.from.load()), static_cast<off_t>(s.to.load()));
        ::fsync(fd);
    }
}

void installInterruptCleanup()
{
    int ends[2];
    if (g_refuseWrites < 0 && ::pipe2(ends, O_CLOEXEC) == 0) {
        ::close(ends[1]);
        g_refuseWrites = ends[0];
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (int sig : kIgnored) ::sigaction(sig, &ignore, nullptr);
    struct sigaction sa {};
    sa.sa_handler = onInterrupt;
    sigemptyset(&sa.sa_mask);
    for (int sig : kInterrupts) sigaddset(&sa.sa_mask, sig);
    for (int sig : kInterrupts) {
        struct sigaction old {};
        // A signal the caller chose to ignore (nohup) stays ignored.
        if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        ::sigaction(sig, &sa, nullptr);
    }
}

} // namespace zerath
