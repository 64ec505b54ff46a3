#pragma once
// An exclusive lock around a read-modify-write of a shared file (the key ring,
// the settings): flock on "<file>.lock" beside it, created owner-only and never
// deleted, so every process locks the same file. Pass the resolved name
// (resolvedPath), so that a link and its target share one lock. A lock another
// program holds is waited for up to the wait limit (10 s); then the lock fails
// with ELockBusy, whose text tells the user which file is in use.
#include <chrono>
#include <string>
#include <string_view>

#include "common/Error.h"

namespace zerath {

namespace lockmsg {
inline constexpr std::string_view KeyRingBusy =
    "The key ring is in use by another program. Try again when it has finished.";
inline constexpr std::string_view SettingsBusy =
    "The settings are in use by another program. Try again when it has finished.";
} // namespace lockmsg

// The lock stayed held by someone else for the whole wait (an ErrorBox).
class ELockBusy : public UserMessage {
public:
    explicit ELockBusy(std::string_view text) : UserMessage(ErrorBox, std::string(text)) {}
};

class FileLock {
public:
    static constexpr std::chrono::milliseconds kWaitLimit{10000};

    // busyText: the message of ELockBusy. Other failures throw EFileError.
    explicit FileLock(const std::string& file, std::string_view busyText = lockmsg::KeyRingBusy);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Tests shorten the wait; a zero or negative limit restores kWaitLimit.
    static void SetWaitLimit(std::chrono::milliseconds limit);

private:
    int fd_ = -1;
};

} // namespace zerath
