#include "common/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "common/FileIO.h"

namespace zerath {

FileLock::FileLock(const std::string& file)
{
    const std::string path = file + ".lock";
    do {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, kOwnerOnly);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) throwFileError(errno);
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        const int err = errno;
        ::close(fd_);
        throwFileError(err);
    }
}

FileLock::~FileLock()
{
    ::close(fd_); // releases the lock
}

} // namespace zerath
