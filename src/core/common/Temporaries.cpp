#include "common/Temporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

#include "common/FileIO.h"
#include "common/ScratchMoves.h"

namespace zerath {

namespace {

constexpr std::string_view kPrefix = ".zerath-";
constexpr std::string_view kSuffix = ".tmp";
constexpr std::size_t kRandomChars = 6;

// One live temporary, filled in ordinary code and read by the signal handler.
struct Slot {
    std::atomic<int> state{0}; // 0 free, 1 being filled, 2 live
    int fd = -1;
    bool overwrite = false;
    char path[PATH_MAX] = {};
};

constexpr int kSlots = 64;
Slot g_slots[kSlots];

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP};

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

int createTemporary(const std::string& folder, std::string& path)
{
    for (;;) {
        std::string name = folder + std::string(kPrefix) + std::string(kRandomChars, 'X') + std::string(kSuffix);
        const int fd = ::mkostemps(name.data(), static_cast<int>(kSuffix.size()), O_CLOEXEC); // owner-only
        if (fd < 0) throwFileError(errno);
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK) {
            path = std::move(name);
            return fd; // a file system without flock: nobody else can lock it either
        }
        // Another process's clean-up took it before our lock; that clean-up removes it.
        ::close(fd);
    }
}

void overwriteWithZeros(int fd) noexcept
{
    static const char zeros[64 * 1024] = {};
    struct stat st;
    if (::fstat(fd, &st) != 0) return;
    off_t offset = 0;
    while (offset < st.st_size) {
        const off_t left = st.st_size - offset;
        const ssize_t w = ::pwrite(fd, zeros, left < off_t(sizeof zeros) ? std::size_t(left) : sizeof zeros, offset);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) break;
        offset += w;
    }
    ::fsync(fd);
}

void removeStaleTemporaries(const std::string& folder) noexcept
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    const int dfd = ::dirfd(dir);
    while (const dirent* e = ::readdir(dir)) {
        if (!isTemporaryName(e->d_name)) continue;
        struct stat named;
        if (::fstatat(dfd, e->d_name, &named, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(named.st_mode)) continue;
        const int fd = ::openat(dfd, e->d_name, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st;
        // Its writer holds the lock for as long as it runs; the name must still be this file.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && st.st_nlink == 1 &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstatat(dfd, e->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == st.st_dev && named.st_ino == st.st_ino) {
            overwriteWithZeros(fd);
            ::unlinkat(dfd, e->d_name, 0);
        }
        ::close(fd);
    }
    ::closedir(dir);
}

int LiveTemporaries::add(const std::string& path, int fd, bool overwrite) noexcept
{
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (!g_slots[i].state.compare_exchange_strong(expected, 1)) continue;
        g_slots[i].fd = fd;
        g_slots[i].overwrite = overwrite;
        std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
        g_slots[i].state.store(2);
        return i;
    }
    return -1;
}

void LiveTemporaries::remove(int slot) noexcept
{
    if (slot >= 0 && slot < kSlots) g_slots[slot].state.store(0);
}

void LiveTemporaries::scrubAll() noexcept
{
    ScratchMoves::restoreAll(); // a wipe cut short leaves its file under its own name
    for (Slot& s : g_slots) {
        if (s.state.load() != 2) continue;
        // Removed by name first: a temporary already renamed to its final name is left alone.
        if (::unlink(s.path) == 0 && s.overwrite) overwriteWithZeros(s.fd);
    }
}

void installInterruptCleanup()
{
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
