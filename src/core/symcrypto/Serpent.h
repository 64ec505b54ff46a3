#pragma once
// Serpent, the AES candidate: 32 rounds, bitsliced, words and bytes in the
// standard (NESSIE) order. Keys up to 256 bits; shorter keys get the usual
// single 1 bit after their last byte.
#include <cstdint>

#include "symcrypto/Cipher.h"

namespace zerath {

class TDCP_serpent : public TDCP_blockcipher128 {
public:
    TDCP_serpent() = default;
    ~TDCP_serpent() override;

    int Id() const override { return 26; }
    std::string Algorithm() const override { return "Serpent"; }
    int MaxKeySize() const override { return 256; }
    bool CheckVectors() override;

    void Wipe() override;
    void EncryptBlock(const void* in, void* out) const override;
    void DecryptBlock(const void* in, void* out) const override;
    // CBC encryption with the block transform inlined (same results as the framework's).
    void EncryptCbc(const void* in, void* out, std::size_t n) override;

    // The eight bitsliced S-boxes and their inverses on four words
    // (word i carries bit i of each of the 32 nibbles).
    static void ApplySBox(int box, std::uint32_t x[4]);
    static void ApplyInverseSBox(int box, std::uint32_t x[4]);

protected:
    // Whole key bytes are used (a trailing half byte is ignored).
    void ExpandKey(const void* key, unsigned bits) override;
    void DecryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const override;

    // The key schedule (protected so that tests can see it cleared).
    std::uint32_t KeyData[132] = {}; // 33 round keys of four words
};

} // namespace zerath
