#pragma once
// SHA-256 (FIPS 180-2): turns passphrases into cipher keys.
#include <cstdint>

#include "symcrypto/Hash.h"

namespace zerath {

class TDCP_sha256 : public TDCP_hash {
public:
    TDCP_sha256();
    ~TDCP_sha256() override;

    int Id() const override { return 28; }
    std::string Algorithm() const override { return "SHA256"; }
    int HashSize() const override { return 256; }
    bool CheckVectors() override;

    void Start() override;
    void Finish(void* digest) override;
    void Wipe() override;
    void Absorb(const void* data, std::size_t length) override;

private:
    void Compress(const std::uint8_t* block);

    std::uint32_t H[8];
    std::uint32_t LenHi, LenLo; // bit count in two halves
    std::uint8_t Buffer[64];
    std::uint32_t Index;
};

} // namespace zerath
