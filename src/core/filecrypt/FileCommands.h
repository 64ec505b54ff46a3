#pragma once
// The two file commands of the main window: encrypt a file for a recipient in
// the key ring, and decrypt a file with an own key pair. Each checks and asks in
// a fixed order; a stop with a message is a zerath::UserMessage of the message
// box kind the user sees; a stop by the user's answer returns done = false.
//
// Both write their output under a temporary name in the output's folder and
// rename it over the final name only once complete (for decryption, once zlib
// has verified the Adler-32), so a failure leaves no partial output and leaves
// an existing file of that name untouched. Memory stays bounded whatever the
// file size: the source is compressed and enciphered in pieces, and the stages
// (reading, compressing on every core or inflating, enciphering, writing) run
// side by side on their own threads.
#include <functional>
#include <memory>
#include <string>

#include "filecrypt/FileCommandUi.h"

namespace zerath {

class KeyPairCache;
class KeyRing;
class PieceStock;
class RecipientCache;
class TaskPool;

struct EncryptOptions {
    std::string keyId;          // the recipient's KeyID
    std::string sourcePath;
    int cipherIndex = 0;        // the selected entry of the cipher list
    bool stealthyCipher = false; // pick the cipher at random
    bool wipeOriginal = false;  // the "Wipe Out Original File" box
    int compressionIndex = 1;   // 0..3
    std::size_t pieceSize = 0;  // the pipeline's piece; 0: the default (tests use small ones)
    // Wipes the source after a successful encryption.
    std::function<void(const std::string&)> shredFile;
    TaskPool* flusher = nullptr; // see FileCommandResult::complete
    PieceStock* buffers = nullptr; // a batch's buffers, kept from file to file
    RecipientCache* recipients = nullptr; // a batch's recipients (none: opened for this file alone)
};

struct DecryptOptions {
    std::string keyId;     // the own key pair's KeyID
    std::string encryptedPath;
    std::size_t pieceSize = 0;  // as for encryption
    KeyPairCache* keyPairs = nullptr; // a batch's opened key pairs (none: opened for this file alone)
    TaskPool* flusher = nullptr; // see FileCommandResult::complete
    PieceStock* buffers = nullptr; // as for encryption
};

struct FileCommandResult {
    bool done = false;       // false: stopped by the user's answer, nothing written
    std::string outputPath;
    int cipherIndex = -1;
    std::string message;     // the information text shown on success
    // With a flusher in the options, a command whose output is written returns
    // at once, its output being flushed on the flusher's threads, and this is
    // set: called later on the same thread, it waits for the flush, commits the
    // output (and wipes the source when asked) and gives the final result, or
    // throws the file's failure. Dropped uncalled, the output is removed.
    std::function<FileCommandResult()> complete{};
};

// A command split in two for a batch that works on several files at once.
// Prepare* makes the checks and asks the questions, on the caller's thread,
// and gives the job, or nullptr when the user's answer stopped the command
// (nothing written). The job's run() reads, enciphers or deciphers and
// writes, and asks nothing once given a flusher: it may then run on another
// thread with a ui that only takes progress and tells of a cancel, the commit
// waiting for complete() on the caller's thread. The question a commit may
// still ask (a file that appeared meanwhile) goes to the ui given to Prepare*.
class FileJob {
public:
    virtual ~FileJob() = default;
    virtual FileCommandResult run(FileCommandUi& progressUi) = 0;
};

// The piece a command works in unless told otherwise; a file of at most one
// piece takes no thread of its own.
inline constexpr std::size_t kDefaultPiece = 1 << 20;

// Messages of the commands.
inline constexpr const char* kKeyNotInKeyRing =
    "The selected key is no longer in the key ring. Select a key and try again.";
inline constexpr const char* kEncryptError = "An error occurred while encrypting the file";
inline constexpr const char* kDecryptError = "An error occurred while decrypting the file";
inline constexpr const char* kWrongPassphrase = "Uncorrect Passphrase for the private key. Decryption aborted";
// A source whose size, last change or file changed while it was read: its
// output is removed and it is not wiped.
inline constexpr const char* kSourceChanged = "The file changed while it was being encrypted.";
inline constexpr const char* kWipeQuestion =
    "You have selected to remove the original file permenently\rRemove after successful encryption?";

FileCommandResult EncryptFile(KeyRing& keyRing, const EncryptOptions& options, FileCommandUi& ui);
FileCommandResult DecryptFile(KeyRing& keyRing, const DecryptOptions& options, FileCommandUi& ui);
std::unique_ptr<FileJob> PrepareEncrypt(KeyRing& keyRing, const EncryptOptions& options, FileCommandUi& ui);
std::unique_ptr<FileJob> PrepareDecrypt(KeyRing& keyRing, const DecryptOptions& options, FileCommandUi& ui);

// "Output file "<name>" already exists. Overwrite?"
std::string overwriteQuestion(const std::string& outputPath);
// secret.txt.enc and secret.txt.ENC give secret.txt; anything else gets ".dec".
std::string decryptedName(const std::string& encryptedPath);
// "Compression: R%" for a source of s bytes and a zlib stream of c bytes.
std::string compressionStatus(std::uint64_t s, std::uint64_t c);

} // namespace zerath
