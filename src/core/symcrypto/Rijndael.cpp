#include "symcrypto/Rijndael.h"

#include <bit>
#include <cstring>

#include "common/Secure.h"
#include "symcrypto/BlockWords.h"
#include "symcrypto/RijndaelNi.h"

namespace zerath {

namespace {

// ---- tables, built at compile time from GF(2^8) arithmetic -------------------

constexpr std::uint8_t xtime(std::uint8_t x)
{
    return static_cast<std::uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1B : 0));
}
constexpr std::uint8_t gmul(std::uint8_t a, std::uint8_t b)
{
    std::uint8_t r = 0;
    while (b) {
        if (b & 1) r ^= a;
        a = xtime(a);
        b >>= 1;
    }
    return r;
}
constexpr std::uint8_t ginv(std::uint8_t x) // x^254; 0 maps to 0
{
    std::uint8_t r = 1, p = x;
    for (int e = 254; e; e >>= 1) {
        if (e & 1) r = gmul(r, p);
        p = gmul(p, p);
    }
    return x ? r : 0;
}
constexpr std::uint8_t rotl8(std::uint8_t x, int n)
{
    return static_cast<std::uint8_t>((x << n) | (x >> (8 - n)));
}

struct Tables {
    std::uint8_t S[256], Si[256];
    std::uint32_t Te[4][256], Td[4][256];
};

constexpr Tables makeTables()
{
    Tables t{};
    for (int i = 0; i < 256; ++i) {
        const std::uint8_t b = ginv(static_cast<std::uint8_t>(i));
        const std::uint8_t s = b ^ rotl8(b, 1) ^ rotl8(b, 2) ^ rotl8(b, 3) ^ rotl8(b, 4) ^ 0x63;
        t.S[i] = s;
        t.Si[s] = static_cast<std::uint8_t>(i);
    }
    for (int i = 0; i < 256; ++i) {
        const std::uint8_t s = t.S[i];
        const std::uint32_t e = (std::uint32_t(gmul(s, 2)) << 24) | (std::uint32_t(s) << 16) |
                                (std::uint32_t(s) << 8) | gmul(s, 3);
        const std::uint8_t si = t.Si[i];
        const std::uint32_t d = (std::uint32_t(gmul(si, 14)) << 24) | (std::uint32_t(gmul(si, 9)) << 16) |
                                (std::uint32_t(gmul(si, 13)) << 8) | gmul(si, 11);
        for (int k = 0; k < 4; ++k) {
            t.Te[k][i] = std::rotr(e, 8 * k);
            t.Td[k][i] = std::rotr(d, 8 * k);
        }
    }
    return t;
}

constexpr Tables T = makeTables();
static_assert(T.S[0] == 0x63 && T.S[0x53] == 0xED && T.Si[0x63] == 0);

constexpr const auto& Te0 = T.Te[0];
constexpr const auto& Te1 = T.Te[1];
constexpr const auto& Te2 = T.Te[2];
constexpr const auto& Te3 = T.Te[3];
constexpr const auto& Td0 = T.Td[0];
constexpr const auto& Td1 = T.Td[1];
constexpr const auto& Td2 = T.Td[2];
constexpr const auto& Td3 = T.Td[3];
constexpr const auto& Sbox = T.S;
constexpr const auto& InvSbox = T.Si;

inline std::uint32_t subWord(std::uint32_t w)
{
    return (std::uint32_t(Sbox[w >> 24]) << 24) | (std::uint32_t(Sbox[(w >> 16) & 0xFF]) << 16) |
           (std::uint32_t(Sbox[(w >> 8) & 0xFF]) << 8) | Sbox[w & 0xFF];
}

// ---- portable single-block transforms on state words -------------------------

