#pragma once
// The folder work of a batch of files, done once per folder instead of once
// per file. While a FolderBatch lives (one per batch command; they may nest):
//  - the stale temporaries crashed writers left in a folder are cleared by the
//    first output written there, not by every one;
//  - the folder flush that makes an output's rename durable waits until the
//    batch ends, then each folder is flushed once by finish(), which tells of
//    the flushes that failed. Every output's own content is still flushed
//    before its rename, so before it is reported done.
// A caller about to destroy data that an output replaces (wiping its source)
// flushes that output's folder first with flushNow().
// Outside a batch every call does its work at once, as before.
#include <string>
#include <vector>

namespace zerath {

class FolderBatch {
public:
    FolderBatch();
    ~FolderBatch(); // flushes every folder still owed a flush, its failures unheard
    FolderBatch(const FolderBatch&) = delete;
    FolderBatch& operator=(const FolderBatch&) = delete;

    // A folder whose flush failed: the renames of the outputs in it may not
    // survive a power cut.
    struct Failure {
        std::string folder; // "." for the current folder
        std::string reason; // the file layer's text for the cause
        int osError = 0;    // the system's error number, 0 when none
    };
    // Flushes every folder the batch owes a flush, now (an inner batch leaves
    // them to the outermost one), and tells which of those flushes failed.
    std::vector<Failure> finish();

    // Clears the stale temporaries of the folder unless this batch has.
    static void sweepStaleTemporaries(const std::string& folder);
    // Flushes the folder of path, now or at the end of the batch.
    static void syncFolderOf(const std::string& path);
    // Flushes the folder of path now when the batch owes it a flush.
    static void flushNow(const std::string& path);
};

} // namespace zerath
