#include "common/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <utility>

#include "common/InputFile.h"
#include "common/FolderBatch.h"
#include "common/Temporaries.h"

namespace zerath {

namespace {

// The test seam's plan and its counters; shared by every file in the process.
struct FaultState {
    std::mutex lock;
    bool active = false;
    FaultPlan plan;
    std::int64_t bytes = 0;
    int syncs = 0;
    int renames = 0;
    int pieces = 0;
    int threads = 0;
    int folderSyncs = 0;
};

FaultState& faults()
{
    static FaultState state;
    return state;
}

// How many of n bytes may still be written before the planned failure.
std::size_t allowedBytes(std::size_t n)
{
    FaultState& f = faults();
    std::lock_guard<std::mutex> g(f.lock);
    if (!f.active || f.plan.failAfterBytes < 0) return n;
    const std::int64_t left = f.plan.failAfterBytes - f.bytes;
    if (left <= 0) return 0;
    return static_cast<std::uint64_t>(left) < n ? static_cast<std::size_t>(left) : n;
}

void countBytes(std::size_t n)
{
    FaultState& f = faults();
    std::lock_guard<std::mutex> g(f.lock);
    if (f.active) f.bytes += static_cast<std::int64_t>(n);
}

bool syncShouldFail()
{
    FaultState& f = faults();
    std::lock_guard<std::mutex> g(f.lock);
    if (!f.active) return false;
    return f.syncs++ == f.plan.failOnSync;
}

bool renameShouldFail()
{
    FaultState& f = faults();
    std::lock_guard<std::mutex> g(f.lock);
    if (!f.active) return false;
    return f.renames++ == f.plan.failOnRename;
}

bool folderSyncShouldFail()
{
    FaultState& f = faults();
    std::lock_guard<std::mutex> g(f.lock);
    if (!f.active) return false;
    return f.folderSyncs++ == f.plan.failOnFolderSync;
}

bool safeRenameMissing()
{
    FaultState& f = faults();
    std::lock_guard<std::mutex> g(f.lock);
    return f.active && f.plan.noSafeRename;
}

int openRetry(const char* path, int flags, mode_t mode)
{
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

std::string fileErrorText(int err)
{
    switch (err) {
    case ENOENT:
        return "File not found";
    case EMFILE:
    case ENFILE:
        return "Too many open files";
    case EACCES:
    case EPERM:
    case EROFS:
        return "File access denied";
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return "Disk full";
    default:
        return "I/O error " + std::to_string(err);
    }
}

void throwFileError(int err)
{
    if (err == EEXIST) throw EFileExists(fileErrorText(err), err);
    throw EFileError(fileErrorText(err), err);
}

// ---- OutputFile ---------------------------------------------------------------

OutputFile OutputFile::create(const std::string& path, mode_t mode)
{
    const int fd = openRetry(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) throwFileError(errno);
    OutputFile f(fd);
    // Owner-only files stay owner-only even when the name existed with wider bits.
    if ((mode & 077) == 0 && ::fchmod(fd, mode) != 0) throwFileError(errno);
    return f;
}

OutputFile OutputFile::createNew(const std::string& path, mode_t mode)
{
    const int fd = openRetry(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) throwFileError(errno);
    return OutputFile(fd);
}

OutputFile OutputFile::openExisting(const std::string& path)
{
    const int fd = openRetry(path.c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0) throwFileError(errno);
    return OutputFile(fd);
}

OutputFile OutputFile::openExistingRegular(const std::string& path)
{
    const int fd = openRetry(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
    if (fd < 0) throwFileError(errno);
    OutputFile f(fd);
    struct stat st;
    if (::fstat(fd, &st) != 0) throwFileError(errno);
    if (!S_ISREG(st.st_mode)) throwFileError(EINVAL);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return f;
}

OutputFile::OutputFile(OutputFile&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}

OutputFile& OutputFile::operator=(OutputFile&& o) noexcept
{
    if (this != &o) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(o.fd_, -1);
    }
    return *this;
}

OutputFile::~OutputFile()
{
    if (fd_ >= 0) ::close(fd_);
}

void OutputFile::write(const void* data, std::size_t n)
{
    if (fd_ < 0) throwFileError(EBADF);
    const std::size_t allowed = allowedBytes(n);
    const char* p = static_cast<const char*>(data);
    std::size_t left = allowed;
    while (left > 0) {
        const ssize_t w = ::write(fd_, p, left);
        if (w < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            countBytes(allowed - left);
            throwFileError(err);
        }
        if (w == 0) {
            countBytes(allowed - left);
            throwFileError(ENOSPC);
        }
        p += w;
        left -= static_cast<std::size_t>(w);
    }
    countBytes(allowed);
    if (allowed < n) throwFileError(ENOSPC); // the planned failure
}

void OutputFile::seek(std::uint64_t offset)
{
    if (fd_ < 0) throwFileError(EBADF);
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) throwFileError(errno);
}

std::uint64_t OutputFile::size() const
{
    if (fd_ < 0) throwFileError(EBADF);
    struct stat st;
    if (::fstat(fd_, &st) != 0) throwFileError(errno);
    return static_cast<std::uint64_t>(st.st_size);
}

void OutputFile::sync()
{
    if (fd_ < 0) throwFileError(EBADF);
    if (syncShouldFail()) throwFileError(EIO);
    while (::fsync(fd_) != 0) {
        if (errno != EINTR) throwFileError(errno);
    }
}

void OutputFile::close()
{
    if (fd_ < 0) return;
    const int fd = std::exchange(fd_, -1);
    // The descriptor is gone after close whatever it answers; EINTR is not retried.
    if (::close(fd) != 0 && errno != EINTR) throwFileError(errno);
}

// ---- AtomicFile ---------------------------------------------------------------

namespace {

// The process's umask, read without changing it (other threads may be creating files).
mode_t processUmask()
{
    if (FILE* f = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, f)) found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(f);
        if (found) return static_cast<mode_t>(mask);
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// The mode a committed file gets in place of what is at path now.
mode_t committedMode(const std::string& path, mode_t mode)
{
    mode_t m = (mode & 077) == 0 ? mode : mode & ~processUmask();
    struct stat old;
    if (::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) m &= old.st_mode; // never widened
    return m & 0777;
}

} // namespace

AtomicFile::AtomicFile(std::string finalPath, mode_t mode, Scrub scrub)
    : finalPath_(std::move(finalPath)), mode_(mode), scrub_(scrub)
{
    const std::string folder = folderOf(finalPath_);
    FolderBatch::sweepStaleTemporaries(folder);
    file_ = OutputFile(createTemporary(folder, tempPath_));
    slot_ = LiveTemporaries::add(tempPath_, file_.fd(), scrub == Scrub::Overwrite);
}

AtomicFile::~AtomicFile()
{
    if (!done_) abort();
}

void AtomicFile::write(const void* data, std::size_t n)
{
    if (done_) throwFileError(EBADF);
    LiveTemporaries::writing(slot_, written_, written_ + n);
    file_.write(data, n);
    written_ += n;
    startWriteback();
}

void AtomicFile::startWriteback()
{
    // Only hints to the kernel: a failure here comes back from the flush in commit().
    // The range before last, once on disk, leaves the page cache: a large output
    // then cycles through a few MiB of cache instead of claiming fresh memory
    // for every page (slow to touch in a virtual machine) and pushing out what
    // the user's other programs have cached.
    constexpr std::uint64_t kStep = 8u << 20;
    while (written_ - writebackStarted_ >= kStep) {
        const auto at = static_cast<off_t>(writebackStarted_);
        ::sync_file_range(file_.fd(), at, kStep, SYNC_FILE_RANGE_WRITE);
        if (writebackStarted_ >= kStep) {
            const off_t before = at - static_cast<off_t>(kStep);
            ::sync_file_range(file_.fd(), before, kStep,
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
            ::posix_fadvise(file_.fd(), before, kStep, POSIX_FADV_DONTNEED);
        }
        writebackStarted_ += kStep;
    }
}

void AtomicFile::commit()
{
    (void)finish(true);
}

void AtomicFile::flush()
{
    if (done_) throwFileError(EBADF);
    try {
        if (::fchmod(file_.fd(), committedMode(finalPath_, mode_)) != 0) throwFileError(errno);
        file_.sync();
    } catch (...) {
        abort();
        throw;
    }
    flushed_ = true;
}

bool AtomicFile::commitUnlessExists()
{
    return finish(false);
}

bool AtomicFile::finish(bool replace)
{
    if (done_) throwFileError(EBADF);
    try {
        if (!flushed_) flush();
        // Renamed while still open and locked, so no clean-up can take it first.
        if (replace) renameFile(tempPath_, finalPath_);
        else renameFileNoReplace(tempPath_, finalPath_);
    } catch (const EFileExists&) {
        if (!replace) return false;
        abort();
        throw;
    } catch (...) {
        abort();
        throw;
    }
    done_ = true;
    LiveTemporaries::remove(slot_);
    try {
        file_.close();
    } catch (...) { // the content is on disk under its final name already
    }
    FolderBatch::syncFolderOf(finalPath_);
    return true;
}

void AtomicFile::abort(Scrub scrub) noexcept
{
    if (done_) return;
    done_ = true;
    if (file_.isOpen() && (scrub == Scrub::Overwrite || scrub_ == Scrub::Overwrite)) overwriteWithZeros(file_.fd());
    if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
    LiveTemporaries::remove(slot_);
    try {
        file_.close();
    } catch (...) {
    }
}

// ---- whole files and names ----------------------------------------------------

void writeFileAtomically(const std::string& path, std::string_view content, mode_t mode)
{
    AtomicFile f(path, mode);
    f.write(content);
    f.commit();
}

std::string resolvedPath(const std::string& path)
{
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink(p.c_str(), target, sizeof target - 1);
        if (n <= 0) return p; // not a link (or gone)
        const std::string t(target, static_cast<std::size_t>(n));
        p = t.front() == '/' ? t : folderOf(p) + t;
    }
    return p;
}

std::string readWholeFile(const std::string& path, std::size_t maxBytes)
{
    InputFile in(path);
    if (in.size() > maxBytes) throw EFileError("File too large");

    std::string out;
    out.reserve(static_cast<std::size_t>(in.size()));
    char buf[65536];
    for (;;) {
        const std::size_t r = in.read(buf, sizeof buf);
        if (r == 0) break;
        // A file that grows while it is read (or a pipe) is held to the same limit.
        if (out.size() + r > maxBytes) throw EFileError("File too large");
        out.append(buf, r);
    }
    return out;
}

bool fileExists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool isRegularFile(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::int64_t fileSize(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

void renameFile(const std::string& from, const std::string& to)
{
    if (renameShouldFail()) throwFileError(EIO);
    if (::rename(from.c_str(), to.c_str()) != 0) throwFileError(errno);
}

void renameFileNoReplace(const std::string& from, const std::string& to)
{
    if (renameShouldFail()) throwFileError(EIO);
    const bool missing = safeRenameMissing();
    if (!missing && ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
    const int err = missing ? EINVAL : errno;
    if (err != EINVAL && err != ENOSYS) throwFileError(err);
    // A file system without no-replace renames: a hard link fails on an existing
    // target just the same, and the old name is removed once the new one exists.
    if (!missing && ::link(from.c_str(), to.c_str()) == 0) {
        if (::unlink(from.c_str()) == 0) return;
        const int e = errno;
        ::unlink(to.c_str());
        throwFileError(e);
    }
    const int linkErr = missing ? EPERM : errno;
    if (linkErr != EPERM && linkErr != ENOSYS && linkErr != EOPNOTSUPP) throwFileError(linkErr);
    // Without links too: the name is claimed by an empty placeholder that only
    // this call can have created, and the file is renamed over it.
    const int fd = openRetry(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kOwnerOnly);
    if (fd < 0 && errno == EEXIST) throw ENoSafeReplacement();
    if (fd < 0) throwFileError(errno);
    ::close(fd);
    if (::rename(from.c_str(), to.c_str()) != 0) {
        const int e = errno;
        ::unlink(to.c_str());
        throwFileError(e);
    }
}

bool removeFile(const std::string& path) noexcept
{
    return ::unlink(path.c_str()) == 0;
}

void syncFolderOf(const std::string& path) noexcept
{
    const std::string folder = folderOf(path);
    const int fd = openRetry(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

void flushFolderOf(const std::string& path)
{
    if (folderSyncShouldFail()) throwFileError(EIO);
    const std::string folder = folderOf(path);
    const int fd = openRetry(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) return;
    int err = 0;
    while (::fsync(fd) != 0 && (err = errno) == EINTR) err = 0;
    ::close(fd);
    if (err != 0 && err != EINVAL && err != EOPNOTSUPP) throwFileError(err);
}

std::string folderOf(const std::string& path)
{
    const auto pos = path.rfind('/');
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string baseNameOf(const std::string& path)
{
    const auto pos = path.rfind('/');
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

// ---- test seam ----------------------------------------------------------------

namespace {

// A new plan (or none) with the counters back at zero.
void resetFaults(bool active, const FaultPlan& plan)
{
    FaultState& f = faults();
    std::lock_guard<std::mutex> g(f.lock);
    f.active = active;
    f.plan = plan;
    f.bytes = 0;
    f.syncs = 0;
    f.renames = 0;
    f.pieces = 0;
    f.threads = 0;
    f.folderSyncs = 0;
}

} // namespace

void FaultInjection::set(const FaultPlan& plan) { resetFaults(true, plan); }

void FaultInjection::clear() { resetFaults(false, FaultPlan{}); }

bool FaultInjection::active()
{
    FaultState& f = faults();
    std::lock_guard<std::mutex> g(f.lock);
    return f.active;
}

bool FaultInjection::pieceShouldFail()
{
    FaultState& f = faults();
    std::lock_guard<std::mutex> g(f.lock);
    if (!f.active) return false;
    return f.pieces++ == f.plan.failOnPiece;
}

void FaultInjection::threadStarting()
{
    FaultState& f = faults();
    std::lock_guard<std::mutex> g(f.lock);
    if (f.active && f.plan.threadStarts >= 0 && f.threads++ >= f.plan.threadStarts)
        throw std::system_error(EAGAIN, std::generic_category(), "Resource temporarily unavailable");
}

int FaultInjection::renames()
{
    FaultState& f = faults();
    std::lock_guard<std::mutex> g(f.lock);
    return f.renames;
}

int FaultInjection::folderSyncs()
{
    FaultState& f = faults();
    std::lock_guard<std::mutex> g(f.lock);
    return f.folderSyncs;
}

std::int64_t FaultInjection::bytesWritten()
{
    FaultState& f = faults();
    std::lock_guard<std::mutex> g(f.lock);
    return f.bytes;
}

} // namespace zerath
