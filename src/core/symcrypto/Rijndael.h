#pragma once
// Rijndael with 128-bit blocks, that is AES (FIPS 197), keyed with 128, 192 or
// 256 bits. Two implementations: the processor's AES instructions where present
// and a portable table-driven one; both give the same bytes.
#include <cstdint>

#include "symcrypto/Cipher.h"

namespace zerath {

class TDCP_rijndael : public TDCP_blockcipher128 {
public:
    enum class Implementation { Auto, Portable, AesNi };

    // Auto picks the AES instructions when the processor has them. Asking for
    // AesNi on a processor without them gives the portable implementation.
    explicit TDCP_rijndael(Implementation impl = Implementation::Auto);
    ~TDCP_rijndael() override;

    static bool HardwareAvailable();
    Implementation ActiveImplementation() const
    {
        return fHardware ? Implementation::AesNi : Implementation::Portable;
    }

    int Id() const override { return 9; }
    std::string Algorithm() const override { return "Rijndael"; }
    int MaxKeySize() const override { return 256; }
    bool CheckVectors() override; // FIPS 197 examples for 128/192/256 bits and the catalogue vector

    void Wipe() override; // clears the key schedules, then IV and CV := 0xFF, Keyed := false

    void EncryptBlock(const void* in, void* out) const override;
    void DecryptBlock(const void* in, void* out) const override;

    // CBC without a virtual call per block.
    void EncryptCbc(const void* in, void* out, std::size_t n) override;
    void DecryptCbc(const void* in, void* out, std::size_t n) override;

protected:
    // Keys shorter than a standard size are padded with zero bytes to the next
    // of 128, 192 or 256 bits; (bits + 7) / 8 key bytes are read.
    void ExpandKey(const void* key, unsigned bits) override;

private:
    bool fHardware;
    int fRounds = 0;
    // Portable schedule: words with the first key byte in the top bits.
    std::uint32_t fEncKey[60];
    std::uint32_t fDecKey[60]; // equivalent inverse cipher
    // Instruction schedule: round keys as the 16 bytes the instructions take.
    alignas(16) std::uint8_t fEncKeyHw[240];
    alignas(16) std::uint8_t fDecKeyHw[240];
};

} // namespace zerath
