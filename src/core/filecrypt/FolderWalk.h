#pragma once
// The files a batch takes from what the user handed over: a file stays as it
// is, a folder gives every regular file beneath it, hidden ones included, in
// name order folder by folder. The list is taken whole before any output is
// written, so outputs made during the batch never join it. What is not taken
// is named with the reason in words; nothing is left out silently.
#include <string>
#include <vector>

#include "common/Hooks.h"

namespace zerath {

struct SkippedFile {
    std::string path;
    std::string reason;
};

struct FileSelection {
    std::vector<std::string> files;
    std::vector<SkippedFile> skipped;
    bool hadFolder = false; // some argument was a folder
};

struct WalkOptions {
    bool decrypt = false;   // take only ".enc" files instead of leaving them out
    bool wipe = false;      // leave out files with more than one link
    std::string dataFolder; // its key ring, settings, locks and key files are left out
    MessagePump* pump = nullptr; // called between folders and every so many entries
};

// Reasons a file beneath a folder is not taken.
inline constexpr const char* kSkipLink = "symbolic link, not followed";
inline constexpr const char* kSkipOwnData = "Zerath's own data file";
inline constexpr const char* kSkipTemporary = "Zerath's temporary file";
inline constexpr const char* kSkipLinked = "has other hard links, which the wipe would destroy too";
inline constexpr const char* kSkipEncrypted = "already encrypted";
inline constexpr const char* kSkipNotEncrypted = "not an encrypted file";
inline constexpr const char* kSkipSpecial = "not a regular file";

// "cannot be read: permission denied" for EACCES, and so on.
std::string cannotBeRead(int err);

// Whether path names a folder (following a final link, as the user meant it).
bool isFolder(const std::string& path);

FileSelection SelectFiles(const std::vector<std::string>& paths, const WalkOptions& options);

} // namespace zerath
