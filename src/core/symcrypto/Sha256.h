#pragma once
// SHA-256 (FIPS 180-2): turns passphrases into cipher keys.
#include <cstdint>

#include "symcrypto/MdHash.h"

namespace zerath {

class TDCP_sha256 : public TDCP_mdhash<TDCP_sha256, 8> {
public:
    int Id() const override { return 28; }
    std::string Algorithm() const override { return "SHA256"; }
    int HashSize() const override { return 256; }
    bool CheckVectors() override;

    void Start() override;

private:
    friend class TDCP_mdhash<TDCP_sha256, 8>;
    void Compress(const std::uint8_t* block);
};

} // namespace zerath
