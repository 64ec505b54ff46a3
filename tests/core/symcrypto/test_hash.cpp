#include <gtest/gtest.h>

#include <cryptopp/sha.h>

#include <memory>
#include <random>

#include "SymTestUtil.h"
#include "symcrypto/Sha1.h"
#include "symcrypto/Sha256.h"

using namespace zerath;
using namespace zerath::symtest;

namespace {

std::unique_ptr<TDCP_hash> makeHash(const std::string& name)
{
    if (name == "SHA1") return std::make_unique<TDCP_sha1>();
    if (name == "SHA256") return std::make_unique<TDCP_sha256>();
    return nullptr;
}

Bytes digestOf(TDCP_hash& h, const void* data, std::size_t n)
{
    Bytes out(static_cast<std::size_t>(h.HashSize() / 8));
    h.Start();
    h.Absorb(data, n);
    h.Finish(out.data());
    return out;
}

template <class Oracle>
Bytes oracleDigest(const Bytes& m)
{
    Oracle o;
    Bytes out(Oracle::DIGESTSIZE);
    o.CalculateDigest(out.data(), m.data(), m.size());
    return out;
}

} // namespace

TEST(Hash, ClassValues)
{
    TDCP_sha1 s1;
    TDCP_sha256 s2;
    EXPECT_EQ(s1.Id(), 2);
    EXPECT_EQ(s1.Algorithm(), "SHA1");
    EXPECT_EQ(s1.HashSize(), 160);
    EXPECT_EQ(s2.Id(), 28);
    EXPECT_EQ(s2.Algorithm(), "SHA256");
    EXPECT_EQ(s2.HashSize(), 256);
    EXPECT_TRUE(s1.CheckVectors());
    EXPECT_TRUE(s2.CheckVectors());
    EXPECT_FALSE(s1.Started());
}

TEST(Hash, KnownAnswersFromFile)
{
    const auto rows = readVectorFile("sha_vectors.txt");
    ASSERT_GE(rows.size(), 10u);
    for (const auto& r : rows) {
        ASSERT_EQ(r.size(), 4u);
        auto h = makeHash(r[0]);
        ASSERT_TRUE(h);
        const int repeat = std::stoi(r[1]);
        Bytes out(static_cast<std::size_t>(h->HashSize() / 8));
        h->Start();
        for (int i = 0; i < repeat; ++i) h->AbsorbText(r[2]);
        h->Finish(out.data());
        EXPECT_EQ(toHex(out), r[3]) << r[0] << " of " << repeat << " x '" << r[2] << "'";
    }
}

TEST(Hash, PiecewiseEqualsWhole)
{
    for (auto name : {"SHA1", "SHA256"}) {
        auto h = makeHash(name);
        Bytes whole(static_cast<std::size_t>(h->HashSize() / 8)), pieces(whole.size());
        h->Start();
        h->AbsorbText("abc");
        h->Finish(whole.data());
        h->Start();
        h->AbsorbText("a");
        h->AbsorbText("");
        h->AbsorbText("b");
        h->AbsorbText("c");
        h->Finish(pieces.data());
        EXPECT_EQ(whole, pieces) << name;
    }
}

TEST(Hash, NotInitializedAndReuse)
{
    for (auto name : {"SHA1", "SHA256"}) {
        auto h = makeHash(name);
        std::uint8_t out[32];
        try {
            h->AbsorbText("x");
            FAIL() << "Absorb before Start";
        } catch (const EDCP_hash& e) {
            EXPECT_STREQ(e.what(), "Hash not initialized");
        }
        EXPECT_THROW(h->Finish(out), EDCP_hash);

        h->Start();
        EXPECT_TRUE(h->Started());
        h->AbsorbText("abc");
        h->Finish(out);
        EXPECT_FALSE(h->Started()); // Finish wipes
        try {
            h->AbsorbText("more");
            FAIL() << "Absorb after Finish";
        } catch (const EDCP_hash& e) {
            EXPECT_STREQ(e.what(), "Hash not initialized");
        }
        EXPECT_THROW(h->Finish(out), EDCP_hash);

        // A new Start begins afresh, whatever was absorbed before a Wipe.
        h->Start();
        h->AbsorbText("garbage");
        h->Wipe();
        EXPECT_FALSE(h->Started());
        EXPECT_THROW(h->AbsorbText("x"), EDCP_hash);
        const Bytes abc = digestOf(*h, "abc", 3);
        h->Start();
        h->AbsorbText("abc");
        Bytes again(abc.size());
        h->Finish(again.data());
        EXPECT_EQ(abc, again);
    }
}

// Random messages fed in random pieces, against Crypto++.
TEST(Hash, RandomPiecesMatchCryptopp)
{
    std::mt19937_64 rng(20240611);
    for (int iter = 0; iter < 400; ++iter) {
        const std::size_t len = (iter < 200) ? static_cast<std::size_t>(iter) : rng() % 5000;
        const Bytes m = randomBytes(rng, len);
        TDCP_sha1 s1;
        TDCP_sha256 s2;
        s1.Start();
        s2.Start();
        std::size_t pos = 0;
        while (pos < len) {
            std::size_t take = rng() % 4 == 0 ? rng() % 200 : rng() % 70;
            if (take > len - pos) take = len - pos;
            s1.Absorb(m.data() + pos, take);
            s2.Absorb(m.data() + pos, take);
            pos += take;
        }
        Bytes d1(20), d2(32);
        s1.Finish(d1.data());
        s2.Finish(d2.data());
        ASSERT_EQ(toHex(d1), toHex(oracleDigest<CryptoPP::SHA1>(m))) << "length " << len;
        ASSERT_EQ(toHex(d2), toHex(oracleDigest<CryptoPP::SHA256>(m))) << "length " << len;
    }
}
