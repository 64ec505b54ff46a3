#include "common/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "common/FileIO.h"

namespace zerath {

namespace {

std::chrono::milliseconds g_waitLimit = FileLock::kWaitLimit;

} // namespace

void FileLock::SetWaitLimit(std::chrono::milliseconds limit)
{
    g_waitLimit = limit.count() > 0 ? limit : kWaitLimit;
}

FileLock::FileLock(const std::string& file, std::string_view busyText)
{
    const std::string path = file + ".lock";
    do {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, kOwnerOnly);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) throwFileError(errno);
    // A holder that is stopped or hung would keep us waiting for ever: ask again
    // every few milliseconds until the limit, then say who is in the way.
    const auto deadline = std::chrono::steady_clock::now() + g_waitLimit;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        if (err == EINTR) continue;
        if (err != EWOULDBLOCK) {
            ::close(fd_);
            throwFileError(err);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(fd_);
            throw ELockBusy(busyText);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

FileLock::~FileLock()
{
    ::close(fd_); // releases the lock
}

} // namespace zerath
