#include "shredder/Shredder.h"

#include "common/Error.h"
#include "common/FileIO.h"

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

void TShredder::ShredFile(const std::string& path)
{
    BusyGuard busy(busy_);
    // Only a regular file is wiped: a folder cannot be, and a link would have
    // its target's content destroyed under another name.
    if (!isRegularFile(path)) throw Error(cannotFind(path));

    const std::string temp = folderOf(path) + kTempName;
    if (baseNameOf(path) != kTempName) {
        // A leftover of an earlier failed wipe goes first, by ordinary deletion.
        if (fileExists(temp)) removeFile(temp);
        try {
            renameFileNoReplace(path, temp);
        } catch (const EFileError&) {
            throw Error(cannotFind(path));
        }
    }
    // A file that already bears the temporary name is wiped where it is, rather
    // than deleted unwiped as a leftover.
    overwrite(temp);
}

void TShredder::overwriteFile(const std::string& temp)
{
    BusyGuard busy(busy_);
    overwrite(temp);
}

void TShredder::overwrite(const std::string& temp)
{
    const int passes = ClampPasses(passCount_ ? passCount_() : 0);
    progress_.setMax(passes);

    OutputFile file = OutputFile::openExistingRegular(temp);
    const std::uint64_t blocks = BlocksFor(file.size());
    unsigned char buffer[kBlockSize];
    for (int k = 1; k <= passes; ++k) {
        file.seek(0);
        std::memset(buffer, static_cast<int>(kPassPattern[k - 1] & 0xFF), sizeof buffer);
        for (std::uint64_t b = 0; b < blocks; ++b) file.write(buffer, sizeof buffer);
        // Each pattern reaches the disk before the next replaces it in the cache.
        file.sync();
        progress_.setPosition(k);
        pump_.processEvents();
    }
    file.close();

    if (EraseFile(folderOf(temp) + kTempName)) ++WipedFileCount;
}

bool TShredder::EraseFile(const std::string& path)
{
    if (!removeFile(path)) return false;
    syncFolderOf(path);
    return true;
}

} // namespace zerath
