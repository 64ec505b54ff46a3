#include "common/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/Error.h"
#include "common/FileIO.h"

namespace zerath {

InputFile::InputFile(const std::string& path)
{
    do {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) throwFileError(errno);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        const int err = errno;
        ::close(fd_);
        fd_ = -1;
        throwFileError(err);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throwFileError(EISDIR);
    }
    size_ = static_cast<std::uint64_t>(st.st_size);
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
}

InputFile::InputFile(int descriptor)
{
    fd_ = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 3);
    if (fd_ < 0) throwFileError(errno);
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) {
        const off_t at = ::lseek(fd_, 0, SEEK_CUR);
        size_ = at >= 0 && at <= st.st_size ? static_cast<std::uint64_t>(st.st_size - at) : 0;
    }
}

InputFile::~InputFile()
{
    if (fd_ >= 0) ::close(fd_);
}

std::size_t InputFile::read(void* buf, std::size_t n)
{
    auto* p = static_cast<unsigned char*>(buf);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = ::read(fd_, p + done, n - done);
        if (r < 0) {
            if (errno == EINTR) continue;
            throwFileError(errno);
        }
        if (r == 0) break;
        done += static_cast<std::size_t>(r);
    }
    position_ += done;
    return done;
}

void InputFile::readExact(void* buf, std::size_t n)
{
    if (read(buf, n) != n) throw EFileError("Unexpected end of file");
}

} // namespace zerath
