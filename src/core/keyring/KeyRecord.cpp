#include "keyring/KeyRecord.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "common/FileIO.h"
#include "symcrypto/FieldProtection.h"
#include "pubkey/PrivateKey.h"
#include "pubkey/PublicKey.h"
#include "symcrypto/Crc32.h"

namespace zerath {

std::string_view FieldOf(const KeyRecord& r, std::size_t k)
{
    switch (k) {
    case 0: return r.Type;
    case 1: return r.UserID;
    case 2: return r.KeyID;
    case 3: return r.KeyLength;
    case 4: return r.Date;
    case 5: return r.ExponentE;
    case 6: return r.ExponentD.view();
    case 7: return r.ModulusN;
    case 8: return r.FP;
    case 9: return r.KeyCRC32;
    default: return {};
    }
}

bool SetFieldByName(KeyRecord& r, std::string_view name, std::string_view value)
{
    if (name == "Type") r.Type.assign(value);
    else if (name == "UserID") r.UserID.assign(value);
    else if (name == "KeyID") r.KeyID.assign(value);
    else if (name == "KeyLength") r.KeyLength.assign(value);
    else if (name == "Date") r.Date.assign(value);
    else if (name == "ExponentE") r.ExponentE.assign(value);
    else if (name == "ExponentD") r.ExponentD.assign(value.data(), value.size());
    else if (name == "ModulusN") r.ModulusN.assign(value);
    else if (name == "FP") r.FP.assign(value);
    else if (name == "KeyCRC32") r.KeyCRC32.assign(value);
    else return false;
    return true;
}

std::string KeyLengthFromDigits(std::size_t hexDigits)
{
    // 4L/256 = L/64; round to the nearest integer, a half to the even one.
    std::size_t q = hexDigits / 64;
    const std::size_t r = hexDigits % 64;
    if (r > 32 || (r == 32 && q % 2 == 1)) ++q;
    return std::to_string(q * 256);
}

std::string KeyRecordCRC(std::string_view type, std::string_view modulusN, std::string_view exponentE,
                         std::string_view userID, std::string_view fp, std::string_view keyID,
                         std::string_view date)
{
    std::string text;
    text.reserve(type.size() + modulusN.size() + exponentE.size() + userID.size() + fp.size() +
                 keyID.size() + date.size());
    text.append(type).append(modulusN).append(exponentE).append(userID).append(fp).append(keyID).append(date);
    std::uint32_t crc = 0;
    CalcCRC32(text, crc);
    return CRC32ToText(crc);
}

bool VerifyKeyRecordCRC(std::string_view type, std::string_view modulusN, std::string_view exponentE,
                        std::string_view userID, std::string_view fp, std::string_view keyID,
                        std::string_view date, std::string_view storedCRC)
{
    return KeyRecordCRC(type, modulusN, exponentE, userID, fp, keyID, date) == storedCRC;
}

std::string KeyType(const std::string& fileName)
{
    // Only the first line (the begin marker) matters, so no more than its head is read.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(fileName.c_str(), "rb"), &std::fclose);
    if (!f) throwFileError(errno);
    std::string first;
    bool any = false;
    for (int c; first.size() < 4096 && (c = std::fgetc(f.get())) != EOF;) {
        any = true;
        if (c == '\r' || c == '\n') break;
        first.push_back(static_cast<char>(c));
    }
    if (std::ferror(f.get())) throwFileError(EIO);
    if (!any) return std::string(kKeyTypeUnknown);
    if (first.find("Private Key") != std::string::npos) return std::string(kKeyTypePair);
    if (first.find("Public Key") != std::string::npos) return std::string(kKeyTypePublic);
    return std::string(kKeyTypeUnknown);
}

KeyRecord ProtectKeyRecord(const KeyRecord& clear, std::string_view ownPassphrase)
{
    KeyRecord stored = clear;
    const std::string_view fixed = FixedProtectionPassphrase();
    EncryptDecryptStr(stored.ModulusN, fixed, true);
    EncryptDecryptStr(stored.ExponentE, fixed, true);
    EncryptDecryptStr(stored.KeyCRC32, fixed, true);
    if (!stored.ExponentD.empty()) EncryptDecryptStr(stored.ExponentD, ownPassphrase, true);
    return stored;
}

bool VerifyStoredKeyRecord(const KeyRecord& stored)
{
    const std::string_view fixed = FixedProtectionPassphrase();
    const SecureString n = UnprotectField(stored.ModulusN, fixed);
    const SecureString e = UnprotectField(stored.ExponentE, fixed);
    const SecureString crc = UnprotectField(stored.KeyCRC32, fixed);
    return VerifyKeyRecordCRC(stored.Type, n, e, stored.UserID, stored.FP, stored.KeyID, stored.Date, crc);
}

namespace {

// Reads a key file of either kind and fills the record; exponents(key, r) sets
// ExponentE (and ExponentD for a pair) before the length and the CRC.
template <class Key, class Exponents>
KeyRecord ImportKeyFile(const std::string& fileName, std::string_view passphrase, std::string_view type,
                        Exponents exponents)
{
    Key key;
    key.Passphrase = SecureString(passphrase);
    key.LoadFromFile(fileName);

    KeyRecord r;
    r.ModulusN = key.Modulus.value().ToString(16);
    r.KeyID = key.KeyID;
    r.Date = key.KeyCreationDate;
    exponents(key, r);
    r.KeyLength = KeyLengthFromDigits(r.ModulusN.size());
    r.UserID = key.KeyOwner;
    r.FP = key.FingerPrint;
    r.Type = std::string(type);
    r.KeyCRC32 = KeyRecordCRC(r.Type, r.ModulusN, r.ExponentE, r.UserID, r.FP, r.KeyID, r.Date);
    return r;
}

} // namespace

KeyRecord ImportPubKey(const std::string& fileName, std::string_view passphrase)
{
    return ImportKeyFile<TPublicKey>(fileName, passphrase, kKeyTypePublic, [](const TPublicKey& key, KeyRecord& r) {
        r.ExponentE = key.Exponent.value().ToString(16);
    });
}

KeyRecord ImportPrivKey(const std::string& fileName, std::string_view passphrase)
{
    return ImportKeyFile<TPrivateKey>(fileName, passphrase, kKeyTypePair, [](const TPrivateKey& key, KeyRecord& r) {
        r.ExponentE = key.ExponentE.value().ToString(16);
        std::string d = key.ExponentD.value().ToString(16);
        r.ExponentD.assign(d.data(), d.size());
        wipeString(d);
    });
}

} // namespace zerath
