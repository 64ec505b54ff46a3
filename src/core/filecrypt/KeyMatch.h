#pragma once
// Which keys of the key ring an encrypted file was made for. Bytes 1-4 of the
// file hold the key check value of the recipient's key, so the key pair that
// opens a file is known before anything is asked.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "filecrypt/FileCommandUi.h"
#include "keyring/KeyRecord.h"

namespace zerath {

class KeyRing;

// The key check value of a stored record; nullopt when its public numbers
// cannot be read.
std::optional<std::uint32_t> StoredKeyCheckValue(const KeyRecord& stored);

// The check value in an encrypted file's header; nullopt when the file cannot
// be read or ends before it.
std::optional<std::uint32_t> FileKeyCheckValue(const std::string& encryptedPath);

// The records whose check value is `check`, in key ring order: with
// pairsOnly, the own key pairs ("Pub/Priv" records) alone.
std::vector<KeyRecord> KeysMatching(const KeyRing& ring, std::uint32_t check, bool pairsOnly);

KeyChoice choiceOf(const KeyRecord& record);

// "Passphrase for OWNER (KEYID):"
std::string passphrasePrompt(const KeyChoice& key);

} // namespace zerath
