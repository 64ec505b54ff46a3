// AES-instruction path of TDCP_rijndael. Everything here runs only after
// Available() has answered true; the rest of the program never executes an
// AES instruction on a processor without them.
#include "symcrypto/RijndaelNi.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZERATH_AESNI 1
#define ZERATH_TARGET __attribute__((target("aes,sse4.1")))
#endif

namespace zerath::rijndael_ni {

#ifdef ZERATH_AESNI

namespace {

template <int NR>
ZERATH_TARGET inline void loadKeys(const std::uint8_t* rk, __m128i (&k)[NR + 1])
{
#pragma GCC unroll 15
    for (int i = 0; i <= NR; ++i) k[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rk + 16 * i));
}

ZERATH_TARGET inline __m128i load(const std::uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
ZERATH_TARGET inline void store(std::uint8_t* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

template <int NR>
ZERATH_TARGET inline __m128i encrypt(__m128i x, const __m128i (&k)[NR + 1])
{
    x = _mm_xor_si128(x, k[0]);
#pragma GCC unroll 14
    for (int r = 1; r < NR; ++r) x = _mm_aesenc_si128(x, k[r]);
    return _mm_aesenclast_si128(x, k[NR]);
}

template <int NR>
ZERATH_TARGET inline __m128i decrypt(__m128i x, const __m128i (&k)[NR + 1])
{
    x = _mm_xor_si128(x, k[0]);
#pragma GCC unroll 14
    for (int r = 1; r < NR; ++r) x = _mm_aesdec_si128(x, k[r]);
    return _mm_aesdeclast_si128(x, k[NR]);
}

template <int NR>
ZERATH_TARGET void encryptCbc(const std::uint8_t* rk, std::uint8_t* cv, const std::uint8_t* in,
                              std::uint8_t* out, std::size_t blocks)
{
    __m128i k[NR + 1];
    loadKeys<NR>(rk, k);
    __m128i c = load(cv);
    for (; blocks > 0; --blocks, in += 16, out += 16) {
        c = encrypt<NR>(_mm_xor_si128(load(in), c), k);
        store(out, c);
    }
    store(cv, c);
}

// Eight blocks in flight: the instructions' latency hides behind independent work.
template <int NR>
ZERATH_TARGET void decryptBlocks8(const __m128i (&k)[NR + 1], __m128i (&x)[8])
{
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) x[i] = _mm_xor_si128(x[i], k[0]);
#pragma GCC unroll 14
    for (int r = 1; r < NR; ++r) {
        const __m128i kr = k[r];
#pragma GCC unroll 8
        for (int i = 0; i < 8; ++i) x[i] = _mm_aesdec_si128(x[i], kr);
    }
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) x[i] = _mm_aesdeclast_si128(x[i], k[NR]);
}

template <int NR>
ZERATH_TARGET void decryptCbc(const std::uint8_t* drk, std::uint8_t* cv, const std::uint8_t* in,
                              std::uint8_t* out, std::size_t blocks)
{
    __m128i k[NR + 1];
    loadKeys<NR>(drk, k);
    __m128i prev = load(cv);
    for (; blocks >= 8; blocks -= 8, in += 128, out += 128) {
        __m128i x[8];
#pragma GCC unroll 8
        for (int i = 0; i < 8; ++i) x[i] = load(in + 16 * i);
        decryptBlocks8<NR>(k, x);
        // Every ciphertext block is read before its place in out is written.
        const __m128i last = load(in + 112);
#pragma GCC unroll 8
        for (int i = 7; i > 0; --i) store(out + 16 * i, _mm_xor_si128(x[i], load(in + 16 * (i - 1))));
        store(out, _mm_xor_si128(x[0], prev));
        prev = last;
    }
    for (; blocks > 0; --blocks, in += 16, out += 16) {
        const __m128i c = load(in);
        store(out, _mm_xor_si128(decrypt<NR>(c, k), prev));
        prev = c;
    }
    store(cv, prev);
}

template <int NR>
ZERATH_TARGET void encryptOne(const std::uint8_t* rk, const std::uint8_t* in, std::uint8_t* out)
{
    __m128i k[NR + 1];
    loadKeys<NR>(rk, k);
    store(out, encrypt<NR>(load(in), k));
}

template <int NR>
ZERATH_TARGET void decryptOne(const std::uint8_t* drk, const std::uint8_t* in, std::uint8_t* out)
{
    __m128i k[NR + 1];
    loadKeys<NR>(drk, k);
    store(out, decrypt<NR>(load(in), k));
}

} // namespace

bool Available()
{
    static const bool has = __builtin_cpu_supports("aes") && __builtin_cpu_supports("sse4.1");
    return has;
}

ZERATH_TARGET void MakeDecryptionKey(const std::uint8_t* enc, std::uint8_t* dec, int rounds)
{
    store(dec, load(enc + 16 * rounds));
    for (int i = 1; i < rounds; ++i) store(dec + 16 * i, _mm_aesimc_si128(load(enc + 16 * (rounds - i))));
    store(dec + 16 * rounds, load(enc));
}

#define ZERATH_BY_ROUNDS(call)                                                                        \
    switch (rounds) {                                                                                 \
    case 10: call(10); break;                                                                         \
    case 12: call(12); break;                                                                         \
    default: call(14); break;                                                                         \
    }

void EncryptBlock(const std::uint8_t* rk, int rounds, const std::uint8_t* in, std::uint8_t* out)
{
#define C(n) encryptOne<n>(rk, in, out)
    ZERATH_BY_ROUNDS(C)
#undef C
}

void DecryptBlock(const std::uint8_t* drk, int rounds, const std::uint8_t* in, std::uint8_t* out)
{
#define C(n) decryptOne<n>(drk, in, out)
    ZERATH_BY_ROUNDS(C)
#undef C
}

void EncryptCbc(const std::uint8_t* rk, int rounds, std::uint8_t* cv, const std::uint8_t* in,
                std::uint8_t* out, std::size_t blocks)
{
#define C(n) encryptCbc<n>(rk, cv, in, out, blocks)
    ZERATH_BY_ROUNDS(C)
#undef C
}

void DecryptCbc(const std::uint8_t* drk, int rounds, std::uint8_t* cv, const std::uint8_t* in,
                std::uint8_t* out, std::size_t blocks)
{
#define C(n) decryptCbc<n>(drk, cv, in, out, blocks)
    ZERATH_BY_ROUNDS(C)
#undef C
}

#else // no AES instructions on this architecture

bool Available() { return false; }
void MakeDecryptionKey(const std::uint8_t*, std::uint8_t*, int) {}
void EncryptBlock(const std::uint8_t*, int, const std::uint8_t*, std::uint8_t*) {}
void DecryptBlock(const std::uint8_t*, int, const std::uint8_t*, std::uint8_t*) {}
void EncryptCbc(const std::uint8_t*, int, std::uint8_t*, const std::uint8_t*, std::uint8_t*, std::size_t) {}
void DecryptCbc(const std::uint8_t*, int, std::uint8_t*, const std::uint8_t*, std::uint8_t*, std::size_t) {}

#endif

} // namespace zerath::rijndael_ni
