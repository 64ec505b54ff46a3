#include "symcrypto/Sha1.h"

#include <bit>
#include <cstring>

#include "common/Secure.h"

namespace zerath {

void TDCP_sha1::Start()
{
    static constexpr std::uint32_t kInitial[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    StartWith(kInitial);
}

void TDCP_sha1::Compress(const std::uint8_t* block)
{
    std::uint32_t W[80];
    for (int t = 0; t < 16; ++t) W[t] = loadBE32(block + 4 * t);
    for (int t = 16; t < 80; ++t) W[t] = std::rotl(W[t - 3] ^ W[t - 8] ^ W[t - 14] ^ W[t - 16], 1);
    std::uint32_t a = H[0], b = H[1], c = H[2], d = H[3], e = H[4];
    auto step = [&](std::uint32_t f, std::uint32_t k, std::uint32_t w) {
        const std::uint32_t tmp = std::rotl(a, 5) + f + e + k + w;
        e = d;
        d = c;
        c = std::rotl(b, 30);
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
