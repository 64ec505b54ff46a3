#pragma once
// The whole key pair generation as the generation dialog and the command-line
// program run it: generate a 2048-bit pair, write "Private<KeyID>.akf" under the
// user's passphrase and "Public<KeyID>.akf" under the fixed protection
// passphrase into the program's folder, and report the time taken.
#include <cstdint>
#include <string>
#include <string_view>

#include "common/Hooks.h"
#include "pubkey/PrivateKey.h"

namespace zerath {

inline constexpr int kGeneratedKeyBits = 2048;

struct KeyPairResult {
    std::string PrivateKeyFile;   // full path
    std::string PublicKeyFile;    // full path
    std::int64_t ElapsedMs = 0;   // the generation alone, files not included
    std::string CreationDate;     // KeyCreationDate of the new pair
    std::string PrivateKeyID;
    std::string PublicKeyID;
};

// The proposed name when no file of that name exists; otherwise the first of
// P-without-extension + "_1.akf", "_2.akf", ... that does not exist (each
// candidate is formed from the proposed name).
std::string UniqueKeyFileName(const std::string& proposed);

// "Key Pair generated in " + M + " mn, " + S + " sec" for an elapsed time in ms.
std::string KeyPairGeneratedStatus(std::int64_t elapsedMs);

// folder is the program's folder (a trailing "/" is added when missing). The
// owner is checked first (CheckNewKeyOwner, see pubkey/OwnerRules.h),
// before anything is generated. The pump runs during the prime search (see
// TPrivateKey::GenerateKeys); progress, when given, hears of every candidate.
// Errors of the generation and of writing the files pass through. The key
// length is always 2048 in the programs; tests pass smaller ones for speed.
KeyPairResult GenerateKeyPairFiles(const std::string& folder, std::string_view owner,
                                   std::string_view passphrase, MessagePump& pump = nullPump(),
                                   const KeyGenProgress& progress = {}, int bits = kGeneratedKeyBits);

} // namespace zerath