inline void encryptWords(const std::uint32_t* rk, int rounds, std::uint32_t s[4])
{
    std::uint32_t s0 = s[0] ^ rk[0], s1 = s[1] ^ rk[1], s2 = s[2] ^ rk[2], s3 = s[3] ^ rk[3];
    for (int r = 1; r < rounds; ++r) {
        rk += 4;
        const std::uint32_t t0 = Te0[s0 >> 24] ^ Te1[(s1 >> 16) & 0xFF] ^ Te2[(s2 >> 8) & 0xFF] ^ Te3[s3 & 0xFF] ^ rk[0];
        const std::uint32_t t1 = Te0[s1 >> 24] ^ Te1[(s2 >> 16) & 0xFF] ^ Te2[(s3 >> 8) & 0xFF] ^ Te3[s0 & 0xFF] ^ rk[1];
        const std::uint32_t t2 = Te0[s2 >> 24] ^ Te1[(s3 >> 16) & 0xFF] ^ Te2[(s0 >> 8) & 0xFF] ^ Te3[s1 & 0xFF] ^ rk[2];
        const std::uint32_t t3 = Te0[s3 >> 24] ^ Te1[(s0 >> 16) & 0xFF] ^ Te2[(s1 >> 8) & 0xFF] ^ Te3[s2 & 0xFF] ^ rk[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    rk += 4;
    auto last = [](std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
        return (std::uint32_t(Sbox[a >> 24]) << 24) | (std::uint32_t(Sbox[(b >> 16) & 0xFF]) << 16) |
               (std::uint32_t(Sbox[(c >> 8) & 0xFF]) << 8) | Sbox[d & 0xFF];
    };
    s[0] = last(s0, s1, s2, s3) ^ rk[0];
    s[1] = last(s1, s2, s3, s0) ^ rk[1];
    s[2] = last(s2, s3, s0, s1) ^ rk[2];
    s[3] = last(s3, s0, s1, s2) ^ rk[3];
}

inline void decryptWords(const std::uint32_t* rk, int rounds, std::uint32_t s[4])
{
    std::uint32_t s0 = s[0] ^ rk[0], s1 = s[1] ^ rk[1], s2 = s[2] ^ rk[2], s3 = s[3] ^ rk[3];
    for (int r = 1; r < rounds; ++r) {
        rk += 4;
        const std::uint32_t t0 = Td0[s0 >> 24] ^ Td1[(s3 >> 16) & 0xFF] ^ Td2[(s2 >> 8) & 0xFF] ^ Td3[s1 & 0xFF] ^ rk[0];
        const std::uint32_t t1 = Td0[s1 >> 24] ^ Td1[(s0 >> 16) & 0xFF] ^ Td2[(s3 >> 8) & 0xFF] ^ Td3[s2 & 0xFF] ^ rk[1];
        const std::uint32_t t2 = Td0[s2 >> 24] ^ Td1[(s1 >> 16) & 0xFF] ^ Td2[(s0 >> 8) & 0xFF] ^ Td3[s3 & 0xFF] ^ rk[2];
        const std::uint32_t t3 = Td0[s3 >> 24] ^ Td1[(s2 >> 16) & 0xFF] ^ Td2[(s1 >> 8) & 0xFF] ^ Td3[s0 & 0xFF] ^ rk[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    rk += 4;
    auto last = [](std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
        return (std::uint32_t(InvSbox[a >> 24]) << 24) | (std::uint32_t(InvSbox[(b >> 16) & 0xFF]) << 16) |
               (std::uint32_t(InvSbox[(c >> 8) & 0xFF]) << 8) | InvSbox[d & 0xFF];
    };
    s[0] = last(s0, s3, s2, s1) ^ rk[0];
    s[1] = last(s1, s0, s3, s2) ^ rk[1];
    s[2] = last(s2, s1, s0, s3) ^ rk[2];
    s[3] = last(s3, s2, s1, s0) ^ rk[3];
}

inline void loadBlock(const std::uint8_t* p, std::uint32_t s[4])
{
    for (int i = 0; i < 4; ++i) s[i] = loadBE32(p + 4 * i);
}
inline void storeBlock(std::uint8_t* p, const std::uint32_t s[4])
{
    for (int i = 0; i < 4; ++i) storeBE32(p + 4 * i, s[i]);
}

} // namespace

// ---- TDCP_rijndael -----------------------------------------------------------

TDCP_rijndael::TDCP_rijndael(Implementation impl)
    : fHardware(impl != Implementation::Portable && rijndael_ni::Available())
{
    Wipe();
}

TDCP_rijndael::~TDCP_rijndael() { Wipe(); }

bool TDCP_rijndael::HardwareAvailable() { return rijndael_ni::Available(); }

void TDCP_rijndael::Wipe()
{
    secureZero(fEncKey, sizeof fEncKey);
    secureZero(fDecKey, sizeof fDecKey);
    secureZero(fEncKeyHw, sizeof fEncKeyHw);
    secureZero(fDecKeyHw, sizeof fDecKeyHw);
    fRounds = 0;
    TDCP_blockcipher128::Wipe();
}

void TDCP_rijndael::ExpandKey(const void* key, unsigned bits)
{
    std::uint8_t k[32] = {};
    const std::size_t bytes = (bits + 7) / 8;
    std::memcpy(k, key, bytes > 32 ? 32 : bytes);
    const int nk = bits <= 128 ? 4 : bits <= 192 ? 6 : 8;
    fRounds = nk + 6;
    const int words = 4 * (fRounds + 1);

    std::uint32_t* w = fEncKey;
    for (int i = 0; i < nk; ++i) w[i] = loadBE32(k + 4 * i);
    std::uint32_t rcon = 0x01;
    for (int i = nk; i < words; ++i) {
        std::uint32_t t = w[i - 1];
        if (i % nk == 0) {
            t = subWord((t << 8) | (t >> 24)) ^ (rcon << 24);
            rcon = xtime(static_cast<std::uint8_t>(rcon));
        } else if (nk > 6 && i % nk == 4) {
            t = subWord(t);
        }
        w[i] = w[i - nk] ^ t;
    }
    secureZero(k, sizeof k);

    // Equivalent inverse cipher: round keys reversed, inner ones through InvMixColumns.
    for (int j = 0; j < 4; ++j) {
        fDecKey[j] = fEncKey[4 * fRounds + j];
        fDecKey[4 * fRounds + j] = fEncKey[j];
    }
    for (int r = 1; r < fRounds; ++r) {
        for (int j = 0; j < 4; ++j) {
            const std::uint32_t x = fEncKey[4 * (fRounds - r) + j];
            fDecKey[4 * r + j] = Td0[Sbox[x >> 24]] ^ Td1[Sbox[(x >> 16) & 0xFF]] ^
                                 Td2[Sbox[(x >> 8) & 0xFF]] ^ Td3[Sbox[x & 0xFF]];
        }
    }

    if (fHardware) {
        for (int i = 0; i < words; ++i) storeBE32(fEncKeyHw + 4 * i, fEncKey[i]);
        rijndael_ni::MakeDecryptionKey(fEncKeyHw, fDecKeyHw, fRounds);
    }
}

void TDCP_rijndael::EncryptBlock(const void* in, void* out) const
{
    if (fHardware) {
        rijndael_ni::EncryptBlock(fEncKeyHw, fRounds, static_cast<const std::uint8_t*>(in),
                                  static_cast<std::uint8_t*>(out));
        return;
    }
    std::uint32_t s[4];
    loadBlock(static_cast<const std::uint8_t*>(in), s);
    encryptWords(fEncKey, fRounds, s);
    storeBlock(static_cast<std::uint8_t*>(out), s);
}

void TDCP_rijndael::DecryptBlock(const void* in, void* out) const
{
    if (fHardware) {
        rijndael_ni::DecryptBlock(fDecKeyHw, fRounds, static_cast<const std::uint8_t*>(in),
                                  static_cast<std::uint8_t*>(out));
        return;
    }
    std::uint32_t s[4];
    loadBlock(static_cast<const std::uint8_t*>(in), s);
    decryptWords(fDecKey, fRounds, s);
    storeBlock(static_cast<std::uint8_t*>(out), s);
}

void TDCP_rijndael::EncryptCbc(const void* inp, void* outp, std::size_t n)
{
    CheckKeyed();
    const auto* in = static_cast<const std::uint8_t*>(inp);
    auto* out = static_cast<std::uint8_t*>(outp);
    const std::size_t blocks = n / 16;
    if (blocks) {
        if (fHardware) {
            rijndael_ni::EncryptCbc(fEncKeyHw, fRounds, CV, in, out, blocks);
        } else {
            std::uint32_t c[4], s[4];
            loadBlock(CV, c);
            for (std::size_t i = 0; i < blocks; ++i) {
                loadBlock(in + 16 * i, s);
                for (int j = 0; j < 4; ++j) c[j] ^= s[j];
                encryptWords(fEncKey, fRounds, c);
                storeBlock(out + 16 * i, c);
            }
            storeBlock(CV, c);
        }
    }
    if (n % 16) CbcTail(in + 16 * blocks, out + 16 * blocks, n % 16);
}

void TDCP_rijndael::DecryptCbc(const void* inp, void* outp, std::size_t n)
{
    CheckKeyed();
    const auto* in = static_cast<const std::uint8_t*>(inp);
    auto* out = static_cast<std::uint8_t*>(outp);
    const std::size_t blocks = n / 16;
    if (blocks) {
        if (fHardware) {
            rijndael_ni::DecryptCbc(fDecKeyHw, fRounds, CV, in, out, blocks);
        } else {
            std::uint32_t prev[4], c[4], s[4];
            loadBlock(CV, prev);
            for (std::size_t i = 0; i < blocks; ++i) {
                loadBlock(in + 16 * i, c);
                for (int j = 0; j < 4; ++j) s[j] = c[j];
                decryptWords(fDecKey, fRounds, s);
                for (int j = 0; j < 4; ++j) {
                    s[j] ^= prev[j];
                    prev[j] = c[j];
                }
                storeBlock(out + 16 * i, s);
            }
            storeBlock(CV, prev);
        }
    }
    if (n % 16) CbcTail(in + 16 * blocks, out + 16 * blocks, n % 16);
}

bool TDCP_rijndael::CheckVectors()
{
    static const KnownAnswer vectors[] = {
        // FIPS 197, appendix C
        {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff", "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"000102030405060708090a0b0c0d0e0f1011121314151617", "00112233445566778899aabbccddeeff",
         "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "00112233445566778899aabbccddeeff",
         "8ea2b7ca516745bfeafc49904b496089"},
        // Rijndael submission, 256-bit key
        {"00010203050607080a0b0c0d0f10111214151617191a1b1c1e1f202123242526", "5e25ca78f0de55802524d38da3fe4456",
         "e8b72b4e8be243438c9fff1f0e205872"},
    };
    // A scratch object of the same implementation, so that this object's key
    // and chain are left alone.
    TDCP_rijndael c(ActiveImplementation());
    return runKnownAnswers(c, vectors);
}

} // namespace zerath
