// The private exponent's reader against the ordinary parser: every byte value
// as a one-character text, and random texts of mixed case with leading zeros.
// (Whether it branches on the text is checked under valgrind: scripts/ct-check.sh.)
#include <gtest/gtest.h>

#include <random>

#include "TestHelpers.h"
#include "pubkey/SecretHex.h"

using namespace zerath;
using namespace zerath::test;

TEST(SecretHex, ReadsWhatTheParserReadsAndRefusesWhatItRefuses)
{
    for (int b = 0; b < 256; ++b) {
        const std::string text(1, static_cast<char>(b));
        const bool hex = std::isxdigit(b) != 0;
        EXPECT_EQ(errorOf([&] { CreateFromSecretHex(text); }), hex ? kNoError : "Invalid Char") << b;
        if (hex) {
            EXPECT_EQ(CreateFromSecretHex(text), TBigint::CreateFromString(text, 16)) << b;
        }
    }
    std::mt19937 rng(21);
    const char digits[] = "0123456789abcdefABCDEF";
    for (std::size_t length : {1u, 3u, 4u, 5u, 255u, 256u, 257u, 1024u}) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i) text += i < 3 ? '0' : digits[rng() % 22];
        EXPECT_EQ(CreateFromSecretHex(text), TBigint::CreateFromString(text, 16)) << text;
        text[length / 2] = 'g';
        EXPECT_EQ(errorOf([&] { CreateFromSecretHex(text); }), "Invalid Char");
    }
    EXPECT_EQ(errorOf([&] { CreateFromSecretHex(""); }), "Zero-length string");
    EXPECT_EQ(errorOf([&] { CreateFromSecretHex(std::string(1025, '1')); }), "Number too long");
}
