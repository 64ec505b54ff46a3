#pragma once
// The key fingerprint of a key ring record, and the rule that keeps one key
// from entering the key ring twice under two record fingerprints.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Error.h"
#include "common/Secure.h"
#include "keyring/KeyRecord.h"

namespace zerath {

// The clear modulus and public exponent of a stored record (deciphered with
// the fixed protection passphrase); nullopt when they cannot be read.
struct ClearPublicNumbers {
    SecureString modulusN;
    SecureString exponentE;
};
std::optional<ClearPublicNumbers> RecordPublicNumbers(const KeyRecord& stored);
// "<N>|<E>" of a stored record (its numbers deciphered with the fixed
// protection passphrase); nullopt when they cannot be read.
std::optional<std::string> RecordKeyNumbers(const KeyRecord& stored);
// The record's key fingerprint, 40 digits; empty when its numbers cannot be read.
std::string RecordKeyFingerprint(const KeyRecord& stored);

// "This key is already in the key ring as " + id + "."
std::string AlreadyInKeyRing(std::string_view keyId);

// Why a key about to be added is refused, given the records already there:
// a record of the same KeyID (WarningBox, the key manager's duplicate text),
// else a record of the same Type with the same modulus and public exponent
// (WarningBox AlreadyInKeyRing). A key pair may join its own public key and
// the other way round. found, when given, gets the KeyID of the record named.
std::optional<UserMessage> DuplicateKeyRefusal(const KeyRecord& clear, const std::vector<KeyRecord>& records,
                                               std::string* found = nullptr);

} // namespace zerath
