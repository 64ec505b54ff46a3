#include "symcrypto/Serpent.h"

#include <bit>
#include <cstring>
#include <utility>

#include "common/Secure.h"
#include "symcrypto/BlockWords.h"

namespace zerath {

namespace {

using u32 = std::uint32_t;

// The S-boxes as Boolean circuits on whole words (the gate sequences of the
// Serpent submission). Inputs a..d are bits 0..3 of each nibble; the results
// replace them, bit 0 first.
[[gnu::always_inline]] inline void sb0(u32& a, u32& b, u32& c, u32& d)
{
    u32 t01 = b ^ c, t02 = a | d, t03 = a ^ b, z = t02 ^ t01, t05 = c | z, t06 = a ^ d, t07 = b | c, t08 = d & t05;
    u32 t09 = t03 & t07, y = t09 ^ t08, t11 = t09 & y, t12 = c ^ d, t13 = t07 ^ t11, t14 = b & t06, t15 = t06 ^ t13;
    u32 w = ~t15, t17 = w ^ t14, x = t12 ^ t17;
    a = w; b = x; c = y; d = z;
}
[[gnu::always_inline]] inline void ib0(u32& a, u32& b, u32& c, u32& d)
{
    u32 t01 = c ^ d, t02 = a | b, t03 = b | c, t04 = c & t01, t05 = t02 ^ t01, t06 = a | t04, y = ~t05, t08 = b ^ d;
    u32 t09 = t03 & t08, t10 = d | y, x = t09 ^ t06, t12 = a | t05, t13 = x ^ t12, t14 = t03 ^ t10, t15 = a ^ c;
    u32 z = t14 ^ t13, t17 = t05 & t13, t18 = t14 | t17, w = t15 ^ t18;
    a = w; b = x; c = y; d = z;
}
[[gnu::always_inline]] inline void sb1(u32& a, u32& b, u32& c, u32& d)
{
    u32 t01 = a | d, t02 = c ^ d, t03 = ~b, t04 = a ^ c, t05 = a | t03, t06 = d & t04, t07 = t01 & t02, t08 = b | t06;
    u32 y = t02 ^ t05, t10 = t07 ^ t08, t11 = t01 ^ t10, t12 = y ^ t11, t13 = b & d, z = ~t10, x = t13 ^ t12;
    u32 t16 = t10 | x, t17 = t05 & t16, w = c ^ t17;
    a = w; b = x; c = y; d = z;
}
[[gnu::always_inline]] inline void ib1(u32& a, u32& b, u32& c, u32& d)
{
    u32 t01 = a ^ b, t02 = b | d, t03 = a & c, t04 = c ^ t02, t05 = a | t04, t06 = t01 & t05, t07 = d | t03;
    u32 t08 = b ^ t06, t09 = t07 ^ t06, t10 = t04 | t03, t11 = d & t08, y = ~t09, x = t10 ^ t11, t14 = a | y;
    u32 t15 = t06 ^ x, z = t01 ^ t04, t17 = c ^ t15, w = t14 ^ t17;
    a = w; b = x; c = y; d = z;
}
[[gnu::always_inline]] inline void sb2(u32& a, u32& b, u32& c, u32& d)
{
    u32 t01 = a | c, t02 = a ^ b, t03 = d ^ t01, w = t02 ^ t03, t05 = c ^ w, t06 = b ^ t05, t07 = b | t05;
    u32 t08 = t01 & t06, t09 = t03 ^ t07, t10 = t02 | t09, x = t10 ^ t08, t12 = a | d, t13 = t09 ^ x, t14 = b ^ t13;
    u32 z = ~t09, y = t12 ^ t14;
    a = w; b = x; c = y; d = z;
}
[[gnu::always_inline]] inline void ib2(u32& a, u32& b, u32& c, u32& d)
{
    u32 t01 = a ^ d, t02 = c ^ d, t03 = a & c, t04 = b | t02, w = t01 ^ t04, t06 = a | c, t07 = d | w, t08 = ~d;
    u32 t09 = b & t06, t10 = t08 | t03, t11 = b & t07, t12 = t06 & t02, z = t09 ^ t10, x = t12 ^ t11, t15 = c & z;
    u32 t16 = w ^ x, t17 = t10 ^ t15, y = t16 ^ t17;
    a = w; b = x; c = y; d = z;
}
[[gnu::always_inline]] inline void sb3(u32& a, u32& b, u32& c, u32& d)
{
    u32 t01 = a ^ c, t02 = a | d, t03 = a & d, t04 = t01 & t02, t05 = b | t03, t06 = a & b, t07 = d ^ t04;
    u32 t08 = c | t06, t09 = b ^ t07, t10 = d & t05, t11 = t02 ^ t10, z = t08 ^ t09, t13 = d | z, t14 = a | t07;
    u32 t15 = b & t13, y = t08 ^ t11, w = t14 ^ t15, x = t05 ^ t04;
    a = w; b = x; c = y; d = z;
}
[[gnu::always_inline]] inline void ib3(u32& a, u32& b, u32& c, u32& d)
{
    u32 t01 = c | d, t02 = a | d, t03 = c ^ t02, t04 = b ^ t02, t05 = a ^ d, t06 = t04 & t03, t07 = b & t01;
    u32 y = t05 ^ t06, t09 = a ^ t03, w = t07 ^ t03, t11 = w | t05, t12 = t09 & t11, t13 = a & y, t14 = t01 ^ t05;
    u32 x = b ^ t12, t16 = b | t13, z = t14 ^ t16;
    a = w; b = x; c = y; d = z;
}
[[gnu::always_inline]] inline void sb4(u32& a, u32& b, u32& c, u32& d)
{
    u32 t01 = a | b, t02 = b | c, t03 = a ^ t02, t04 = b ^ d, t05 = d | t03, t06 = d & t01, z = t03 ^ t06;
    u32 t08 = z & t04, t09 = t04 & t05, t10 = c ^ t06, t11 = b & c, t12 = t04 ^ t08, t13 = t11 | t03;
    u32 t14 = t10 ^ t09, t15 = a & t05, t16 = t11 | t12, y = t13 ^ t08, x = t15 ^ t16, w = ~t14;
    a = w; b = x; c = y; d = z;
}
[[gnu::always_inline]] inline void ib4(u32& a, u32& b, u32& c, u32& d)
{
    u32 t01 = b | d, t02 = c | d, t03 = a & t01, t04 = b ^ t02, t05 = c ^ d, t06 = ~t03, t07 = a & t04;
    u32 x = t05 ^ t07, t09 = x | t06, t10 = a ^ t07, t11 = t01 ^ t09, t12 = d ^ t04, t13 = c | t10, z = t03 ^ t12;
    u32 t15 = a ^ t04, y = t11 ^ t13, w = t15 ^ t09;
    a = w; b = x; c = y; d = z;
}
[[gnu::always_inline]] inline void sb5(u32& a, u32& b, u32& c, u32& d)
{
    u32 t01 = b ^ d, t02 = b | d, t03 = a & t01, t04 = c ^ t02, t05 = t03 ^ t04, w = ~t05, t07 = a ^ t01;
    u32 t08 = d | w, t09 = b | t05, t10 = d ^ t08, t11 = b | t07, t12 = t03 | w, t13 = t07 | t10, t14 = t01 ^ t11;
    u32 y = t09 ^ t13, x = t07 ^ t08, z = t12 ^ t14;
    a = w; b = x; c = y; d = z;
}
[[gnu::always_inline]] inline void ib5(u32& a, u32& b, u32& c, u32& d)
{
    u32 t01 = a & d, t02 = c ^ t01, t03 = a ^ d, t04 = b & t02, t05 = a & c, w = t03 ^ t04, t07 = a & w;
    u32 t08 = t01 ^ w, t09 = b | t05, t10 = ~b, x = t08 ^ t09, t12 = t10 | t07, t13 = w | x, z = t02 ^ t12;
    u32 t15 = t02 ^ t13, t16 = b ^ d, y = t16 ^ t15;
    a = w; b = x; c = y; d = z;
}
[[gnu::always_inline]] inline void sb6(u32& a, u32& b, u32& c, u32& d)
{
    u32 t01 = a & d, t02 = b ^ c, t03 = a ^ d, t04 = t01 ^ t02, t05 = b | c, x = ~t04, t07 = t03 & t05;
    u32 t08 = b & x, t09 = a | c, t10 = t07 ^ t08, t11 = b | d, t12 = c ^ t11, t13 = t09 ^ t10, y = ~t13;
    u32 t15 = x & t03, z = t12 ^ t07, t17 = a ^ b, t18 = y ^ t15, w = t17 ^ t18;
    a = w; b = x; c = y; d = z;
}
[[gnu::always_inline]] inline void ib6(u32& a, u32& b, u32& c, u32& d)
{
    u32 t01 = a ^ c, t02 = ~c, t03 = b & t01, t04 = b | t02, t05 = d | t03, t06 = b ^ d, t07 = a & t04;
    u32 t08 = a | t02, t09 = t07 ^ t05, x = t06 ^ t08, w = ~t09, t12 = b & w, t13 = t01 & t05, t14 = t01 ^ t12;
    u32 t15 = t07 ^ t13, t16 = d | t02, t17 = a ^ x, z = t17 ^ t15, y = t16 ^ t14;
    a = w; b = x; c = y; d = z;
}
[[gnu::always_inline]] inline void sb7(u32& a, u32& b, u32& c, u32& d)
{
    u32 t01 = a & c, t02 = ~d, t03 = a & t02, t04 = b | t01, t05 = a & b, t06 = c ^ t04, z = t03 ^ t06;
    u32 t08 = c | z, t09 = d | t05, t10 = a ^ t08, t11 = t04 & z, x = t09 ^ t10, t13 = b ^ x, t14 = t01 ^ x;
    u32 t15 = c ^ t05, t16 = t11 | t13, t17 = t02 | t14, w = t15 ^ t17, y = a ^ t16;
    a = w; b = x; c = y; d = z;
}
[[gnu::always_inline]] inline void ib7(u32& a, u32& b, u32& c, u32& d)
{
    u32 t01 = a & b, t02 = a | b, t03 = c | t01, t04 = d & t02, z = t03 ^ t04, t06 = b ^ t04, t07 = d ^ z;
    u32 t08 = ~t07, t09 = t06 | t08, t10 = b ^ d, t11 = a | d, x = a ^ t09, t13 = c ^ t06, t14 = c & t11;
    u32 t15 = d | x, t16 = t01 | t10, w = t13 ^ t15, y = t14 ^ t16;
    a = w; b = x; c = y; d = z;
}

inline void sbox(int box, u32& a, u32& b, u32& c, u32& d)
{
    switch (box & 7) {
    case 0: sb0(a, b, c, d); break;
    case 1: sb1(a, b, c, d); break;
    case 2: sb2(a, b, c, d); break;
    case 3: sb3(a, b, c, d); break;
    case 4: sb4(a, b, c, d); break;
    case 5: sb5(a, b, c, d); break;
    case 6: sb6(a, b, c, d); break;
    default: sb7(a, b, c, d); break;
    }
}

inline void ibox(int box, u32& a, u32& b, u32& c, u32& d)
{
    switch (box & 7) {
    case 0: ib0(a, b, c, d); break;
    case 1: ib1(a, b, c, d); break;
    case 2: ib2(a, b, c, d); break;
    case 3: ib3(a, b, c, d); break;
    case 4: ib4(a, b, c, d); break;
    case 5: ib5(a, b, c, d); break;
    case 6: ib6(a, b, c, d); break;
    default: ib7(a, b, c, d); break;
    }
}

// The linear transformation and its inverse.
[[gnu::always_inline]] inline void lt(u32& a, u32& b, u32& c, u32& d)
{
    a = std::rotl(a, 13);
    c = std::rotl(c, 3);
    b ^= a ^ c;
    d ^= c ^ (a << 3);
    b = std::rotl(b, 1);
    d = std::rotl(d, 7);
    a ^= b ^ d;
    c ^= d ^ (b << 7);
    a = std::rotl(a, 5);
    c = std::rotl(c, 22);
}

[[gnu::always_inline]] inline void ilt(u32& a, u32& b, u32& c, u32& d)
{
    c = std::rotr(c, 22);
    a = std::rotr(a, 5);
    c ^= d ^ (b << 7);
    a ^= b ^ d;
    d = std::rotr(d, 7);
    b = std::rotr(b, 1);
    d ^= c ^ (a << 3);
    b ^= a ^ c;
    c = std::rotr(c, 3);
    a = std::rotr(a, 13);
}

[[gnu::always_inline]] inline void mix(const u32* k, u32& a, u32& b, u32& c, u32& d)
{
    a ^= k[0];
    b ^= k[1];
    c ^= k[2];
    d ^= k[3];
}

template <int Box>
[[gnu::always_inline]] inline void sboxN(u32& a, u32& b, u32& c, u32& d)
{
    if constexpr (Box == 0) sb0(a, b, c, d);
    else if constexpr (Box == 1) sb1(a, b, c, d);
    else if constexpr (Box == 2) sb2(a, b, c, d);
    else if constexpr (Box == 3) sb3(a, b, c, d);
    else if constexpr (Box == 4) sb4(a, b, c, d);
    else if constexpr (Box == 5) sb5(a, b, c, d);
    else if constexpr (Box == 6) sb6(a, b, c, d);
    else sb7(a, b, c, d);
}

template <int Box>
[[gnu::always_inline]] inline void iboxN(u32& a, u32& b, u32& c, u32& d)
{
    if constexpr (Box == 0) ib0(a, b, c, d);
    else if constexpr (Box == 1) ib1(a, b, c, d);
    else if constexpr (Box == 2) ib2(a, b, c, d);
    else if constexpr (Box == 3) ib3(a, b, c, d);
    else if constexpr (Box == 4) ib4(a, b, c, d);
    else if constexpr (Box == 5) ib5(a, b, c, d);
    else if constexpr (Box == 6) ib6(a, b, c, d);
    else ib7(a, b, c, d);
}

// Round R: key mixing, S-box R mod 8, then the linear transformation (the
// last round mixes in the 33rd key instead).
template <int R>
[[gnu::always_inline]] inline void encRound(const u32* K, u32& a, u32& b, u32& c, u32& d)
{
    mix(K + 4 * R, a, b, c, d);
    sboxN<R % 8>(a, b, c, d);
    if constexpr (R == 31)
        mix(K + 128, a, b, c, d);
    else
        lt(a, b, c, d);
}

template <int R>
[[gnu::always_inline]] inline void decRound(const u32* K, u32& a, u32& b, u32& c, u32& d)
{
    if constexpr (R == 31)
        mix(K + 128, a, b, c, d);
    else
        ilt(a, b, c, d);
    iboxN<R % 8>(a, b, c, d);
    mix(K + 4 * R, a, b, c, d);
}

template <int... R>
[[gnu::always_inline]] inline void encAll(const u32* K, u32& a, u32& b, u32& c, u32& d, std::integer_sequence<int, R...>)
{
    (encRound<R>(K, a, b, c, d), ...);
}

template <int... R>
[[gnu::always_inline]] inline void decAll(const u32* K, u32& a, u32& b, u32& c, u32& d, std::integer_sequence<int, R...>)
{
    (decRound<31 - R>(K, a, b, c, d), ...);
}

// Two independent blocks round by round, so that their gates overlap.
template <int... R>
[[gnu::always_inline]] inline void decAll2(const u32* K, u32* x, u32* y, std::integer_sequence<int, R...>)
{
    ((decRound<31 - R>(K, x[0], x[1], x[2], x[3]), decRound<31 - R>(K, y[0], y[1], y[2], y[3])), ...);
}

inline void serpentDecrypt2(const u32* K, const std::uint8_t* in, std::uint8_t* out)
{
    u32 x[4], y[4];
    for (int i = 0; i < 4; ++i) {
        x[i] = loadLE32(in + 4 * i);
        y[i] = loadLE32(in + 16 + 4 * i);
    }
    decAll2(K, x, y, std::make_integer_sequence<int, 32>{});
    for (int i = 0; i < 4; ++i) {
        storeLE32(out + 4 * i, x[i]);
        storeLE32(out + 16 + 4 * i, y[i]);
    }
}

inline void serpentEncrypt(const u32* K, const std::uint8_t* in, std::uint8_t* out)
{
    u32 a = loadLE32(in), b = loadLE32(in + 4), c = loadLE32(in + 8), d = loadLE32(in + 12);
    encAll(K, a, b, c, d, std::make_integer_sequence<int, 32>{});
    storeLE32(out, a);
    storeLE32(out + 4, b);
    storeLE32(out + 8, c);
    storeLE32(out + 12, d);
}

inline void serpentDecrypt(const u32* K, const std::uint8_t* in, std::uint8_t* out)
{
    u32 a = loadLE32(in), b = loadLE32(in + 4), c = loadLE32(in + 8), d = loadLE32(in + 12);
    decAll(K, a, b, c, d, std::make_integer_sequence<int, 32>{});
    storeLE32(out, a);
    storeLE32(out + 4, b);
    storeLE32(out + 8, c);
    storeLE32(out + 12, d);
}

} // namespace

void TDCP_serpent::ApplySBox(int box, std::uint32_t x[4])
{
    sbox(box, x[0], x[1], x[2], x[3]);
}

void TDCP_serpent::ApplyInverseSBox(int box, std::uint32_t x[4])
{
    ibox(box, x[0], x[1], x[2], x[3]);
}

TDCP_serpent::~TDCP_serpent()
{
    Wipe();
}

void TDCP_serpent::Wipe()
{
    secureZero(KeyData, sizeof KeyData);
    TDCP_blockcipher128::Wipe();
}

void TDCP_serpent::ExpandKey(const void* key, unsigned bits)
{
    constexpr u32 kPhi = 0x9E3779B9u;
    std::size_t bytes = bits / 8;
    if (bytes > 32) bytes = 32;
    std::uint8_t padded[32] = {};
    std::memcpy(padded, key, bytes);
    if (bytes < 32) padded[bytes] = 0x01;

    u32 w[140];
    for (int i = 0; i < 8; ++i) w[i] = loadLE32(padded + 4 * i);
    for (int i = 8; i < 140; ++i) w[i] = std::rotl(w[i - 8] ^ w[i - 5] ^ w[i - 3] ^ w[i - 1] ^ kPhi ^ u32(i - 8), 11);
    // Round key i goes through S-box (3 - i) mod 8.
    for (int i = 0; i < 33; ++i) {
        u32* p = w + 8 + 4 * i;
        sbox((3 - i) & 7, p[0], p[1], p[2], p[3]);
        for (int j = 0; j < 4; ++j) KeyData[4 * i + j] = p[j];
    }
    secureZero(w, sizeof w);
    secureZero(padded, sizeof padded);
}

void TDCP_serpent::EncryptBlock(const void* in, void* out) const
{
    serpentEncrypt(KeyData, static_cast<const std::uint8_t*>(in), static_cast<std::uint8_t*>(out));
}

void TDCP_serpent::DecryptBlock(const void* in, void* out) const
{
    serpentDecrypt(KeyData, static_cast<const std::uint8_t*>(in), static_cast<std::uint8_t*>(out));
}

void TDCP_serpent::EncryptCbc(const void* in, void* out, std::size_t n)
{
    const u32* K = KeyData;
    EncryptCbcWords(in, out, n, [K](u32& a, u32& b, u32& c, u32& d) {
        encAll(K, a, b, c, d, std::make_integer_sequence<int, 32>{});
    });
}

void TDCP_serpent::DecryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const
{
    std::size_t i = 0;
    for (; i + 2 <= blocks; i += 2) serpentDecrypt2(KeyData, in + 16 * i, out + 16 * i);
    if (i < blocks) serpentDecrypt(KeyData, in + 16 * i, out + 16 * i);
}

bool TDCP_serpent::CheckVectors()
{
    static const KnownAnswer vectors[] = {
        {"00112233445566778899aabbccddeeffffeeddccbbaa99887766554433221100", "1032547698badcfeefcdab8967452301",
         "93df9a3cafe387bd999eebe393a17fca"},
    };
    return runKnownAnswers<TDCP_serpent>(vectors);
}

} // namespace zerath
