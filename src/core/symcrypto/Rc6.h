#pragma once
// RC6-32/20/b: 32-bit words, 20 rounds, 44 round keys, keys of up to 256 bytes.
#include <cstdint>

#include "symcrypto/Cipher.h"

namespace zerath {

class TDCP_rc6 : public TDCP_blockcipher128 {
public:
    TDCP_rc6() = default;
    ~TDCP_rc6() override;

    int Id() const override { return 4; }
    std::string Algorithm() const override { return "RC6"; }
    int MaxKeySize() const override { return 2048; }
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
    static constexpr int kRounds = 20;
    std::uint32_t KeyData[2 * kRounds + 4] = {};
};

} // namespace zerath
