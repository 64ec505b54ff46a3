#include "symcrypto/Twofish.h"

#include <array>
#include <bit>
#include <cstring>

#include "common/Secure.h"
#include "symcrypto/BlockWords.h"

namespace zerath {

namespace {

using u32 = std::uint32_t;
using u8 = std::uint8_t;

// The fixed permutations q0 and q1, built from their four 4-bit tables.
using Nibbles = std::array<u8, 16>;
constexpr std::array<u8, 256> makeQ(const Nibbles& t0, const Nibbles& t1, const Nibbles& t2, const Nibbles& t3)
{
    std::array<u8, 256> q{};
    auto ror4 = [](unsigned x) { return ((x >> 1) | (x << 3)) & 15; };
    for (unsigned x = 0; x < 256; ++x) {
        unsigned a = x >> 4, b = x & 15;
        unsigned a1 = a ^ b, b1 = (a ^ ror4(b) ^ (8 * a)) & 15;
        unsigned a2 = t0[a1], b2 = t1[b1];
        unsigned a3 = a2 ^ b2, b3 = (a2 ^ ror4(b2) ^ (8 * a2)) & 15;
        unsigned a4 = t2[a3], b4 = t3[b3];
        q[x] = u8(16 * b4 + a4);
    }
    return q;
}

constexpr auto kQ0 = makeQ({8, 1, 7, 13, 6, 15, 3, 2, 0, 11, 5, 9, 14, 12, 10, 4},
                           {14, 12, 11, 8, 1, 2, 3, 5, 15, 4, 10, 6, 7, 0, 9, 13},
                           {11, 10, 5, 14, 6, 13, 9, 0, 12, 8, 15, 3, 2, 4, 7, 1},
                           {13, 7, 15, 4, 1, 2, 6, 14, 9, 11, 3, 0, 8, 5, 12, 10});
constexpr auto kQ1 = makeQ({2, 8, 11, 13, 15, 7, 6, 14, 3, 1, 9, 4, 0, 10, 12, 5},
                           {1, 14, 2, 11, 4, 12, 3, 7, 6, 13, 10, 5, 15, 9, 0, 8},
                           {4, 12, 7, 5, 1, 6, 9, 10, 0, 14, 13, 8, 2, 11, 3, 15},
                           {11, 9, 5, 1, 12, 3, 13, 14, 6, 4, 7, 15, 2, 0, 8, 10});

// Multiplication in GF(2^8) modulo the given polynomial.
constexpr u8 gfMul(u8 a, u8 b, unsigned poly)
{
    unsigned r = 0, x = a;
    for (; b; b >>= 1) {
        if (b & 1) r ^= x;
        x <<= 1;
        if (x & 0x100) x ^= poly;
    }
    return u8(r);
}
constexpr unsigned kMdsPoly = 0x169;
constexpr unsigned kRsPoly = 0x14D;

constexpr u8 kMds[4][4] = {
    {0x01, 0xEF, 0x5B, 0x5B}, {0x5B, 0xEF, 0xEF, 0x01}, {0xEF, 0x5B, 0x01, 0xEF}, {0xEF, 0x01, 0xEF, 0x5B}};
constexpr u8 kRs[4][8] = {{0x01, 0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E},
                          {0xA4, 0x56, 0x82, 0xF3, 0x1E, 0xC6, 0x68, 0xE5},
                          {0x02, 0xA1, 0xFC, 0xC1, 0x47, 0xAE, 0x3D, 0x19},
                          {0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E, 0x03}};

// Column j of the MDS matrix times every byte y.
using MdsTable = std::array<std::array<u32, 256>, 4>;
constexpr MdsTable makeMdsTable()
{
    MdsTable t{};
    for (int j = 0; j < 4; ++j)
        for (unsigned y = 0; y < 256; ++y)
            for (int i = 0; i < 4; ++i) t[j][y] |= u32(gfMul(kMds[i][j], u8(y), kMdsPoly)) << (8 * i);
    return t;
}
constexpr MdsTable kMdsColumns = makeMdsTable();

inline u32 mdsColumn(int j, u8 y)
{
    return kMdsColumns[std::size_t(j)][y];
}

inline u8 byteOf(u32 w, int i) { return u8(w >> (8 * i)); }

// The key-dependent S-box of byte position j: the q chain of h with the key words L[0..k-1].
inline u8 keyedSBox(int j, u8 y, const u32* L, int k)
{
    static constexpr const std::array<u8, 256>* kFirst4[4] = {&kQ1, &kQ0, &kQ0, &kQ1};
    static constexpr const std::array<u8, 256>* kFirst3[4] = {&kQ1, &kQ1, &kQ0, &kQ0};
    static constexpr const std::array<u8, 256>* kChain[4][3] = {
        {&kQ0, &kQ0, &kQ1}, {&kQ1, &kQ0, &kQ0}, {&kQ0, &kQ1, &kQ1}, {&kQ1, &kQ1, &kQ0}};
    if (k == 4) y = (*kFirst4[j])[y] ^ byteOf(L[3], j);
    if (k >= 3) y = (*kFirst3[j])[y] ^ byteOf(L[2], j);
    y = (*kChain[j][0])[y] ^ byteOf(L[1], j);
    y = (*kChain[j][1])[y] ^ byteOf(L[0], j);
    return (*kChain[j][2])[y];
}

inline u32 hFunction(u32 x, const u32* L, int k)
{
    u32 r = 0;
    for (int j = 0; j < 4; ++j) r ^= mdsColumn(j, keyedSBox(j, byteOf(x, j), L, k));
    return r;
}

struct Tables {
    const u32* K;
    const u32 (*S)[256];
    u32 g(u32 x) const { return S[0][x & 0xFF] ^ S[1][(x >> 8) & 0xFF] ^ S[2][(x >> 16) & 0xFF] ^ S[3][x >> 24]; }
};

inline void twofishEncryptWords(const Tables& t, u32& w0, u32& w1, u32& w2, u32& w3)
{
    const u32* K = t.K;
    u32 a = w0 ^ K[0], b = w1 ^ K[1], c = w2 ^ K[2], d = w3 ^ K[3];
    for (int r = 0; r < 8; ++r) {
        u32 t0 = t.g(a), t1 = t.g(std::rotl(b, 8));
        c = std::rotr(c ^ (t0 + t1 + K[4 * r + 8]), 1);
        d = std::rotl(d, 1) ^ (t0 + 2 * t1 + K[4 * r + 9]);
        t0 = t.g(c);
        t1 = t.g(std::rotl(d, 8));
        a = std::rotr(a ^ (t0 + t1 + K[4 * r + 10]), 1);
        b = std::rotl(b, 1) ^ (t0 + 2 * t1 + K[4 * r + 11]);
    }
    w0 = c ^ K[4];
    w1 = d ^ K[5];
    w2 = a ^ K[6];
    w3 = b ^ K[7];
}

inline void twofishEncrypt(const Tables& t, const u8* in, u8* out)
{
    u32 a = loadLE32(in), b = loadLE32(in + 4), c = loadLE32(in + 8), d = loadLE32(in + 12);
    twofishEncryptWords(t, a, b, c, d);
    storeLE32(out, a);
    storeLE32(out + 4, b);
    storeLE32(out + 8, c);
    storeLE32(out + 12, d);
}

inline void twofishDecrypt(const Tables& t, const u8* in, u8* out)
{
    const u32* K = t.K;
    u32 c = loadLE32(in) ^ K[4], d = loadLE32(in + 4) ^ K[5], a = loadLE32(in + 8) ^ K[6], b = loadLE32(in + 12) ^ K[7];
    for (int r = 7; r >= 0; --r) {
        u32 t0 = t.g(c), t1 = t.g(std::rotl(d, 8));
        a = std::rotl(a, 1) ^ (t0 + t1 + K[4 * r + 10]);
        b = std::rotr(b ^ (t0 + 2 * t1 + K[4 * r + 11]), 1);
        t0 = t.g(a);
        t1 = t.g(std::rotl(b, 8));
        c = std::rotl(c, 1) ^ (t0 + t1 + K[4 * r + 8]);
        d = std::rotr(d ^ (t0 + 2 * t1 + K[4 * r + 9]), 1);
    }
    storeLE32(out, a ^ K[0]);
    storeLE32(out + 4, b ^ K[1]);
    storeLE32(out + 8, c ^ K[2]);
    storeLE32(out + 12, d ^ K[3]);
}

// Two independent blocks at once, so that their table look-ups overlap.
inline void twofishDecrypt2(const Tables& t, const u8* in, u8* out)
{
    const u32* K = t.K;
    u32 a[2], b[2], c[2], d[2];
    for (int k = 0; k < 2; ++k) {
        const u8* p = in + 16 * k;
        c[k] = loadLE32(p) ^ K[4];
        d[k] = loadLE32(p + 4) ^ K[5];
        a[k] = loadLE32(p + 8) ^ K[6];
        b[k] = loadLE32(p + 12) ^ K[7];
    }
    for (int r = 7; r >= 0; --r) {
        for (int k = 0; k < 2; ++k) {
            const u32 t0 = t.g(c[k]), t1 = t.g(std::rotl(d[k], 8));
            a[k] = std::rotl(a[k], 1) ^ (t0 + t1 + K[4 * r + 10]);
            b[k] = std::rotr(b[k] ^ (t0 + 2 * t1 + K[4 * r + 11]), 1);
        }
        for (int k = 0; k < 2; ++k) {
            const u32 t0 = t.g(a[k]), t1 = t.g(std::rotl(b[k], 8));
            c[k] = std::rotl(c[k], 1) ^ (t0 + t1 + K[4 * r + 8]);
            d[k] = std::rotr(d[k] ^ (t0 + 2 * t1 + K[4 * r + 9]), 1);
        }
    }
    for (int k = 0; k < 2; ++k) {
        u8* p = out + 16 * k;
        storeLE32(p, a[k] ^ K[0]);
        storeLE32(p + 4, b[k] ^ K[1]);
        storeLE32(p + 8, c[k] ^ K[2]);
        storeLE32(p + 12, d[k] ^ K[3]);
    }
}

} // namespace

TDCP_twofish::~TDCP_twofish()
{
    Wipe();
}

void TDCP_twofish::Wipe()
{
    secureZero(SubKeys, sizeof SubKeys);
    secureZero(SBoxMds, sizeof SBoxMds);
    TDCP_blockcipher128::Wipe();
}

void TDCP_twofish::ExpandKey(const void* key, unsigned bits)
{
    std::size_t bytes = bits / 8;
    if (bytes > 32) bytes = 32;
    const int k = bytes <= 16 ? 2 : bytes <= 24 ? 3 : 4; // key length in 64-bit words
    u8 m[32] = {};
    std::memcpy(m, key, bytes);

    u32 Me[4] = {}, Mo[4] = {}, S[4] = {};
    for (int i = 0; i < k; ++i) {
        Me[i] = loadLE32(m + 8 * i);
        Mo[i] = loadLE32(m + 8 * i + 4);
        // S_i = RS * (m[8i..8i+7]); the S-boxes take them in reverse order.
        u32 s = 0;
        for (int r = 0; r < 4; ++r) {
            u8 v = 0;
            for (int c = 0; c < 8; ++c) v ^= gfMul(kRs[r][c], m[8 * i + c], kRsPoly);
            s |= u32(v) << (8 * r);
        }
        S[k - 1 - i] = s;
    }

    constexpr u32 rho = 0x01010101u;
    for (int i = 0; i < 20; ++i) {
        const u32 A = hFunction(2 * i * rho, Me, k);
        const u32 B = std::rotl(hFunction((2 * i + 1) * rho, Mo, k), 8);
        SubKeys[2 * i] = A + B;
        SubKeys[2 * i + 1] = std::rotl(A + 2 * B, 9);
    }
    for (int j = 0; j < 4; ++j)
        for (unsigned x = 0; x < 256; ++x) SBoxMds[j][x] = mdsColumn(j, keyedSBox(j, u8(x), S, k));

    secureZero(m, sizeof m);
    secureZero(Me, sizeof Me);
    secureZero(Mo, sizeof Mo);
    secureZero(S, sizeof S);
}

void TDCP_twofish::EncryptBlock(const void* in, void* out) const
{
    twofishEncrypt(Tables{SubKeys, SBoxMds}, static_cast<const u8*>(in), static_cast<u8*>(out));
}

void TDCP_twofish::DecryptBlock(const void* in, void* out) const
{
    twofishDecrypt(Tables{SubKeys, SBoxMds}, static_cast<const u8*>(in), static_cast<u8*>(out));
}

void TDCP_twofish::EncryptCbc(const void* in, void* out, std::size_t n)
{
    const Tables t{SubKeys, SBoxMds};
    EncryptCbcWords(in, out, n, [&t](u32& a, u32& b, u32& c, u32& d) { twofishEncryptWords(t, a, b, c, d); });
}

void TDCP_twofish::DecryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const
{
    const Tables t{SubKeys, SBoxMds};
    std::size_t i = 0;
    for (; i + 2 <= blocks; i += 2) twofishDecrypt2(t, in + 16 * i, out + 16 * i);
    if (i < blocks) twofishDecrypt(t, in + 16 * i, out + 16 * i);
}

bool TDCP_twofish::CheckVectors()
{
    // The iterated test of the Twofish paper: 49 rounds, each keyed with the
    // previous plaintexts, for 128-, 192- and 256-bit keys.
    struct Iteration {
        unsigned bits;
        u8 expected[16];
    };
    static const Iteration runs[] = {
        {128, {0x5d, 0x9d, 0x4e, 0xef, 0xfa, 0x91, 0x51, 0x57, 0x55, 0x24, 0xf1, 0x15, 0x81, 0x5a, 0x12, 0xe0}},
        {192, {0xe7, 0x54, 0x49, 0x21, 0x2b, 0xee, 0xf9, 0xf4, 0xa3, 0x90, 0xbd, 0x86, 0x0a, 0x64, 0x09, 0x41}},
        {256, {0x37, 0xfe, 0x26, 0xff, 0x1c, 0xf6, 0x61, 0x75, 0xf5, 0xdd, 0xf4, 0xc3, 0x3b, 0x97, 0xa2, 0x05}},
    };
    try {
        for (const Iteration& run : runs) {
            u8 K[32] = {}, P[16] = {}, C[16], back[16];
            bool roundTrip = true;
            for (int round = 0; round < 49; ++round) {
                TDCP_twofish c;
                c.SetKey(K, run.bits, nullptr);
                if (run.bits == 256) std::memmove(K + 16, K, 16);
                if (run.bits == 192) std::memmove(K + 16, K, 8);
                std::memcpy(K, P, 16);
                c.EncryptBlock(P, C);
                c.DecryptBlock(C, back);
                roundTrip = roundTrip && std::memcmp(back, P, 16) == 0;
                std::memcpy(P, C, 16);
            }
            if (!roundTrip || std::memcmp(P, run.expected, 16) != 0) return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace zerath
