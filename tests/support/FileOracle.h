#pragma once
// Encrypted files taken apart and put together without the program's code:
// Crypto++ for RSA and the ciphers (see CipherOracle.h), zlib's crc32 for the
// key check value.
#include <cstdint>
#include <string>

#include "CipherOracle.h"

namespace zerath::test {

// A key pair's numbers in lower-case hex, as the key ring holds them deciphered.
struct ClearKey {
    std::string e, n, d;
};
// The numbers of the key pair `pairId` in the key ring of `home`.
ClearKey clearKeyOf(const std::string& home, const std::string& pairId, const std::string& passphrase);

struct OpenedFile {
    int cipher = -1;
    std::uint32_t keyCheck = 0;
    std::string wrappedKey;
    Bytes key, iv;
    Bytes zlib; // the deciphered zlib stream
};
OpenedFile openWithOracle(const std::string& file, const ClearKey& k);
// A file for k's public key holding `zlib` under the session key and vector.
std::string sealWithOracle(int cipher, const Bytes& key, const Bytes& iv, const Bytes& zlib, const ClearKey& k);
std::uint32_t keyCheckOf(const ClearKey& k);

// zlib's level bits (FLEVEL) of a stream, and whether every deflate block in it is stored.
int zlibLevelBits(const Bytes& zlib);
bool onlyStoredBlocks(const Bytes& zlib);
// A zlib stream inflated by Crypto++ (which throws on damage).
std::string inflateWithCryptopp(std::string_view zlib);

} // namespace zerath::test
