#pragma once
// The one way core touches files. Every write, flush and rename goes through
// here, so that tests can make any of them fail (see FaultInjection) and so that
// no command replaces a user's file before its new content is safely on disk.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/Error.h"

namespace zerath {

// The runtime's text for a system error code: ENOENT "File not found",
// EMFILE/ENFILE "Too many open files", EACCES/EPERM/EROFS "File access denied",
// ENOSPC/EDQUOT "Disk full", anything else "I/O error <code>".
std::string fileErrorText(int err);
// Throws EFileExists for EEXIST, EFileError otherwise.
[[noreturn]] void throwFileError(int err);

// A name that had to be new already exists ("I/O error 17").
class EFileExists : public EFileError {
public:
    using EFileError::EFileError;
};

// A file system with neither a no-replace rename nor hard links, asked to put a
// file where one exists: that cannot be done without the risk of replacing a
// file nobody agreed to replace.
inline constexpr const char* kNoSafeReplacementText =
    "This file system does not support safe replacement; choose another folder.";
class ENoSafeReplacement : public EFileError {
public:
    ENoSafeReplacement() : EFileError(kNoSafeReplacementText) {}
};

// Owner-only permission bits: temporaries while written, decrypted files, private
// key files, the key ring, the settings and their lock files. Everything else gets
// kDefaultMode less the umask.
constexpr mode_t kOwnerOnly = 0600;
constexpr mode_t kDefaultMode = 0666;

// A file open for writing (POSIX descriptor). Failures throw EFileError with the
// runtime's text for the cause: "File not found", "Too many open files",
// "File access denied", "Disk full" or "I/O error %d".
class OutputFile {
public:
    OutputFile() = default;
    // Creates or truncates. A new file gets mode less the umask; an owner-only
    // mode (no group or other bits) is also forced onto a file that existed.
    static OutputFile create(const std::string& path, mode_t mode = kDefaultMode);
    // Creates a new file; fails when the name exists.
    static OutputFile createNew(const std::string& path, mode_t mode = kDefaultMode);
    // Opens an existing file for reading and writing, neither creating nor truncating it.
    static OutputFile openExisting(const std::string& path);
    // The same for a regular file only: a final symbolic link is not followed
    // ("I/O error 40"), and anything else than a regular file fails ("I/O error 22").
    static OutputFile openExistingRegular(const std::string& path);
    OutputFile(OutputFile&&) noexcept;
    OutputFile& operator=(OutputFile&&) noexcept;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile(); // closes, never throws

    void write(const void* data, std::size_t n);
    void write(std::string_view s) { write(s.data(), s.size()); }
    void seek(std::uint64_t offset);
    std::uint64_t size() const;
    void sync();  // flush to storage (fsync)
    void close(); // reports a failing close
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }

private:
    friend class AtomicFile;
    explicit OutputFile(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// A new file written beside its final name under a temporary name in the same
// folder. commit() flushes it to storage and renames it over the final name;
// a file that is destroyed or aborted without commit removes its temporary, so
// a failure leaves the previous file (if any) untouched and no partial output.
// The temporary is a locked, owner-only ".zerath-XXXXXX.tmp" (common/Temporaries.h),
// removed on an interrupt; creating one first clears crashed writers' leftovers in
// that folder. commit() gives the file its mode (an owner-only mode as it is,
// another less the umask, and never wider than the file it replaces), flushes it,
// renames it while still locked, then flushes the folder (a failing folder flush
// fails the commit, although the file already has its final name).
// Writeback starts while the file is written (each few MiB are handed to the
// disk, and the step before last is waited for), so the flush in commit()
// covers only the tail and dirty data in memory stays bounded.
// Scrub::Overwrite (given here or to abort) overwrites what was written with
// zeros before removal, for a temporary that may hold deciphered data.
class AtomicFile {
public:
    enum class Scrub { None, Overwrite };
    explicit AtomicFile(std::string finalPath, mode_t mode = kDefaultMode, Scrub scrub = Scrub::None);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    void write(const void* data, std::size_t n);
    void write(std::string_view s) { write(s.data(), s.size()); }
    void commit();
    // The first half of commit(): gives the file its mode and flushes it, so
    // that commit() has only the rename left. May run on another thread than
    // the rest, never at the same time. A failure removes the temporary.
    void flush();
    // The same without replacing: false when the final name exists, and the
    // temporary is kept for commit() or abort().
    [[nodiscard]] bool commitUnlessExists();
    void abort(Scrub scrub = Scrub::None) noexcept;
    const std::string& tempPath() const { return tempPath_; }
    const std::string& finalPath() const { return finalPath_; }

private:
    bool finish(bool replace);
    void startWriteback();

    std::string finalPath_;
    std::string tempPath_;
    OutputFile file_;
    mode_t mode_;
    Scrub scrub_;
    int slot_ = -1;
    bool done_ = false;
    bool flushed_ = false;
    std::uint64_t written_ = 0;
    std::uint64_t writebackStarted_ = 0; // bytes handed to the disk so far
};

// Whole-file helpers.
void writeFileAtomically(const std::string& path, std::string_view content, mode_t mode = kDefaultMode);
// The file a write to path changes: symbolic links followed (a dangling one to
// the name it points at), so a link stays a link. path itself when it is none.
std::string resolvedPath(const std::string& path);
// Reads a whole file; a file above maxBytes fails with "File too large".
std::string readWholeFile(const std::string& path, std::size_t maxBytes = 64u << 20);

bool fileExists(const std::string& path);        // anything by that name
bool isRegularFile(const std::string& path);     // a regular file, not following a final link
std::int64_t fileSize(const std::string& path);  // -1 when it cannot be read
void renameFile(const std::string& from, const std::string& to); // throws EFileError
// A move that fails (EEXIST, "I/O error 17") when the target name exists.
// Without no-replace renames it takes a hard link; without those too, a new
// target is first created empty (exclusively) and then renamed over, and an
// existing one fails with ENoSafeReplacement.
void renameFileNoReplace(const std::string& from, const std::string& to);
bool removeFile(const std::string& path) noexcept;
void syncFolderOf(const std::string& path) noexcept;
// The same, failing when the flush does (a folder that cannot be opened for
// reading, or a file system without folder flushes, passes).
void flushFolderOf(const std::string& path);
std::string folderOf(const std::string& path);   // up to and including the last '/', or ""
std::string baseNameOf(const std::string& path);

// Test seam: makes file writes fail on purpose. Counters are process-wide.
struct FaultPlan {
    std::int64_t failAfterBytes = -1; // total bytes written (all files) before a write fails with "Disk full"
    int failOnSync = -1;              // the n-th sync (0-based) fails; -1 never
    int failOnRename = -1;            // the n-th rename (0-based) fails; -1 never
    int failOnPiece = -1;             // the n-th piece a compression worker takes (0-based) fails
    int threadStarts = -1;            // threads that may start; the next fail as under a process limit; -1 all
    int failOnFolderSync = -1;        // the n-th folder flush (0-based) fails; -1 never
    bool noSafeRename = false;        // behave as a file system without no-replace renames and hard links
};
class FaultInjection {
public:
    static void set(const FaultPlan& plan);
    static void clear();
    static bool active();
    // Counts a piece of compression work; true when the plan fails it.
    static bool pieceShouldFail();
    // Called before a worker thread starts: throws what std::thread throws when
    // the plan allows no more threads (std::system_error, EAGAIN).
    static void threadStarting();
    // Bytes counted against failAfterBytes since the plan was set.
    static std::int64_t bytesWritten();
    // Renames and folder flushes since the plan was set.
    static int renames();
    static int folderSyncs();
};

} // namespace zerath
