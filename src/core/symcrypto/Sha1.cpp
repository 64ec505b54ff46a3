#include "symcrypto/Sha1.h"

#include <algorithm>
#include <cstring>

#include "common/Secure.h"

namespace zerath {

namespace {

inline std::uint32_t rol(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
inline std::uint32_t loadBE(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}
inline void storeBE(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}

} // namespace

TDCP_sha1::TDCP_sha1() { Wipe(); }

TDCP_sha1::~TDCP_sha1() { Wipe(); }

void TDCP_sha1::Wipe()
{
    secureZero(H, sizeof H);
    secureZero(&LenHi, sizeof LenHi);
    secureZero(&LenLo, sizeof LenLo);
    secureZero(Buffer, sizeof Buffer);
    secureZero(&Index, sizeof Index);
    fStarted = false;
}

void TDCP_sha1::Start()
{
    Wipe();
    H[0] = 0x67452301;
    H[1] = 0xEFCDAB89;
    H[2] = 0x98BADCFE;
    H[3] = 0x10325476;
    H[4] = 0xC3D2E1F0;
    fStarted = true;
}

void TDCP_sha1::Compress(const std::uint8_t* block)
{
    std::uint32_t W[80];
    for (int t = 0; t < 16; ++t) W[t] = loadBE(block + 4 * t);
    for (int t = 16; t < 80; ++t) W[t] = rol(W[t - 3] ^ W[t - 8] ^ W[t - 14] ^ W[t - 16], 1);
    std::uint32_t a = H[0], b = H[1], c = H[2], d = H[3], e = H[4];
    auto step = [&](std::uint32_t f, std::uint32_t k, std::uint32_t w) {
        const std::uint32_t tmp = rol(a, 5) + f + e + k + w;
        e = d;
        d = c;
        c = rol(b, 30);
        b = a;
        a = tmp;
    };
    for (int t = 0; t < 20; ++t) step((b & c) | (~b & d), 0x5A827999, W[t]);
    for (int t = 20; t < 40; ++t) step(b ^ c ^ d, 0x6ED9EBA1, W[t]);
    for (int t = 40; t < 60; ++t) step((b & c) | (b & d) | (c & d), 0x8F1BBCDC, W[t]);
    for (int t = 60; t < 80; ++t) step(b ^ c ^ d, 0xCA62C1D6, W[t]);
    H[0] += a;
    H[1] += b;
    H[2] += c;
    H[3] += d;
    H[4] += e;
    secureZero(W, sizeof W);
}

void TDCP_sha1::Absorb(const void* data, std::size_t length)
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

void TDCP_sha1::Finish(void* digest)
{
    if (!fStarted) throw EDCP_hash("Hash not initialized");
    Buffer[Index++] = 0x80;
    if (Index > 56) {
        std::memset(Buffer + Index, 0, 64 - Index);
        Compress(Buffer);
        Index = 0;
    }
    std::memset(Buffer + Index, 0, 56 - Index);
    storeBE(Buffer + 56, LenHi);
    storeBE(Buffer + 60, LenLo);
    Compress(Buffer);
    auto* out = static_cast<std::uint8_t*>(digest);
    for (int i = 0; i < 5; ++i) storeBE(out + 4 * i, H[i]);
    Wipe();
}

bool TDCP_sha1::CheckVectors()
{
    static const std::uint8_t abc[20] = {0xa9, 0x99, 0x3e, 0x36, 0x47, 0x06, 0x81, 0x6a, 0xba, 0x3e,
                                         0x25, 0x71, 0x78, 0x50, 0xc2, 0x6c, 0x9c, 0xd0, 0xd8, 0x9d};
    static const std::uint8_t two[20] = {0x84, 0x98, 0x3e, 0x44, 0x1c, 0x3b, 0xd2, 0x6e, 0xba, 0xae,
                                         0x4a, 0xa1, 0xf9, 0x51, 0x29, 0xe5, 0xe5, 0x46, 0x70, 0xf1};
    std::uint8_t out[20];
    TDCP_sha1 h;
    h.Start();
    h.AbsorbText("abc");
    h.Finish(out);
    bool ok = std::memcmp(out, abc, 20) == 0;
    h.Start();
    h.AbsorbText("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq");
    h.Finish(out);
    ok = ok && std::memcmp(out, two, 20) == 0;
    return ok;
}

} // namespace zerath
