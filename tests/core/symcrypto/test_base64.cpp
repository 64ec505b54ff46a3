#include <gtest/gtest.h>

#include <cryptopp/base64.h>
#include <cryptopp/filters.h>

#include <random>

#include "SymTestUtil.h"
#include "symcrypto/Base64.h"

using namespace zerath;
using namespace zerath::symtest;

namespace {

std::string decodeText(std::string_view s)
{
    const auto v = Base64Decode(s);
    return std::string(v.begin(), v.end());
}

std::string cryptoppBase64(const Bytes& b)
{
    std::string out;
    CryptoPP::StringSource src(b.data(), b.size(), true,
                               new CryptoPP::Base64Encoder(new CryptoPP::StringSink(out), false));
    return out;
}

} // namespace

TEST(Base64, StandardVectors)
{
    const std::pair<const char*, const char*> v[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
    };
    for (auto [plain, b64] : v) {
        EXPECT_EQ(Base64Encode(std::string_view(plain)), b64);
        EXPECT_EQ(decodeText(b64), plain);
    }
    const Bytes all = [] { Bytes b; for (int i = 0; i < 256; ++i) b.push_back(std::uint8_t(i)); return b; }();
    const std::string enc = Base64Encode(all.data(), all.size());
    EXPECT_NE(enc.find('+'), std::string::npos);
    EXPECT_NE(enc.find('/'), std::string::npos);
}

TEST(Base64, GroupRules)
{
    EXPECT_EQ(decodeText("Zm9vYg"), "foo");   // trailing incomplete group ignored
    EXPECT_EQ(decodeText("Zm9"), "");
    EXPECT_EQ(decodeText("Zg==Zm8="), "ffo");  // padding only shortens its own group
    EXPECT_EQ(decodeText("Zg=xZm9v"), "ffoo"); // third "=" gives one byte whatever follows
}

TEST(Base64, ForeignCharactersAreRefused)
{
    using namespace std::string_literals;
    for (const std::string& bad : {"Zm9v!g=="s, "Zm 9"s, "=Zm9"s, "Z=m9"s, "Zm9\xff"s, "Zm\0v"s, "Zm9v\nZm9v"s}) {
        try {
            Base64Decode(bad);
            ADD_FAILURE() << "accepted " << bad;
        } catch (const EBase64& e) {
            EXPECT_STREQ(e.what(), "Invalid base64 text");
        }
    }
    // Whatever sits in a trailing incomplete group is never looked at.
    EXPECT_EQ(decodeText("Zm9v\n"), "foo");
}

TEST(Base64, RandomRoundTripsAgainstCryptopp)
{
    std::mt19937_64 rng(99);
    for (int iter = 0; iter < 500; ++iter) {
        const Bytes b = randomBytes(rng, iter < 64 ? static_cast<std::size_t>(iter) : rng() % 2000);
        const std::string enc = Base64Encode(b.data(), b.size());
        ASSERT_EQ(enc.size(), Base64EncodedLength(b.size()));
        ASSERT_EQ(enc.size(), (b.size() + 2) / 3 * 4);
        ASSERT_EQ(enc, cryptoppBase64(b));
        ASSERT_EQ(Base64Decode(enc), b);
    }
}
