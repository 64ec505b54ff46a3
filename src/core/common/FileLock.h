#pragma once
// An exclusive lock around a read-modify-write of a shared file (the key ring,
// the settings): flock on "<file>.lock" beside it, created owner-only and never
// deleted, so every process locks the same file. Pass the resolved name
// (resolvedPath), so that a link and its target share one lock. Blocks until
// the lock is free.
#include <string>

namespace zerath {

class FileLock {
public:
    explicit FileLock(const std::string& file); // failures throw EFileError
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_ = -1;
};

} // namespace zerath
