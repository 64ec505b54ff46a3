#pragma once
// One key of the key ring: the ten text fields of a ZerathKeys.db line, the
// record check value and the building of a record from a key file.
//
// Stored form: Type, UserID, KeyID, KeyLength, Date and FP are plain text;
// ExponentE, ModulusN and KeyCRC32 are protected under the fixed protection
// passphrase; ExponentD (empty for a public key) under the key pair's own
// passphrase. The numbers are base-16 texts as TBigint::ToString(16) writes them.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "common/Secure.h"

namespace zerath {

inline constexpr std::string_view kKeyTypePublic = "Pub";
inline constexpr std::string_view kKeyTypePair = "Pub/Priv";
inline constexpr std::string_view kKeyTypeUnknown = "Unknown";

struct KeyRecord {
    std::string Type;
    std::string UserID;
    std::string KeyID;
    std::string KeyLength;
    std::string Date;
    std::string ExponentE;
    SecureString ExponentD; // clear in a freshly imported record, so it is wiped on release
    std::string ModulusN;
    std::string FP;
    std::string KeyCRC32;

    bool IsKeyPair() const { return !ExponentD.empty(); }
    bool operator==(const KeyRecord&) const = default;
};

// The key ring's columns in file order, with the declared size of each field
// object: the longest value that reads back whole.
inline constexpr std::size_t kKeyRecordFieldCount = 10;
struct KeyRecordField {
    std::string_view name;
    std::size_t declaredSize;
};
inline constexpr std::array<KeyRecordField, kKeyRecordFieldCount> kKeyRecordFields{{
    {"Type", 73},
    {"UserID", 73},
    {"KeyID", 73},
    {"KeyLength", 73},
    {"Date", 73},
    {"ExponentE", 750},
    {"ExponentD", 750},
    {"ModulusN", 750},
    {"FP", 147},
    {"KeyCRC32", 20},
}};

// Field k of the record in schema order (0 = Type ... 9 = KeyCRC32).
std::string_view FieldOf(const KeyRecord& record, std::size_t k);
// Sets a field by its schema name; false for an unknown name.
bool SetFieldByName(KeyRecord& record, std::string_view name, std::string_view value);

// Key length in bits from the number of base-16 digits L of the modulus:
// 256 times the integer nearest to 4L/256 (a half goes to the even neighbour),
// in decimal. 512 digits give "2048".
std::string KeyLengthFromDigits(std::size_t hexDigits);

// CRC-32 of Type + ModulusN + ExponentE + UserID + FP + KeyID + Date (clear texts,
// no separators) as 8 upper-case hexadecimal digits. A failed CRC table check
// passes through.
std::string KeyRecordCRC(std::string_view type, std::string_view modulusN, std::string_view exponentE,
                         std::string_view userID, std::string_view fp, std::string_view keyID,
                         std::string_view date);
// True when KeyRecordCRC of the arguments equals storedCRC exactly.
bool VerifyKeyRecordCRC(std::string_view type, std::string_view modulusN, std::string_view exponentE,
                        std::string_view userID, std::string_view fp, std::string_view keyID,
                        std::string_view date, std::string_view storedCRC);

// Classifies a key file by its first line: "Pub" when it names a "Public Key",
// "Pub/Priv" when it names a "Private Key" (this test wins), else "Unknown".
// A file without any line is "Unknown". File system errors pass through.
std::string KeyType(const std::string& fileName);

// Loads a key file and gives the ten record values in clear (KeyCRC32 computed
// over them). Any load error (wrong passphrase, damaged file, failed check)
// passes through unchanged.
KeyRecord ImportPubKey(const std::string& fileName, std::string_view passphrase);
KeyRecord ImportPrivKey(const std::string& fileName, std::string_view passphrase);

// The record with ModulusN, ExponentE and KeyCRC32 protected under the fixed
// protection passphrase and ExponentD (when not empty) under ownPassphrase.
KeyRecord ProtectKeyRecord(const KeyRecord& clear, std::string_view ownPassphrase);

// Checks a stored record: deciphers ModulusN, ExponentE and KeyCRC32 with the
// fixed protection passphrase and verifies the record check value. Deciphering
// errors pass through.
bool VerifyStoredKeyRecord(const KeyRecord& stored);

} // namespace zerath
