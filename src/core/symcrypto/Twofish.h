#pragma once
// Twofish, the AES candidate, 16 rounds. Keys up to 256 bits; shorter keys are
// filled with zero bytes to the next of 128, 192 or 256 bits. The key set-up
// builds the four key-dependent S-box columns already multiplied by the MDS
// matrix, so a round costs eight table look-ups.
#include <cstdint>

#include "symcrypto/Cipher.h"

namespace zerath {

class TDCP_twofish : public TDCP_blockcipher128 {
public:
    TDCP_twofish() = default;
    ~TDCP_twofish() override;

    int Id() const override { return 6; }
    std::string Algorithm() const override { return "Twofish"; }
    int MaxKeySize() const override { return 256; }
    bool CheckVectors() override;

    void Wipe() override;
    void EncryptBlock(const void* in, void* out) const override;
    void DecryptBlock(const void* in, void* out) const override;
    // CBC encryption with the block transform inlined (same results as the framework's).
    void EncryptCbc(const void* in, void* out, std::size_t n) override;

protected:
    // Whole key bytes are used (a trailing half byte is ignored).
    void ExpandKey(const void* key, unsigned bits) override;
    void DecryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const override;

    // The key schedule (protected so that tests can see it cleared).
    std::uint32_t SubKeys[40] = {};
    std::uint32_t SBoxMds[4][256] = {};
};

} // namespace zerath
