// SHA-1, SHA-256, base64, CRC-32 and Adler-32: known answers from tests/data/symcrypto,
// then random inputs against Crypto++ and zlib.
#include <gtest/gtest.h>

#include <cryptopp/base64.h>
#include <cryptopp/filters.h>
#include <cryptopp/sha.h>
#include <zlib.h>

#include <memory>

#include "CipherOracle.h"
#include "TestHelpers.h"
#include "symcrypto/Adler32.h"
#include "symcrypto/Base64.h"
#include "symcrypto/Crc32.h"
#include "symcrypto/Sha1.h"
#include "symcrypto/Sha256.h"

namespace zerath {
namespace {

using namespace zerath::test;

TEST(Hash, KnownAnswers)
{
    const auto rows = readDataRows("symcrypto/sha_vectors.txt");
    ASSERT_GE(rows.size(), 10u);
    for (const auto& r : rows) {
        std::unique_ptr<TDCP_hash> h = std::make_unique<TDCP_sha256>();
        if (r[0] == "SHA1") h = std::make_unique<TDCP_sha1>();
        Bytes out(std::size_t(h->HashSize() / 8));
        h->Start();
        for (int i = std::stoi(r[1]); i > 0; --i) h->AbsorbText(r[2]);
        h->Finish(out.data());
        EXPECT_EQ(toHex(out), r[3]) << r[0] << " of " << r[1] << " x '" << r[2] << "'";
        EXPECT_TRUE(h->CheckVectors());
    }
}

// Random messages fed in random pieces; a finished or wiped digest refuses
// input until started again.
TEST(Hash, RandomPiecesMatchCryptopp)
{
    std::mt19937_64 rng(20240611);
    TDCP_sha1 s1;
    TDCP_sha256 s2;
    for (int iter = 0; iter < 400; ++iter) {
        const std::size_t len = iter < 200 ? std::size_t(iter) : rng() % 5000;
        const Bytes m = randomBytes(rng, len);
        EXPECT_EQ(errorOf<EDCP_hash>([&] { s1.Absorb(m.data(), 1); }), "Hash not initialized");
        s1.Start();
        s2.Start();
        for (std::size_t pos = 0, take; pos < len; pos += take) {
            take = std::min<std::size_t>(len - pos, rng() % 4 == 0 ? rng() % 200 : rng() % 70);
            s1.Absorb(m.data() + pos, take);
            s2.Absorb(m.data() + pos, take);
        }
        Bytes d1(20), d2(32), e1(20), e2(32);
        s1.Finish(d1.data());
        s2.Finish(d2.data());
        CryptoPP::SHA1().CalculateDigest(e1.data(), m.data(), m.size());
        CryptoPP::SHA256().CalculateDigest(e2.data(), m.data(), m.size());
        ASSERT_EQ(toHex(d1), toHex(e1)) << "length " << len;
        ASSERT_EQ(toHex(d2), toHex(e2)) << "length " << len;
        EXPECT_THROW(s2.Finish(d2.data()), EDCP_hash);
    }
}

TEST(Base64, KnownAnswers)
{
    for (const auto& r : readDataRows("symcrypto/base64_vectors.txt")) {
        const std::string in = unescapeText(r[1]), expected = unescapeText(r[2]);
        if (r[0] == "both") EXPECT_EQ(Base64Encode(in), expected) << r[1];
        std::string decoded;
        try {
            const auto v = Base64Decode(r[0] == "both" ? expected : in);
            decoded.assign(v.begin(), v.end());
        } catch (const EBase64& e) {
            decoded = std::string("!") + e.what();
        }
        EXPECT_EQ(decoded, r[0] == "both" ? in : expected) << r[1];
    }
}

TEST(Base64, RandomRoundTripsAgainstCryptopp)
{
    std::mt19937_64 rng(99);
    for (int iter = 0; iter < 500; ++iter) {
        const Bytes b = randomBytes(rng, iter < 64 ? std::size_t(iter) : rng() % 2000);
        std::string theirs;
        CryptoPP::StringSource(b.data(), b.size(), true, new CryptoPP::Base64Encoder(new CryptoPP::StringSink(theirs), false));
        const std::string ours = Base64Encode(b.data(), b.size());
        ASSERT_EQ(ours, theirs);
        ASSERT_EQ(Base64EncodedLength(b.size()), ours.size());
        ASSERT_EQ(Base64Decode(ours), b);
    }
}

TEST(Crc32, KnownAnswers)
{
    for (const auto& r : readDataRows("symcrypto/crc32_vectors.txt")) {
        std::uint32_t crc = 1;
        EXPECT_TRUE(CalcCRC32(unescapeText(r[0]), crc));
        EXPECT_EQ(CRC32ToText(crc), r[1]) << r[0];
    }
}

TEST(Crc32, PiecesMatchZlib)
{
    std::mt19937_64 rng(7);
    for (int iter = 0; iter < 300; ++iter) {
        const Bytes m = randomBytes(rng, rng() % 3000);
        std::uint32_t crc = 0;
        ASSERT_TRUE(CalcCRC32(std::string(m.begin(), m.end()), crc));
        ASSERT_EQ(crc, std::uint32_t(::crc32(0L, m.data(), uInt(m.size()))));
        const std::size_t cut = m.empty() ? 0 : rng() % m.size();
        const std::uint32_t reg = CRC32Update(m.data() + cut, m.size() - cut, CRC32Update(m.data(), cut, 0xFFFFFFFFu));
        ASSERT_EQ(~reg, crc);
    }
}

// Both paths against zlib, split at random points, on random bytes and on runs
// of 0xFF long enough to push every sum to its largest value before reduction.
TEST(Adler32, BothPathsMatchZlib)
{
    using Path = std::uint32_t (*)(std::uint32_t, const std::uint8_t*, std::size_t);
    const Path paths[] = {adler32_detail::Portable,
                          adler32_detail::WideAvailable() ? adler32_detail::Wide : adler32_detail::Portable};
    std::mt19937_64 rng(11);
    for (int iter = 0; iter < 400; ++iter) {
        Bytes m = randomBytes(rng, iter < 8 ? iter : rng() % (iter < 380 ? 9000 : 300000));
        if (iter % 5 == 0) std::fill(m.begin(), m.end(), 0xFF);
        const auto expected = std::uint32_t(::adler32(1L, m.data(), uInt(m.size())));
        const std::size_t cut = m.empty() ? 0 : rng() % m.size();
        for (Path path : paths) {
            ASSERT_EQ(path(kAdler32Start, m.data(), m.size()), expected) << m.size();
            ASSERT_EQ(path(path(kAdler32Start, m.data(), cut), m.data() + cut, m.size() - cut), expected);
        }
        ASSERT_EQ(Adler32Update(kAdler32Start, m.data(), m.size()), expected);
    }
}

TEST(Crc32, DamagedTableIsReported)
{
    std::uint32_t bad[256];
    std::memcpy(bad, CRC32Table, sizeof bad);
    bad[77] ^= 0x00010000u;
    EXPECT_EQ(errorOf<Error>([&] { VerifyCRC32Table(bad); }),
              "CRC32 Table CRC32 is " + CRC32ToText(CRC32TableCheckValue(bad)) + ", expecting $6FCF9E13");
}

} // namespace
} // namespace zerath
