#include "symcrypto/Rc6.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "common/Secure.h"
#include "symcrypto/BlockWords.h"

namespace zerath {

namespace {
constexpr std::uint32_t kP32 = 0xB7E15163u;
constexpr std::uint32_t kQ32 = 0x9E3779B9u;
} // namespace

TDCP_rc6::~TDCP_rc6()
{
    Wipe();
}

void TDCP_rc6::Wipe()
{
    secureZero(KeyData, sizeof KeyData);
    TDCP_blockcipher128::Wipe();
}

void TDCP_rc6::ExpandKey(const void* key, unsigned bits)
{
    constexpr int t = 2 * kRounds + 4;
    const std::size_t bytes = std::min<std::size_t>(bits / 8, 256);
    const std::size_t c = std::max<std::size_t>(1, (bytes + 3) / 4);
    std::uint32_t L[64] = {};
    const auto* k = static_cast<const std::uint8_t*>(key);
    for (std::size_t i = 0; i < bytes; ++i) L[i / 4] |= std::uint32_t(k[i]) << (8 * (i % 4));

    KeyData[0] = kP32;
    for (int i = 1; i < t; ++i) KeyData[i] = KeyData[i - 1] + kQ32;

    std::uint32_t A = 0, B = 0;
    std::size_t i = 0, j = 0;
    const std::size_t passes = 3 * std::max<std::size_t>(t, c);
    for (std::size_t s = 0; s < passes; ++s) {
        A = KeyData[i] = std::rotl(KeyData[i] + A + B, 3);
        B = L[j] = std::rotl(L[j] + A + B, int((A + B) & 31));
        i = (i + 1) % t;
        j = (j + 1) % c;
    }
    secureZero(L, sizeof L);
}

namespace {

inline void rc6EncryptWords(const std::uint32_t* S, std::uint32_t& A, std::uint32_t& B, std::uint32_t& C,
                            std::uint32_t& D)
{
    B += S[0];
    D += S[1];
    for (int r = 1; r <= 20; ++r) {
        const std::uint32_t t = std::rotl(B * (2 * B + 1), 5);
        const std::uint32_t u = std::rotl(D * (2 * D + 1), 5);
        A = std::rotl(A ^ t, int(u & 31)) + S[2 * r];
        C = std::rotl(C ^ u, int(t & 31)) + S[2 * r + 1];
        const std::uint32_t a = A;
        A = B;
        B = C;
        C = D;
        D = a;
    }
    A += S[42];
    C += S[43];
}

inline void rc6Encrypt(const std::uint32_t* S, const std::uint8_t* in, std::uint8_t* out)
{
    std::uint32_t A = loadLE32(in), B = loadLE32(in + 4), C = loadLE32(in + 8), D = loadLE32(in + 12);
    rc6EncryptWords(S, A, B, C, D);
    storeLE32(out, A);
    storeLE32(out + 4, B);
    storeLE32(out + 8, C);
    storeLE32(out + 12, D);
}

inline void rc6Decrypt(const std::uint32_t* S, const std::uint8_t* in, std::uint8_t* out)
{
    std::uint32_t A = loadLE32(in), B = loadLE32(in + 4), C = loadLE32(in + 8), D = loadLE32(in + 12);
    C -= S[43];
    A -= S[42];
    for (int r = 20; r >= 1; --r) {
        const std::uint32_t d = D;
        D = C;
        C = B;
        B = A;
        A = d;
        const std::uint32_t u = std::rotl(D * (2 * D + 1), 5);
        const std::uint32_t t = std::rotl(B * (2 * B + 1), 5);
        C = std::rotr(C - S[2 * r + 1], int(t & 31)) ^ u;
        A = std::rotr(A - S[2 * r], int(u & 31)) ^ t;
    }
    D -= S[1];
    B -= S[0];
    storeLE32(out, A);
    storeLE32(out + 4, B);
    storeLE32(out + 8, C);
    storeLE32(out + 12, D);
}

// Two independent blocks at once, so that their multiplications overlap.
inline void rc6Decrypt2(const std::uint32_t* S, const std::uint8_t* in, std::uint8_t* out)
{
    std::uint32_t A[2], B[2], C[2], D[2];
    for (int k = 0; k < 2; ++k) {
        const std::uint8_t* p = in + 16 * k;
        A[k] = loadLE32(p) - S[42];
        B[k] = loadLE32(p + 4);
        C[k] = loadLE32(p + 8) - S[43];
        D[k] = loadLE32(p + 12);
    }
    for (int r = 20; r >= 1; --r) {
        for (int k = 0; k < 2; ++k) {
            const std::uint32_t a = A[k], b = B[k], c = C[k], d = D[k];
            // Undo the rotation of the registers: (A, B, C, D) := (D, A, B, C).
            const std::uint32_t u = std::rotl(c * (2 * c + 1), 5);
            const std::uint32_t t = std::rotl(a * (2 * a + 1), 5);
            C[k] = std::rotr(b - S[2 * r + 1], int(t & 31)) ^ u;
            A[k] = std::rotr(d - S[2 * r], int(u & 31)) ^ t;
            B[k] = a;
            D[k] = c;
        }
    }
    for (int k = 0; k < 2; ++k) {
        std::uint8_t* p = out + 16 * k;
        storeLE32(p, A[k]);
        storeLE32(p + 4, B[k] - S[0]);
        storeLE32(p + 8, C[k]);
        storeLE32(p + 12, D[k] - S[1]);
    }
}

} // namespace

void TDCP_rc6::EncryptBlock(const void* in, void* out) const
{
    rc6Encrypt(KeyData, static_cast<const std::uint8_t*>(in), static_cast<std::uint8_t*>(out));
}

void TDCP_rc6::DecryptBlock(const void* in, void* out) const
{
    rc6Decrypt(KeyData, static_cast<const std::uint8_t*>(in), static_cast<std::uint8_t*>(out));
}

void TDCP_rc6::EncryptCbc(const void* in, void* out, std::size_t n)
{
    const std::uint32_t* S = KeyData;
    EncryptCbcWords(in, out, n, [S](std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d) {
        rc6EncryptWords(S, a, b, c, d);
    });
}

void TDCP_rc6::DecryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const
{
    std::size_t i = 0;
    for (; i + 2 <= blocks; i += 2) rc6Decrypt2(KeyData, in + 16 * i, out + 16 * i);
    if (i < blocks) rc6Decrypt(KeyData, in + 16 * i, out + 16 * i);
}

bool TDCP_rc6::CheckVectors()
{
    // The 128-, 192- and 256-bit vectors of the RC6 reference.
    static const KnownAnswer vectors[] = {
        {"0123456789abcdef0112233445566778", "02132435465768798a9bacbdcedfe0f1", "524e192f4715c6231f51f6367ea43f18"},
        {"0123456789abcdef0112233445566778899aabbccddeeff0", "02132435465768798a9bacbdcedfe0f1",
         "688329d019e505041e52e92af95291d4"},
        {"0123456789abcdef0112233445566778899aabbccddeeff01032547698badcfe", "02132435465768798a9bacbdcedfe0f1",
         "c8241816f0d7e48920ad16a1674e5d48"},
    };
    return runKnownAnswers<TDCP_rc6>(vectors);
}

} // namespace zerath
