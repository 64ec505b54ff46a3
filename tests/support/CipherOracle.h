#pragma once
// Independent computations of the program's block-cipher results, for
// comparison with ours: Crypto++ for the ciphers and modes, and for MARS
// Crypto++'s rounds keyed by the 1998 key expansion (Crypto++'s own MARS
// uses the revised key schedule, which stored files never used).
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace zerath::test {

using Bytes = std::vector<std::uint8_t>;

Bytes fromHex(std::string_view hex);
std::string toHex(const Bytes& b);
std::string toHex(const std::uint8_t* p, std::size_t n);
Bytes randomBytes(std::mt19937_64& rng, std::size_t n);

// Lines of a data file under tests/data split at '|'; '#' lines and blank lines skipped.
std::vector<std::vector<std::string>> readDataRows(const std::string& relative);

// Cipher indices as an encrypted file records them.
enum OracleCipher { kAes = 0, kRc6 = 1, kMars = 2, kSerpent = 3, kTwofish = 4 };

// One block with the cipher of that index and a key of any length the cipher
// takes (AES keys between the standard lengths are zero-filled to the next one).
Bytes referenceBlock(int cipherIndex, bool encrypt, const Bytes& key, const Bytes& block);

// The program's CBC: whole blocks chained; a final partial block is the tail
// xor the encryption of the last chaining value (the vector when there is
// no whole block).
Bytes referenceCbc(int cipherIndex, bool encrypt, const Bytes& key, const Bytes& iv, const Bytes& data);

// Any of the five ciphers in a chaining mode: CBC as above, the others as
// Crypto++ defines them.
enum class OracleMode { Cbc, Cfb8, CfbBlock, Ofb, Ctr };
Bytes referenceMode(int cipherIndex, OracleMode mode, bool encrypt, const Bytes& key, const Bytes& iv, const Bytes& data);

// The 40 words of the 1998 MARS key expansion, written after the designers'
// reference (the run mask is found with shifts instead of a scan). `fixes`
// counts multiplication keys that needed fixing, `topFixes` those where the
// mask reached bit 31.
void marsReferenceExpand(const Bytes& key, std::uint32_t K[40], int* fixes = nullptr, int* topFixes = nullptr);

} // namespace zerath::test
