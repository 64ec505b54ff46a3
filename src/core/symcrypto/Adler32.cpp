#include "symcrypto/Adler32.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZERATH_AVX2 1
#define ZERATH_TARGET __attribute__((target("avx2")))
#endif

namespace zerath {

namespace {

constexpr std::uint32_t kBase = 65521;
// The most bytes the 32-bit sums take in before they must be reduced: with
// both sums at kBase - 1 and every byte 255, the second stays under 2^32.
constexpr std::size_t kMaxRun = 5552;

} // namespace

namespace adler32_detail {

std::uint32_t Portable(std::uint32_t adler, const std::uint8_t* p, std::size_t n)
{
    std::uint32_t a = adler & 0xFFFF;
    std::uint32_t b = adler >> 16;
    while (n > 0) {
        std::size_t run = n < kMaxRun ? n : kMaxRun;
        n -= run;
        for (; run >= 8; run -= 8, p += 8) {
            a += p[0]; b += a;
            a += p[1]; b += a;
            a += p[2]; b += a;
            a += p[3]; b += a;
            a += p[4]; b += a;
            a += p[5]; b += a;
            a += p[6]; b += a;
            a += p[7]; b += a;
        }
        for (; run > 0; --run) {
            a += *p++;
            b += a;
        }
        a %= kBase;
        b %= kBase;
    }
    return b << 16 | a;
}

#ifdef ZERATH_AVX2

bool WideAvailable()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// Over a block of 32 bytes x0..x31, a grows by their sum and b by 32 times the
// old a plus the sum of (32 - i) * xi. The blocks of one run keep their sums in
// eight 32-bit lanes: the byte sums, the weighted sums, and the running total
// of a at the start of each block, which b takes 32 times at the end.
ZERATH_TARGET std::uint32_t Wide(std::uint32_t adler, const std::uint8_t* p, std::size_t n)
{
    std::uint32_t a = adler & 0xFFFF;
    std::uint32_t b = adler >> 16;
    const __m256i weights = _mm256_setr_epi8(32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16,
                                             15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
    const __m256i ones = _mm256_set1_epi16(1);
    const __m256i zero = _mm256_setzero_si256();
    while (n >= 32) {
        std::size_t blocks = (n < kMaxRun ? n : kMaxRun) / 32;
        n -= blocks * 32;
        __m256i sa = _mm256_setr_epi32(static_cast<int>(a), 0, 0, 0, 0, 0, 0, 0);
        __m256i sb = _mm256_setr_epi32(static_cast<int>(b), 0, 0, 0, 0, 0, 0, 0);
        __m256i starts = zero;
        for (; blocks > 0; --blocks, p += 32) {
            const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
            starts = _mm256_add_epi32(starts, sa);
            sa = _mm256_add_epi32(sa, _mm256_sad_epu8(x, zero));
            sb = _mm256_add_epi32(sb, _mm256_madd_epi16(_mm256_maddubs_epi16(x, weights), ones));
        }
        sb = _mm256_add_epi32(sb, _mm256_slli_epi32(starts, 5));
        alignas(32) std::uint32_t la[8], lb[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(la), sa);
        _mm256_store_si256(reinterpret_cast<__m256i*>(lb), sb);
        std::uint64_t ta = 0, tb = 0;
        for (int i = 0; i < 8; ++i) {
            ta += la[i];
            tb += lb[i];
        }
        a = static_cast<std::uint32_t>(ta % kBase);
        b = static_cast<std::uint32_t>(tb % kBase);
    }
    // The compiler does not clear the upper halves of the registers on its
    // own here; left dirty, they slow down the SSE code that runs next on this
    // core (zlib's deflate took a quarter longer).
    _mm256_zeroupper();
    return Portable(b << 16 | a, p, n);
}

#else

bool WideAvailable() { return false; }
std::uint32_t Wide(std::uint32_t adler, const std::uint8_t* p, std::size_t n) { return Portable(adler, p, n); }

#endif

} // namespace adler32_detail

std::uint32_t Adler32Update(std::uint32_t adler, const void* data, std::size_t length)
{
    const auto* p = static_cast<const std::uint8_t*>(data);
    return adler32_detail::WideAvailable() ? adler32_detail::Wide(adler, p, length)
                                           : adler32_detail::Portable(adler, p, length);
}

} // namespace zerath
