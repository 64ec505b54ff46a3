#pragma once
// Several files in one go, each to its own output. A batch asks the wipe
// question once, the overwrite question per file (Yes to All and No to All
// answer the rest), and the passphrase once per key pair. A failure, a refused
// overwrite included, stops only its own file; a cancel stops the batch after
// removing the unfinished output, and the files already done stay done.
// A mistyped passphrase is asked again, three tries in all, before the files
// of that key pair are given up. Files of at most one piece are worked on
// side by side, one per usable core, after their questions were asked in
// order on the caller's thread; outputs are committed in the batch's order.
#include <string>
#include <vector>

#include "filecrypt/FileCommands.h"
#include "filecrypt/FolderWalk.h"

namespace zerath {

struct BatchFileResult {
    enum class Outcome { Done, Refused, Failed, Cancelled };
    std::string path;
    Outcome outcome = Outcome::Failed;
    std::string outputPath;
    std::string message; // the success text, or what stopped the file
    int osError = 0;     // the system's error number behind a failure, 0 when none
};

struct BatchResult {
    std::vector<BatchFileResult> files; // those the batch reached, in order
    std::vector<SkippedFile> skipped;   // left out of the list beforehand
    std::size_t total = 0;              // files the batch was to do
    bool cancelled = false;
    // Folders whose flush at the batch's end failed (path: the folder): the
    // files done there are, but their names may not survive a power cut.
    std::vector<BatchFileResult> folders;
    int failures() const; // every file not done and every folder not flushed
};

// What a refused overwrite leaves: "kept the existing NAME".
std::string keptExisting(const std::string& outputPath);
inline constexpr const char* kFolderNotFlushed =
    "the folder could not be flushed to disk; the files written to it may not survive a power failure";
inline constexpr const char* kGivenUp = "given up: the passphrase of its key pair was refused";

// Encrypts each file for the same recipient with the same options.
BatchResult EncryptFiles(KeyRing& keyRing, const EncryptOptions& each, const std::vector<std::string>& files,
                         FileCommandUi& ui);
// Decrypts each file with the key pair it was made for; selectedKeyId is the
// key the user selected (may be empty).
BatchResult DecryptFiles(KeyRing& keyRing, const std::string& selectedKeyId, const std::vector<std::string>& files,
                         FileCommandUi& ui);

} // namespace zerath
