#include "keyring/KeyManager.h"

#include "common/FileIO.h"
#include "filecrypt/FieldProtection.h"
#include "keyring/KeyIdentityOfRecord.h"
#include "keyring/KeyRules.h"
#include "pubkey/BigInt.h"
#include "pubkey/KeyFile.h"
#include "pubkey/KeyFingerprint.h"
#include "pubkey/PrivateKey.h"
#include "pubkey/PublicKey.h"

namespace zerath {

std::string keymsg::DuplicateKey(std::string_view keyId)
{
    std::string s = "The Key with ID: ";
    s.append(keyId);
    s += " already exists.";
    s += '\n';
    s += " To add this key, remove the previous key.";
    return s;
}

namespace {

[[noreturn]] void report(UserMessage::Kind kind, std::string_view text)
{
    throw UserMessage(kind, std::string(text));
}

// The current record's public numbers and check value, deciphered.
struct ClearPublicPart {
    SecureString modulusN;
    SecureString exponentE;
    SecureString keyCRC32;
    TBigint n;
    TBigint e;
};

ClearPublicPart decipherPublicPart(const KeyRecord& r)
{
    const std::string_view fixed = FixedProtectionPassphrase();
    ClearPublicPart p;
    p.modulusN = UnprotectField(r.ModulusN, fixed);
    p.exponentE = UnprotectField(r.ExponentE, fixed);
    p.keyCRC32 = UnprotectField(r.KeyCRC32, fixed);
    p.e = TBigint::CreateFromKeyText(p.exponentE);
    p.n = TBigint::CreateFromKeyText(p.modulusN);
    return p;
}

bool recordCheckHolds(const KeyRecord& r, const ClearPublicPart& p)
{
    return VerifyKeyRecordCRC(r.Type, p.modulusN, p.exponentE, r.UserID, r.FP, r.KeyID, r.Date, p.keyCRC32);
}

// Asks for the export's name and writes it. The chooser asks before an existing
// file is replaced (or refuses it), so only a file that existed then is replaced;
// one that appears at that name meanwhile brings the chooser back to ask again.
bool saveExport(std::string& path, const SavePathPrompt& choosePath, const std::function<bool(bool)>& save)
{
    for (;;) {
        if (!choosePath || !choosePath(path)) return false;
        if (save(fileExists(path))) return true;
    }
}

std::string_view trimControls(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
    return s.substr(b, e - b);
}

} // namespace

KeyManager::KeyManager(std::string programFolder) : folder_(std::move(programFolder)), ring_(folder_)
{
    folder_ = ring_.ProgramFolder();
}

void KeyManager::Open()
{
    ring_.DBOpen(KeyRing::MissingFile::LeaveClosed);
}

void KeyManager::Close()
{
    ring_.Close();
}

KeyManagerView KeyManager::View() const
{
    KeyManagerView v;
    if (ring_.HasCurrent()) {
        const KeyRecord r = ring_.CurrentRecord();
        v.fingerprint = GroupedFingerprint(RecordKeyFingerprint(r));
        v.recordFingerprint = r.FP;
    }
    const bool pair = !ring_.FieldAsString("ExponentD").empty();
    v.privateExportEnabled = v.changePassphraseEnabled = pair;
    if (ring_.RecNo() < 1) {
        v.countText = "No keys";
    } else {
        v.countText = std::to_string(ring_.RecordCount());
        v.publicExportEnabled = v.removeEnabled = v.keyInfoEnabled = true;
    }
    return v;
}

std::vector<KeySummary> KeyManager::ListKeys() const
{
    std::vector<KeySummary> out;
    for (const auto& r : ring_.Rows())
        out.push_back({r.Type, r.UserID, r.KeyID, r.KeyLength, r.Date, r.FP, RecordKeyFingerprint(r)});
    return out;
}

// ---- import -------------------------------------------------------------------------

std::optional<std::string> KeyManager::ImportKey(const std::string& fileName, const PassphrasePrompt& askPassphrase)
{
    const std::string type = KeyType(fileName);
    SecureString passphrase;
    KeyRecord clear;
    if (type == kKeyTypePublic) {
        try {
            clear = ImportPubKey(fileName, FixedProtectionPassphrase());
        } catch (const std::exception&) {
            report(UserMessage::ErrorBox, keymsg::ImportFailed);
        }
    } else if (type == kKeyTypePair) {
        if (!askPassphrase || !askPassphrase(passphrase)) return std::nullopt;
        try {
            clear = ImportPrivKey(fileName, passphrase);
        } catch (const std::exception&) {
            report(UserMessage::ErrorBox, keymsg::ImportFailed);
        }
    } else {
        report(UserMessage::ErrorBox, keymsg::UnknownKeyFile);
    }

    // A key the key ring cannot hold whole, or that no file should be encrypted
    // to, is refused before anything is written.
    const KeyRecord stored = ProtectKeyRecord(clear, passphrase);
    try {
        CheckNewKeyRecord(clear, stored);
    } catch (const Error& e) {
        report(UserMessage::ErrorBox, e.what());
    }
    // The same key twice is looked for in the file as it is under the lock, so
    // two imports at once cannot both add it.
    std::string found;
    try {
        ring_.InsertNewRecord(stored, [&](const std::vector<KeyRecord>& records) {
            return DuplicateKeyRefusal(clear, records, &found);
        });
    } catch (const UserMessage&) {
        if (!found.empty()) (void)ring_.SearchDB("KeyID", found);
        throw;
    }
    return stored.KeyID;
}

// ---- export -------------------------------------------------------------------------

std::string KeyManager::ProposedPublicFileName() const
{
    return folder_ + "Public" + ring_.FieldAsString("KeyID") + ".akf";
}

std::string KeyManager::ProposedPrivateFileName() const
{
    return folder_ + "Private" + ring_.FieldAsString("KeyID") + ".akf";
}

bool KeyManager::ExportPublicKey(const SavePathPrompt& choosePath)
{
    const KeyRecord r = ring_.CurrentRecord();
    ClearPublicPart p;
    try {
        if (!ring_.HasCurrent()) throw Error("No Records");
        p = decipherPublicPart(r);
    } catch (const std::exception&) {
        report(UserMessage::WarningBox, keymsg::PublicExportError);
    }
    if (!recordCheckHolds(r, p)) report(UserMessage::ErrorBox, keymsg::PublicKeyCorrupted);

    // The key ring keeps no creation time, so the exported file carries an empty one.
    TPublicKey key(std::move(p.e), std::move(p.n));
    key.KeyCreationDate = r.Date;
    key.Passphrase = SecureString(FixedProtectionPassphrase());
    key.KeyOwner = r.UserID;
    std::string path = ProposedPublicFileName();
    return saveExport(path, choosePath, [&](bool replace) { return key.SaveToFile(path, replace); });
}

bool KeyManager::ExportPrivateKey(const ConfirmPrompt& confirm, const PassphrasePrompt& askPassphrase,
                                  const SavePathPrompt& choosePath)
{
    if (!confirm || !confirm(UserMessage(UserMessage::WarningBox, std::string(keymsg::PrivateExportWarning))))
        return false;
    SecureString passphrase;
    if (!askPassphrase || !askPassphrase(passphrase)) return false;

    // The passphrase check deciphers the private exponent; that number is the one exported.
    const KeyRecord r = ring_.CurrentRecord();
    TBigint d;
    try {
        d = TBigint::CreateFromKeyText(UnprotectField(r.ExponentD, passphrase));
    } catch (...) {
        report(UserMessage::ErrorBox, keymsg::WrongExportPassphrase);
    }
    ClearPublicPart p;
    try {
        p = decipherPublicPart(r);
    } catch (const std::exception&) {
        report(UserMessage::WarningBox, keymsg::PrivateKeyMismatch);
    }
    if (!recordCheckHolds(r, p)) report(UserMessage::ErrorBox, keymsg::PrivateKeyCorrupted);

    // No creation time in the key ring: the exported file carries an empty one.
    // TPrivateKey writes its file owner-only.
    TPrivateKey key(std::move(p.e), std::move(p.n), std::move(d));
    key.KeyCreationDate = r.Date;
    key.Passphrase = passphrase;
    key.KeyOwner = r.UserID;
    std::string path = ProposedPrivateFileName();
    return saveExport(path, choosePath, [&](bool replace) { return key.SaveToFile(path, replace); });
}

// ---- removal and passphrase -------------------------------------------------------

bool KeyManager::RemoveCurrentKey(const ConfirmPrompt& confirm)
{
    if (!ring_.HasCurrent()) return false;
    if (!confirm || !confirm(UserMessage(UserMessage::WarningBox, std::string(keymsg::DeleteQuestion))))
        return false;
    ring_.DeleteCurrent();
    return true;
}

bool KeyManager::CheckPrivatePassphrase(std::string_view passphrase) const
{
    // This form looks at the private exponent only.
    try {
        std::string stored = ring_.FieldAsString("ExponentD");
        const SecureString d = UnprotectField(stored, passphrase);
        TBigint::CreateFromKeyText(d);
        return true;
    } catch (...) {
        return false;
    }
}

bool KeyManager::ChangePassphraseProc(std::string_view oldPassphrase, std::string_view newPassphrase)
{
    try {
        SecureString d(ring_.FieldAsString("ExponentD"));
        EncryptDecryptStr(d, oldPassphrase, false);
        EncryptDecryptStr(d, newPassphrase, true);
        ring_.UpdateExponentD(d);
        return true;
    } catch (...) {
        return false;
    }
}

UserMessage KeyManager::ChangePassphrase(std::string_view current, std::string_view newPassphrase,
                                         std::string_view confirmation)
{
    if (!CheckPrivatePassphrase(current)) report(UserMessage::ErrorBox, keymsg::WrongCurrentPassphrase);
    if (newPassphrase != confirmation) report(UserMessage::ErrorBox, keymsg::PassphraseMismatch);
    if (newPassphrase.size() < kMinPassphraseLength) report(UserMessage::ErrorBox, keymsg::PassphraseTooShort);
    if (!ChangePassphraseProc(current, newPassphrase)) report(UserMessage::ErrorBox, keymsg::PassphraseChangeFailed);
    return UserMessage(UserMessage::InformationBox, std::string(keymsg::PassphraseChanged));
}

// ---- key information and fingerprints ---------------------------------------------

std::vector<std::string> KeyInformationLines(const KeyRecord& r)
{
    const std::string_view fp = r.FP;
    return {
        "Type: " + r.Type,
        "Username: " + r.UserID,
        "key ID: " + r.KeyID,
        "Length: " + r.KeyLength,
        "Creation Date: " + r.Date,
        "",
        "Fingerprint:",
        "",
        std::string(fp.substr(0, 20)),
        std::string(fp.size() > 20 ? fp.substr(20, 20) : std::string_view()),
        "Key fingerprint: " + GroupedFingerprint(RecordKeyFingerprint(r)),
    };
}

std::vector<std::string> KeyManager::KeyInformationLines() const
{
    return zerath::KeyInformationLines(ring_.CurrentRecord());
}

int KeyManager::KeyInformationPicture() const
{
    return ring_.FieldAsString("Type") == kKeyTypePublic ? 0 : 1;
}

std::string JoinKeyInformation(const std::vector<std::string>& lines)
{
    std::string s;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) s += "\r\n";
        s += lines[i];
    }
    return s;
}

void SaveKeyInformation(const std::string& fileName, const std::vector<std::string>& lines)
{
    std::string s;
    for (const auto& l : lines) {
        s += l;
        s += "\r\n";
    }
    writeFileAtomically(fileName, s);
}

UserMessage CompareFingerprints(std::string_view keyFingerprint, std::string_view recordFingerprint,
                                std::string_view typed)
{
    const std::string key = CompactFingerprint(keyFingerprint);
    const bool sameKey = !key.empty() && CompactFingerprint(typed) == key;
    const std::string_view record = trimControls(recordFingerprint);
    const bool sameRecord = !record.empty() && record == trimControls(typed);
    if (sameKey || sameRecord)
        return UserMessage(UserMessage::InformationBox, std::string(keymsg::FingerprintsSame));
    return UserMessage(UserMessage::WarningBox, std::string(keymsg::FingerprintsDifferent));
}

} // namespace zerath
