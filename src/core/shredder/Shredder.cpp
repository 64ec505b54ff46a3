#include "shredder/Shredder.h"

#include "common/Error.h"
#include "common/FileIO.h"
#include "common/ScratchMoves.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

namespace zerath {

namespace {

std::string cannotFind(const std::string& path)
{
    return "Cannot find " + path + " !";
}

// Marks a wipe as running for as long as it lasts.
class BusyGuard {
public:
    explicit BusyGuard(bool& flag) : flag_(flag)
    {
        if (flag_) throw Error("A file is already being wiped");
        flag_ = true;
    }
    ~BusyGuard() { flag_ = false; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    bool& flag_;
};

} // namespace

TShredder::TShredder(std::function<int()> passCount, WipeProgress& progress, MessagePump& pump)
    : passCount_(std::move(passCount)), progress_(progress), pump_(pump)
{
}

int TShredder::ClampPasses(int count)
{
    // Never fewer than four passes: a count of 0 would delete the file unwiped.
    if (count < 4) return 4;
    return count > kMaxPasses ? kMaxPasses : count;
}

namespace {

// The scratch name number n: "$000000.tmp" for 0.
std::string scratchName(int n)
{
    char name[16];
    std::snprintf(name, sizeof name, "$%06d.tmp", n);
    return name;
}

constexpr int kScratchNames = 1000000;
// Blocks written between two byte counts told to the progress display (256 kB).
constexpr std::uint64_t kReportBlocks = 256;

// Moves the file to the first free scratch name and answers it; the file must
// still be the one open as `file`, else it goes back and nothing is wiped.
std::string moveToScratch(const std::string& path, const OutputFile& file)
{
    for (int n = 0; n < kScratchNames; ++n) {
        const std::string scratch = folderOf(path) + scratchName(n);
        try {
            renameFileNoReplace(path, scratch);
        } catch (const EFileExists&) {
            continue;
        } catch (const EFileError&) {
            break;
        }
        struct stat moved{}, open{};
        if (::lstat(scratch.c_str(), &moved) == 0 && ::fstat(file.fd(), &open) == 0 && moved.st_dev == open.st_dev &&
            moved.st_ino == open.st_ino)
            return scratch;
        try {
            renameFileNoReplace(scratch, path);
        } catch (const EFileError&) {
        }
        break;
    }
    throw Error(cannotFind(path));
}

} // namespace

void TShredder::ShredFile(const std::string& path)
{
    BusyGuard busy(busy_);
    // Only a regular file is wiped: a folder cannot be, and a link would have
    // its target's content destroyed under another name.
    if (!isRegularFile(path)) throw Error(cannotFind(path));
    // Opened before it moves: a file that cannot be written keeps its name.
    OutputFile file = OutputFile::openExistingRegular(path);
    const std::string scratch = moveToScratch(path, file);
    const int slot = ScratchMoves::add(scratch.c_str(), path.c_str());
    try {
        overwrite(file);
    } catch (const std::exception& e) {
        ScratchMoves::remove(slot);
        file = OutputFile();
        try {
            renameFileNoReplace(scratch, path);
        } catch (const EFileError&) {
            throw Error(std::string(e.what()) + " The file is left as " + scratch + ".");
        }
        throw;
    }
    ScratchMoves::remove(slot);
    if (EraseFile(scratch)) ++WipedFileCount;
}

void TShredder::overwriteFile(const std::string& temp)
{
    BusyGuard busy(busy_);
    OutputFile file = OutputFile::openExistingRegular(temp);
    overwrite(file);
    if (EraseFile(temp)) ++WipedFileCount;
}

void TShredder::overwrite(OutputFile& file)
{
    const int passes = ClampPasses(passCount_ ? passCount_() : 0);
    progress_.setMax(passes);

    const std::uint64_t blocks = BlocksFor(file.size());
    const std::uint64_t passBytes = blocks * kBlockSize;
    unsigned char buffer[kBlockSize];
    for (int k = 1; k <= passes; ++k) {
        const std::uint64_t before = static_cast<std::uint64_t>(k - 1) * passBytes;
        file.seek(0);
        std::memset(buffer, static_cast<int>(kPassPattern[k - 1] & 0xFF), sizeof buffer);
        for (std::uint64_t b = 1; b <= blocks; ++b) {
            file.write(buffer, sizeof buffer);
            if (b % kReportBlocks == 0) progress_.setBytesWritten(before + b * kBlockSize);
        }
        // Each pattern reaches the disk before the next replaces it in the cache.
        file.sync();
        progress_.setBytesWritten(before + passBytes);
        progress_.setPosition(k);
        pump_.processEvents();
    }
    file.close();
}

bool TShredder::EraseFile(const std::string& path)
{
    if (!removeFile(path)) return false;
    syncFolderOf(path);
    return true;
}

} // namespace zerath
