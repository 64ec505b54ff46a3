#pragma once
// The cipher list of the main window: five 128-bit block ciphers, always keyed
// with 256 bits. The index of an entry is the cipher number that an encrypted
// file records in its first byte.
#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "symcrypto/Cipher.h"

namespace zerath {

struct CipherEntry {
    std::string_view displayText; // "Rijndael with 256 bit key (AES)", ...
    std::string_view cliName;     // "rijndael", "rc6", "mars", "serpent", "twofish"
};

constexpr int kCipherCount = 5;
constexpr int kDefaultCipherIndex = 0;

// The entries in list order: Rijndael, RC6, Mars, Serpent, Twofish.
const std::array<CipherEntry, kCipherCount>& cipherEntries();

bool isValidCipherIndex(int index);

// Raises Error "Unknown cipher number" for an index outside 0..4.
std::string_view cipherDisplayText(int index);
std::unique_ptr<TDCP_blockcipher128> makeCipher(int index);

// The name the status bar shows: the cipher's Algorithm, "Rijndael" as "Rijndael (AES)".
std::string cipherStatusName(const TDCP_cipher& cipher);

// Index of a cipher given by its command-line name (any case) or by its
// number as a single digit; -1 when nothing matches.
int findCipher(std::string_view nameOrNumber);

} // namespace zerath
