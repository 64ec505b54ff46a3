#pragma once
// The key manager's operations: import of key files into the key ring, export
// of keys as key files, removal, passphrase change, key information and the
// fingerprint comparison. Every question to the user is a callback, so a window
// or the command-line program supplies the answer; every outcome the user sees
// is a UserMessage with its box kind and exact text, which the caller shows.
//
// The key manager owns its own table on the key ring. Open() when the window is
// shown (after the main window closed its table); Close() when it is hidden
// (this writes deletions and passphrase changes), then the main window reopens
// its own.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Error.h"
#include "common/Secure.h"
#include "keyring/KeyRecord.h"
#include "keyring/KeyRing.h"

namespace zerath {

// Asks for a passphrase; false when the user cancels.
using PassphrasePrompt = std::function<bool(SecureString& passphrase)>;
// Asks for a file name to write, starting from a proposed one; false on cancel.
using SavePathPrompt = std::function<bool(std::string& path)>;
// Shows a question (a warning with OK and Cancel); true for OK.
using ConfirmPrompt = std::function<bool(const UserMessage& question)>;

// Texts of the key manager.
namespace keymsg {
inline constexpr std::string_view UnknownKeyFile = "Unknown key file, operation aborted";
inline constexpr std::string_view ImportFailed = "Uncorrect passphrase, Error Importing key file, operation aborted";
inline constexpr std::string_view DeleteQuestion = "Delete current key?";
inline constexpr std::string_view PrivateExportWarning =
    "You are about to export private key,\rnever send private keys over internet.\r"
    "Copy them to a secure media and Keep them in a safe place";
inline constexpr std::string_view WrongExportPassphrase = "Uncorrect Private Key passphrase?";
inline constexpr std::string_view PrivateKeyMismatch = "Private Key does not mutch?";
inline constexpr std::string_view PrivateKeyCorrupted =
    "Private Key corrupted and cannot be exported.\rDelete and reload it from original key file";
inline constexpr std::string_view PublicExportError = "Error Exporting Public Key.";
inline constexpr std::string_view PublicKeyCorrupted =
    "Public Key corrupted and cannot be exported.\rDelete and reload it from original key file";
inline constexpr std::string_view WrongCurrentPassphrase = "Uncorrect passphrase, operation aboted";
inline constexpr std::string_view PassphraseMismatch = "The new passphrase does not match the confirmed passphrase";
inline constexpr std::string_view PassphraseTooShort = "The new passphrase length must have 8 characters minimum! ";
inline constexpr std::string_view PassphraseChanged = "Passphrase was changed succussfully ";
inline constexpr std::string_view PassphraseChangeFailed = "Error changing the Passphrase";
inline constexpr std::string_view FingerprintsSame = "The two fingerprints are the same";
inline constexpr std::string_view FingerprintsDifferent = "The two fingerprints are different";
// "The Key with ID: " + id + " already exists." + LF + " To add this key, remove the previous key."
std::string DuplicateKey(std::string_view keyId);
} // namespace keymsg

// The new passphrase of a key pair must have at least this many characters.
inline constexpr std::size_t kMinPassphraseLength = 8;

// What the key manager window shows for the current record.
struct KeyManagerView {
    std::string fingerprint;         // key fingerprint of the current record in groups of four, empty when none
    std::string recordFingerprint;   // its FP field
    bool privateExportEnabled = false; // key pair: Export Private Key and Change Passphrase
    bool changePassphraseEnabled = false;
    bool publicExportEnabled = false;  // any current record: Export Public Key and Remove Key
    bool removeEnabled = false;
    bool keyInfoEnabled = false;       // double click on the list opens the key information
    std::string countText;           // the record count, or "No keys"
};

// One line of `zerath-cli list`.
struct KeySummary {
    std::string Type;
    std::string UserID;
    std::string KeyID;
    std::string KeyLength;
    std::string Date;
    std::string FP;
    std::string KeyFingerprint; // 40 digits; empty when the record's numbers cannot be read
};

class KeyManager {
public:
    // programFolder: where the key ring lives and where exported files are proposed.
    explicit KeyManager(std::string programFolder);

    KeyRing& Ring() { return ring_; }
    const KeyRing& Ring() const { return ring_; }

