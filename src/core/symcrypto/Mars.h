#pragma once
// MARS, the IBM AES candidate, 128-bit blocks, with the key schedule of its
// first (1998) publication. Keys of 128 to 1248 bits in 32-bit steps; shorter
// keys and partial words are filled with zero bytes.
#include <cstdint>

#include "symcrypto/Cipher.h"

namespace zerath {

class TDCP_mars : public TDCP_blockcipher128 {
public:
    TDCP_mars() = default;
    ~TDCP_mars() override;

    int Id() const override { return 13; }
    std::string Algorithm() const override { return "Mars"; }
    int MaxKeySize() const override { return 1248; }
    bool CheckVectors() override;

    void Wipe() override;
    void EncryptBlock(const void* in, void* out) const override;
    void DecryptBlock(const void* in, void* out) const override;
    // CBC encryption with the block transform inlined (same results as the framework's).
    void EncryptCbc(const void* in, void* out, std::size_t n) override;

    // The 512-word S-box (S0 in the first 256 words, S1 in the rest).
    static const std::uint32_t* SBox();
    // The 40 expanded key words of a keyed object.
    const std::uint32_t* ExpandedKey() const { return KeyData; }

protected:
    void ExpandKey(const void* key, unsigned bits) override;
    void DecryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const override;

    // The key schedule (protected so that tests can see it cleared).
    std::uint32_t KeyData[40] = {};
};

} // namespace zerath
