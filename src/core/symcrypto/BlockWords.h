#pragma once
// Small helpers shared by the block ciphers and digests: little- and
// big-endian word access and the known-answer check behind CheckVectors.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "symcrypto/Cipher.h"

namespace zerath {

inline std::uint32_t loadLE32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

inline void storeLE32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

inline std::uint32_t loadBE32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

inline void storeBE32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}

// One key / plain block / cipher block triple in hexadecimal, first byte first.
struct KnownAnswer {
    std::string_view key, plain, cipher;
};

namespace detail {
inline std::size_t hexToBytes(std::string_view hex, std::uint8_t* out, std::size_t cap)
{
    auto nib = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return 0;
    };
    std::size_t n = 0;
    for (std::size_t i = 0; i + 1 < hex.size() && n < cap; i += 2) out[n++] = std::uint8_t(nib(hex[i]) << 4 | nib(hex[i + 1]));
    return n;
}
} // namespace detail

// Keys the given scratch cipher with each vector, enciphers and deciphers one
// block; true only when every result matches. The cipher is left wiped.
template <class Cipher, std::size_t N>
bool runKnownAnswers(Cipher& c, const KnownAnswer (&vectors)[N])
{
    try {
        bool ok = true;
        for (const KnownAnswer& v : vectors) {
            std::uint8_t key[256], plain[16], cipher[16], out[16], back[16];
            const std::size_t keyBytes = detail::hexToBytes(v.key, key, sizeof key);
            detail::hexToBytes(v.plain, plain, 16);
            detail::hexToBytes(v.cipher, cipher, 16);
            c.SetKey(key, unsigned(keyBytes * 8), nullptr);
            c.EncryptBlock(plain, out);
            c.DecryptBlock(out, back);
            if (std::memcmp(out, cipher, 16) != 0 || std::memcmp(back, plain, 16) != 0) {
                ok = false;
                break;
            }
        }
        c.Wipe();
        return ok;
    } catch (...) {
        c.Wipe();
        return false;
    }
}

// The same with a fresh cipher of the default kind.
template <class Cipher, std::size_t N>
bool runKnownAnswers(const KnownAnswer (&vectors)[N])
{
    Cipher c;
    return runKnownAnswers(c, vectors);
}

} // namespace zerath

namespace zerath {

// CBC encryption of whole blocks with a transform on the four little-endian
// words of a block; CV is the chaining value, updated.
template <class EncryptWords>
inline void cbcEncryptWords(std::uint8_t* CV, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks,
                            EncryptWords encrypt)
{
    std::uint32_t a = loadLE32(CV), b = loadLE32(CV + 4), c = loadLE32(CV + 8), d = loadLE32(CV + 12);
    for (; blocks > 0; --blocks, in += 16, out += 16) {
        a ^= loadLE32(in);
        b ^= loadLE32(in + 4);
        c ^= loadLE32(in + 8);
        d ^= loadLE32(in + 12);
        encrypt(a, b, c, d);
        storeLE32(out, a);
        storeLE32(out + 4, b);
        storeLE32(out + 8, c);
        storeLE32(out + 12, d);
    }
    storeLE32(CV, a);
    storeLE32(CV + 4, b);
    storeLE32(CV + 8, c);
    storeLE32(CV + 12, d);
}

template <class EncryptWords>
void TDCP_blockcipher128::EncryptCbcWords(const void* in, void* out, std::size_t n, EncryptWords encrypt)
{
    CheckKeyed();
    const auto* src = static_cast<const std::uint8_t*>(in);
    auto* dst = static_cast<std::uint8_t*>(out);
    cbcEncryptWords(CV, src, dst, n / 16, encrypt);
    if (n % 16) CbcTail(src + n / 16 * 16, dst + n / 16 * 16, n % 16);
}

} // namespace zerath
