#pragma once
// The key a command-line argument names. In this order of precedence a text
// may be: a key ID in any case, with or without "0x"; a whole key fingerprint
// or record fingerprint, with or without blanks; a part of the owner name,
// letter case set aside, where the command accepts one. The first of these
// that any record matches decides; a later one is not tried.
#include <string>
#include <string_view>

#include "keyring/KeyRecord.h"
#include "keyring/KeyRing.h"

namespace zerath::cli {

enum class KeyArgumentUse {
    Recipient,   // encrypt --to: any record; a pair and its own public key count as one key
    AnyKey,      // info, export-public: any record
    AnyKeyById,  // remove: any record, named by key ID or fingerprint only
    KeyPair,     // decrypt --key: "Pub/Priv" records only
    KeyPairById, // passwd, export-private: "Pub/Priv" records, by key ID or fingerprint only
};

// The record the text names (stored form). No match raises UserMessage
// "No key in the key ring matches 'TEXT'."; several raise one that lists the
// candidates, "KEYID OWNER" a line. A closed key ring holds no key.
KeyRecord resolveKeyArgument(const KeyRing& ring, std::string_view text, KeyArgumentUse use);

} // namespace zerath::cli
