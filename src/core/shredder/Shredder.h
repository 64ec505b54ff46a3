#pragma once
// Secure wiping: a file is opened for writing, moved to the first free scratch
// name of "$000000.tmp", "$000001.tmp", ... in its own folder (never over an
// existing file), overwritten from its first byte in whole 1024-byte blocks with
// 0xFF on odd passes and 0x00 on even ones, each pass flushed to storage, and
// then deleted for good. Nothing is deleted that was not overwritten, and a wipe
// that fails or is interrupted moves the file back to its own name.
#include "common/FileIO.h"
#include "common/Hooks.h"

#include <cstdint>
#include <functional>
#include <string>

namespace zerath {

// Where the wiping routine shows how far it got: the maximum is the number of
// passes, the position the pass just finished (after its data reached storage).
class WipeProgress {
public:
    virtual ~WipeProgress() = default;
    virtual void setMax(int max) = 0;
    virtual void setPosition(int position) = 0;
    // The bytes of the current file overwritten so far over all its passes,
    // told every few hundred kilobytes and at each pass's end; a display that
    // counts passes only ignores it.
    virtual void setBytesWritten(std::uint64_t) {}
};

class TShredder {
public:
    static constexpr const char* kTempName = "$000000.tmp";
    static constexpr int kMaxPasses = 10;
    static constexpr std::size_t kBlockSize = 1024;
    // The byte of pass k (1-based) is the low byte of entry k - 1.
    static constexpr std::uint32_t kPassPattern[kMaxPasses] = {0xFF, 0x00, 0xFF, 0x00, 0xFF,
                                                               0x00, 0xFF, 0x00, 0xFF, 0x00};

    // passCount is asked anew each time a file's overwriting begins.
    TShredder(std::function<int()> passCount, WipeProgress& progress, MessagePump& pump);

    // Wipes one file (absolute, or relative to the current directory). A path
    // that does not name a regular file (missing, a folder, a symbolic link) or
    // cannot be moved raises "Cannot find %s !" with the path as given; one that
    // cannot be opened for writing raises EFileError ("File access denied") and
    // keeps its name. A failure while overwriting (or OperationCancelled from the
    // pump) moves the file back to its name and passes on; when that name was
    // taken meanwhile, the file stays under its scratch name and the message
    // says so.
    void ShredFile(const std::string& path);
    // Overwrites the file at temp where it is and deletes it.
    void overwriteFile(const std::string& temp);
    // Permanent deletion, no recycle bin; true on success.
    bool EraseFile(const std::string& path);

    // The pass count actually used for a stored one: below 4 makes 4, above 10
    // makes 10.
    static int ClampPasses(int count);
    // Whole 1024-byte blocks a pass writes for a file of `size` bytes.
    static std::uint64_t BlocksFor(std::uint64_t size) { return (size + kBlockSize - 1) / kBlockSize; }

    // Files deleted by this routine; the shredder window resets it for a run.
    std::int32_t WipedFileCount = 0;

private:
    void overwrite(OutputFile& file);

    std::function<int()> passCount_;
    WipeProgress& progress_;
    MessagePump& pump_;
    bool busy_ = false; // events are processed between passes: no second wipe inside the first
};

} // namespace zerath
