#include <gtest/gtest.h>

#include <cryptopp/mars.h>
#include <cryptopp/modes.h>
#include <openssl/evp.h>

#include <bit>

#include "FourCipherOracle.h"
#include "symcrypto/Mars.h"

namespace zerath {
namespace {

using namespace fourtest;

struct MarsProbe : TDCP_mars {
    bool scheduleClear() const { return allZero(KeyData); }
};

// Crypto++'s MARS rounds with an expanded key put in from outside: Crypto++
// sets up the later (tweaked) key schedule, the rounds are the same.
template <class Base>
struct MarsRounds : Base {
    void install(const std::uint32_t* k)
    {
        const std::uint8_t dummy[16] = {};
        this->SetKey(dummy, 16);
        for (int i = 0; i < 40; ++i) this->m_k[i] = k[i];
    }
    static const std::uint32_t* cryptoppSBox() { return Base::Sbox; }
};
using MarsEnc = MarsRounds<CryptoPP::MARS::Encryption>;
using MarsDec = MarsRounds<CryptoPP::MARS::Decryption>;

// The 1998 key schedule once more, written after the designers' reference:
// the run mask is found with shifts instead of a scan.
int gFixes = 0;    // multiplication keys that needed fixing
int gTopFixes = 0; // ... where the mask reached bit 31

std::uint32_t refFix(std::uint32_t k, std::uint32_t r, const std::uint32_t* S)
{
    const std::uint32_t j = k & 3;
    k |= 3;
    std::uint32_t m1 = ~k ^ (k << 1); // bit i: k_i == k_(i-1)
    std::uint32_t m2 = m1 & (m1 << 1);
    m2 &= m2 << 2;
    m2 &= m2 << 4;
    m2 &= m1 << 8;
    m2 &= 0xfffffe00u; // bit i: k_i .. k_(i-9) all equal
    if (!m2) return k;
    m1 = m2 | (m2 >> 1);
    m1 |= m1 >> 2;
    m1 |= m2 >> 4;
    m1 |= m1 >> 5;
    m1 &= (~k ^ (k << 1)) & (~k ^ (k >> 1)) & 0xfffffffcu;
    ++gFixes;
    if (m1 >> 31) ++gTopFixes;
    return k ^ (std::rotl(S[265 + j], int(r & 31)) & m1);
}

void refExpand(const Bytes& key, std::uint32_t K[40], const std::uint32_t* S)
{
    const std::size_t n = std::max<std::size_t>(4, (key.size() + 3) / 4);
    std::vector<std::uint32_t> k(n, 0);
    for (std::size_t i = 0; i < key.size(); ++i) k[i / 4] |= std::uint32_t(key[i]) << (8 * (i % 4));
    std::uint32_t buf[47];
    std::uint32_t* p = buf + 7;
    for (int i = 0; i < 7; ++i) p[i - 7] = S[i];
    for (int i = 0; i < 39; ++i) p[i] = std::rotl(p[i - 7] ^ p[i - 2], 3) ^ k[std::size_t(i) % n] ^ std::uint32_t(i);
    p[39] = std::uint32_t(n);
    for (int pass = 0; pass < 7; ++pass) {
        for (int j = 1; j < 40; ++j) p[j] = std::rotl(p[j] + S[p[j - 1] & 511], 9);
        p[0] = std::rotl(p[0] + S[p[39] & 511], 9);
    }
    for (int i = 0; i < 40; ++i) K[(7 * i) % 40] = p[i];
    for (int i = 5; i < 36; i += 2) K[i] = refFix(K[i], K[i + 3], S);
}

TEST(Mars, ClassValues)
{
    TDCP_mars c;
    EXPECT_EQ(c.Id(), 13);
    EXPECT_EQ(c.Algorithm(), "Mars");
    EXPECT_EQ(c.MaxKeySize(), 1248);
    EXPECT_EQ(c.BlockSize(), 128);
}

TEST(Mars, KnownAnswersAndSelfTest)
{
    expectVectorFile<TDCP_mars>("mars_vectors.txt");
    TDCP_mars c;
    EXPECT_TRUE(c.CheckVectors());
    // The later (tweaked) key schedule would give 458335d95ea42a9f4dccd41aecc2390d here.
    const Bytes key = fromHex("fba167983e7aef22317ce28c02aae1a3e8e5cc3cedbea82a99dbc39ad65e7227");
    const Bytes in = fromHex("1344aba4d3c44708a8a72116d4f49384");
    CryptoPP::MARS::Encryption tweaked(key.data(), key.size());
    std::uint8_t out[16];
    tweaked.ProcessBlock(in.data(), out);
    EXPECT_EQ(toHex(out, 16), "458335d95ea42a9f4dccd41aecc2390d");
}

// The S-box rebuilt from its definition (SHA-1 of 5i, c1, c2, c3, then the
// fix-ups), and compared with Crypto++'s copy as well.
TEST(Mars, SBoxFollowsItsDefinition)
{
    std::vector<std::uint32_t> S;
    for (std::uint32_t i = 0; S.size() < 512; ++i) {
        const std::uint32_t words[4] = {5 * i, 0xb7e15162u, 0x243f6a88u, 0x02917d59u};
        std::uint8_t in[16], digest[20];
        for (int w = 0; w < 4; ++w)
            for (int b = 0; b < 4; ++b) in[4 * w + b] = std::uint8_t(words[w] >> (8 * b));
        unsigned len = 0;
        ASSERT_EQ(EVP_Digest(in, sizeof in, digest, &len, EVP_sha1(), nullptr), 1);
        for (int w = 0; w < 5 && S.size() < 512; ++w)
            S.push_back(std::uint32_t(digest[4 * w]) | std::uint32_t(digest[4 * w + 1]) << 8 |
                        std::uint32_t(digest[4 * w + 2]) << 16 | std::uint32_t(digest[4 * w + 3]) << 24);
    }
    auto zeroBytes = [](std::uint32_t x) {
        int z = 0;
        for (int b = 0; b < 4; ++b) z += ((x >> (8 * b)) & 0xFF) == 0;
        return z;
    };
    int changed = 0;
    for (int half = 0; half < 512; half += 256)
        for (int i = half; i < half + 256; ++i)
            for (int j = i + 1; j < half + 256; ++j)
                if (zeroBytes(S[i] ^ S[j]) >= 2) {
                    S[i] *= 3;
                    ++changed;
                }
    EXPECT_EQ(changed, 9);
    const std::uint32_t* ours = TDCP_mars::SBox();
    const std::uint32_t* theirs = MarsEnc::cryptoppSBox();
    for (int i = 0; i < 512; ++i) {
        ASSERT_EQ(ours[i], S[i]) << "S-box word " << i;
        ASSERT_EQ(ours[i], theirs[i]) << "S-box word " << i;
    }
}

TEST(Mars, KeyScheduleSameAsSecondFormulation)
{
    std::mt19937_64 rng(31);
    gFixes = gTopFixes = 0;
    for (int t = 0; t < 4000; ++t) {
        const std::size_t bytes = t < 2000 ? 32 : 16 + 4 * (rng() % 36); // 128..1248 bits
        const Bytes key = randomBytes(rng, bytes);
        TDCP_mars c;
        c.SetKey(key.data(), unsigned(bytes * 8), nullptr);
        std::uint32_t K[40];
        refExpand(key, K, TDCP_mars::SBox());
        for (int i = 0; i < 40; ++i) ASSERT_EQ(c.ExpandedKey()[i], K[i]) << "word " << i << ", key " << toHex(key);
        for (int i = 5; i < 36; i += 2) ASSERT_EQ(K[i] & 3, 3u);
    }
    // Both kinds of fix were exercised.
    EXPECT_GT(gFixes, 1000);
    EXPECT_GT(gTopFixes, 10);
}

TEST(Mars, RoundsSameAsCryptoppWithOurExpandedKey)
{
    std::mt19937_64 rng(41);
    MarsEnc enc;
    MarsDec dec;
    for (int t = 0; t < 3000; ++t) {
        const std::size_t bytes = t < 2000 ? 32 : (t < 2500 ? 16 : 24);
        const Bytes key = randomBytes(rng, bytes);
        TDCP_mars c;
        c.SetKey(key.data(), unsigned(bytes * 8), nullptr);
        enc.install(c.ExpandedKey());
        dec.install(c.ExpandedKey());
        for (int b = 0; b < 3; ++b) {
            const Bytes in = randomBytes(rng, 16);
            std::uint8_t ours[16], theirs[16];
            c.EncryptBlock(in.data(), ours);
            enc.ProcessBlock(in.data(), theirs);
            ASSERT_EQ(toHex(ours, 16), toHex(theirs, 16));
            c.DecryptBlock(in.data(), ours);
            dec.ProcessBlock(in.data(), theirs);
            ASSERT_EQ(toHex(ours, 16), toHex(theirs, 16));
        }
    }
}

TEST(Mars, CbcSameAsCryptopp)
{
    std::mt19937_64 rng(51);
    for (int r = 0; r < 30; ++r) {
        const Bytes key = randomBytes(rng, 32), iv = randomBytes(rng, 16);
        const Bytes plain = randomBytes(rng, 16 * (1 + rng() % 1000));
        TDCP_mars c;
        c.SetKey(key.data(), 256, iv.data());
        MarsEnc enc;
        enc.install(c.ExpandedKey());
        MarsDec dec;
        dec.install(c.ExpandedKey());
        Bytes expected(plain.size()), buf = plain;
        CryptoPP::CBC_Mode_ExternalCipher::Encryption(enc, iv.data()).ProcessData(expected.data(), plain.data(), plain.size());
        c.EncryptCbc(buf.data(), buf.data(), buf.size());
        ASSERT_EQ(toHex(buf), toHex(expected));
        c.ResetChain();
        c.DecryptCbc(buf.data(), buf.data(), buf.size());
        ASSERT_EQ(toHex(buf), toHex(plain));
        Bytes back(plain.size());
        CryptoPP::CBC_Mode_ExternalCipher::Decryption(dec, iv.data()).ProcessData(back.data(), expected.data(), expected.size());
        ASSERT_EQ(toHex(back), toHex(plain));
    }
}

TEST(Mars, ShortKeysAreZeroFilled)
{
    const Bytes key = fromHex("0123456789abcdef0011223344556677");
    const Bytes in = fromHex("00112233445566778899aabbccddeeff");
    Bytes padded = key;
    padded.resize(8); // 64 bits, zero-filled to 128
    padded.resize(16, 0);
    TDCP_mars shortKey, filled, partial, partialFilled;
    shortKey.SetKey(key.data(), 64, nullptr);
    filled.SetKey(padded.data(), 128, nullptr);
    std::uint8_t a[16], b[16];
    shortKey.EncryptBlock(in.data(), a);
    filled.EncryptBlock(in.data(), b);
    EXPECT_EQ(toHex(a, 16), toHex(b, 16));
    // 136 bits: five words, the last one holding a single key byte.
    Bytes five = fromHex("0123456789abcdef0011223344556677880000000000000000");
    partial.SetKey(five.data(), 136, nullptr);
    partialFilled.SetKey(five.data(), 160, nullptr);
    partial.EncryptBlock(in.data(), a);
    partialFilled.EncryptBlock(in.data(), b);
    EXPECT_EQ(toHex(a, 16), toHex(b, 16));
}

TEST(Mars, KeySizes)
{
    expectKeySizeLimit<TDCP_mars>(1248);
}

TEST(Mars, WipeClearsSchedule)
{
    expectWipeClears<MarsProbe>();
}

} // namespace
} // namespace zerath
