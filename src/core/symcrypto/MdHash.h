#pragma once
// The frame SHA-1 and SHA-256 share: input gathered into 64-byte blocks, the
// final block padded with 0x80, zeros and the 64-bit big-endian bit count, the
// state words written out big-endian. Derived keeps the compression function
// (Compress(block) on H) and the initial values (given to StartWith).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/Secure.h"
#include "symcrypto/BlockWords.h"
#include "symcrypto/Hash.h"

namespace zerath {

template <class Derived, int Words>
class TDCP_mdhash : public TDCP_hash {
public:
    ~TDCP_mdhash() override { Wipe(); }

    void Wipe() override
    {
        secureZero(H, sizeof H);
        secureZero(&LenHi, sizeof LenHi);
        secureZero(&LenLo, sizeof LenLo);
        secureZero(Buffer, sizeof Buffer);
        secureZero(&Index, sizeof Index);
        fStarted = false;
    }

    void Absorb(const void* data, std::size_t length) override
    {
        if (!fStarted) throw EDCP_hash("Hash not initialized");
        if (length == 0) return;
        const auto* p = static_cast<const std::uint8_t*>(data);
        const std::uint64_t bits = (std::uint64_t(LenHi) << 32 | LenLo) + std::uint64_t(length) * 8;
        LenHi = std::uint32_t(bits >> 32);
        LenLo = std::uint32_t(bits);
        if (Index) {
            const std::size_t take = std::min<std::size_t>(64 - Index, length);
            std::memcpy(Buffer + Index, p, take);
            Index += std::uint32_t(take);
            p += take;
            length -= take;
            if (Index < 64) return;
            Compress(Buffer);
            Index = 0;
        }
        for (; length >= 64; p += 64, length -= 64) Compress(p);
        std::memcpy(Buffer, p, length);
        Index = std::uint32_t(length);
    }

    void Finish(void* digest) override
    {
        if (!fStarted) throw EDCP_hash("Hash not initialized");
        Buffer[Index++] = 0x80;
        if (Index > 56) {
            std::memset(Buffer + Index, 0, 64 - Index);
            Compress(Buffer);
            Index = 0;
        }
        std::memset(Buffer + Index, 0, 56 - Index);
        storeBE32(Buffer + 56, LenHi);
        storeBE32(Buffer + 60, LenLo);
        Compress(Buffer);
        auto* out = static_cast<std::uint8_t*>(digest);
        for (int i = 0; i < Words; ++i) storeBE32(out + 4 * i, H[i]);
        Wipe();
    }

protected:
    TDCP_mdhash() { Wipe(); }

    void StartWith(const std::uint32_t (&initial)[Words])
    {
        Wipe();
        std::memcpy(H, initial, sizeof H);
        fStarted = true;
    }

    std::uint32_t H[Words];

private:
    void Compress(const std::uint8_t* block) { static_cast<Derived*>(this)->Compress(block); }

    std::uint32_t LenHi, LenLo; // bit count in two halves
    std::uint8_t Buffer[64];
    std::uint32_t Index;
};

} // namespace zerath
