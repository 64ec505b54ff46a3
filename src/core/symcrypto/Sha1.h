#pragma once
// SHA-1 (FIPS 180): the digest behind key fingerprints and key IDs.
#include <cstdint>

#include "symcrypto/MdHash.h"

namespace zerath {

class TDCP_sha1 : public TDCP_mdhash<TDCP_sha1, 5> {
public:
    int Id() const override { return 2; }
    std::string Algorithm() const override { return "SHA1"; }
    int HashSize() const override { return 160; }
    bool CheckVectors() override;

    void Start() override;

private:
    friend class TDCP_mdhash<TDCP_sha1, 5>;
    void Compress(const std::uint8_t* block);
};

} // namespace zerath
