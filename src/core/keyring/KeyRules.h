#pragma once
// What a key must be for the key ring to hold it and for a file to be encrypted
// to it, in one place: import, key pair generation and encryption all ask here.
//
// A modulus the key ring cannot hold whole is cut when read back, and a cut
// modulus or a degenerate exponent wraps the session key into a file nobody can
// open (exponent 1 leaves it in clear). Owner names are the one field users
// type; the key ring line and a terminal must both show them as they are.
#include <cstddef>
#include <string_view>

#include "common/Secure.h"
#include "pubkey/OwnerRules.h"

namespace zerath {

class TBigint;
struct KeyRecord;

inline constexpr int kMinModulusBits = 1024;
inline constexpr int kMaxModulusBits = 2048;
inline constexpr std::size_t kMinNewPassphraseLength = 8; // for a new key pair

namespace keyrule {
inline constexpr std::string_view OwnerTooShort = "The Key Owner must have 5 characters minimum.";
inline constexpr std::string_view PassphraseTooShort = "The passphrase length must have 8 characters minimum!";
inline constexpr std::string_view BadModulus = "The key's modulus must be an odd number of 1024 to 2048 bits.";
inline constexpr std::string_view BadExponent = "The key's public exponent must be an odd number of at least 3.";
inline constexpr std::string_view FieldTooLong = "The key does not fit the key ring: a field is too long.";
inline constexpr std::string_view NotForEncryption = "The selected key cannot be used for encryption.";
} // namespace keyrule

// A new key pair's owner (CheckNewKeyOwner, then at least 5 characters) and
// passphrase (at least 8 characters, at most kMaxNewPassphraseLength), checked
// before anything is generated.
void CheckNewKeyPair(std::string_view owner, std::string_view passphrase);
// An odd positive modulus of 1024 to 2048 bits and an odd exponent of at least 3.
void CheckKeyNumbers(const TBigint& exponent, const TBigint& modulus);
// A key about to be added: the owner and date rules and the numbers of the clear record,
// and every field of the stored record within its declared size.
void CheckNewKeyRecord(const KeyRecord& clear, const KeyRecord& stored);
// The recipient of an encryption: its deciphered numbers pass CheckKeyNumbers.
// Raises UserMessage (ErrorBox) "The selected key cannot be used for encryption."
void CheckRecipientRecord(const KeyRecord& stored);

} // namespace zerath
