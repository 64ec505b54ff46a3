#pragma once
// SHA-1 (FIPS 180): the digest behind key fingerprints and key IDs.
#include <cstdint>

#include "symcrypto/Hash.h"

namespace zerath {

class TDCP_sha1 : public TDCP_hash {
public:
    TDCP_sha1();
    ~TDCP_sha1() override;

    int Id() const override { return 2; }
    std::string Algorithm() const override { return "SHA1"; }
    int HashSize() const override { return 160; }
    bool CheckVectors() override;

    void Start() override;
    void Finish(void* digest) override;
    void Wipe() override;
    void Absorb(const void* data, std::size_t length) override;

private:
    void Compress(const std::uint8_t* block);

    std::uint32_t H[5];
    std::uint32_t LenHi, LenLo; // bit count in two halves
    std::uint8_t Buffer[64];
    std::uint32_t Index;
};

} // namespace zerath