    // Opens the key manager's table (left closed when the key ring file is missing).
    void Open();
    // Closes it, writing deletions and passphrase changes.
    void Close();

    KeyManagerView View() const;
    std::vector<KeySummary> ListKeys() const;

    // Imports a key file and answers the new key's ID; nullopt when the user
    // cancelled the passphrase question. Raises UserMessage: ErrorBox
    // "Unknown key file, operation aborted"; ErrorBox "Uncorrect passphrase, Error
    // Importing key file, operation aborted"; ErrorBox with the KeyRules text for
    // a key the key ring cannot hold or encrypt to; WarningBox for a key ID already present, or
    // for the same numbers under another key ID in a record of the same type
    // (DuplicateKeyRefusal, checked under the key ring's lock; the record named
    // becomes current); PlainBox "Cannot add new key to database". The key ring
    // is unchanged after every one of them. File system errors reading the file
    // pass through.
    std::optional<std::string> ImportKey(const std::string& fileName, const PassphrasePrompt& askPassphrase);

    // Proposed names: program folder + "Public"/"Private" + KeyID + ".akf".
    std::string ProposedPublicFileName() const;
    std::string ProposedPrivateFileName() const;

    // Exports the current record's public key; false when the user cancelled the
    // file choice. choosePath must ask before it answers an existing file (or
    // refuse it); a file that appears at the chosen name before the write ends is
    // never replaced: choosePath is asked again. Raises UserMessage WarningBox "Error Exporting Public Key." or
    // ErrorBox (public key corrupted). Errors writing the file pass through.
    bool ExportPublicKey(const SavePathPrompt& choosePath);
    // Exports the current key pair as a private key file (owner-only) under the
    // passphrase the user types; false when the user cancelled a question.
    // Raises UserMessage ErrorBox "Uncorrect Private Key passphrase?", WarningBox
    // "Private Key does not mutch?", ErrorBox (private key corrupted). Errors
    // writing the file pass through.
    bool ExportPrivateKey(const ConfirmPrompt& confirm, const PassphrasePrompt& askPassphrase,
                          const SavePathPrompt& choosePath);

    // Removes the current record after the question "Delete current key?";
    // false when the user cancelled or there is no current record. The file is
    // written when the table is closed or at the next import.
    bool RemoveCurrentKey(const ConfirmPrompt& confirm);

    // Whether passphrase unprotects the current record's ExponentD into a number.
    bool CheckPrivatePassphrase(std::string_view passphrase) const;
    // Re-protects the current record's ExponentD under the new passphrase (in
    // memory until Close). False on any error.
    bool ChangePassphraseProc(std::string_view oldPassphrase, std::string_view newPassphrase);
    // The whole change with its checks in order; gives the InformationBox of
    // success and raises an ErrorBox UserMessage otherwise (key ring unchanged).
    UserMessage ChangePassphrase(std::string_view current, std::string_view newPassphrase,
                                 std::string_view confirmation);

    // The key information lines of the current record.
    std::vector<std::string> KeyInformationLines() const;
    // 0 (public key picture) for Type "Pub", 1 (key pair picture) otherwise.
    int KeyInformationPicture() const;

private:
    std::string folder_;
    KeyRing ring_;
};

// Key information lines for a record: "Type: ", "Username: ", "key ID: ",
// "Length: ", "Creation Date: ", "", "Fingerprint:", "", FP[0..20), FP[20..40),
// then "Key fingerprint: " and the key fingerprint in groups of four (other
// tools read the lines before it, which stay as they were).
std::vector<std::string> KeyInformationLines(const KeyRecord& record);
// The lines joined with CR LF (as the copy to the clipboard gives them).
std::string JoinKeyInformation(const std::vector<std::string>& lines);
// Writes each line followed by CR LF, replacing the file. File errors pass through.
void SaveKeyInformation(const std::string& fileName, const std::vector<std::string>& lines);

// Compares a typed or pasted fingerprint with a record's: equal to its key
// fingerprint when blanks, letter case and a leading "0x" are set aside, or
// equal to its stored FP (blanks and control characters around it removed)
// gives InformationBox "The two fingerprints are the same"; anything else
// WarningBox "The two fingerprints are different".
UserMessage CompareFingerprints(std::string_view keyFingerprint, std::string_view recordFingerprint,
                                std::string_view typed);

} // namespace zerath
