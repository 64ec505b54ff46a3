#pragma once
// The folder work of a batch of files, done once per folder instead of once
// per file. While a FolderBatch lives (one per batch command; they may nest):
//  - the stale temporaries crashed writers left in a folder are cleared by the
//    first output written there, not by every one;
//  - the folder flush that makes an output's rename durable waits until the
//    batch ends, then each folder is flushed once. Every output's own content
//    is still flushed before its rename, so before it is reported done.
// A caller about to destroy data that an output replaces (wiping its source)
// flushes that output's folder first with flushNow().
// Outside a batch every call does its work at once, as before.
#include <string>

namespace zerath {

class FolderBatch {
public:
    FolderBatch();
    ~FolderBatch(); // flushes every folder still owed a flush
    FolderBatch(const FolderBatch&) = delete;
    FolderBatch& operator=(const FolderBatch&) = delete;

    // Clears the stale temporaries of the folder unless this batch has.
    static void sweepStaleTemporaries(const std::string& folder);
    // Flushes the folder of path, now or at the end of the batch.
    static void syncFolderOf(const std::string& path);
    // Flushes the folder of path now when the batch owes it a flush.
    static void flushNow(const std::string& path);
};

} // namespace zerath
