// ISAAC against the published reference output and the generator's bookkeeping.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "TempDir.h"
#include "pubkey/Isaac.h"

using namespace zerath;

namespace {

// randvect.txt: the output of the reference program rand.c (randinit(TRUE) on an
// all-zero seed, then two calls of isaac(), each printing randrsl[0..255]).
std::vector<std::uint32_t> referenceVector()
{
    const std::string text = test::readFile(test::dataPath("pubkey/randvect.txt"));
    std::vector<std::uint32_t> words;
    std::string digits;
    for (char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c))) digits.push_back(c);
        if (digits.size() == 8) {
            words.push_back(static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16)));
            digits.clear();
        }
    }
    return words;
}

} // namespace

TEST(Isaac, ReferenceOutputOfZeroSeed)
{
    const auto expect = referenceVector();
    ASSERT_EQ(expect.size(), 512u);
    // Seed = the reference randinit (which ends with one isaac()); the printed
    // words are the next two generations, i.e. NextWord draws 256..767.
    TIsaac g;
    const std::uint32_t zero[1] = {0};
    g.Seed(zero, 0, true);
    for (int i = 0; i < 256; ++i) g.NextWord();
    for (std::size_t i = 0; i < expect.size(); ++i) ASSERT_EQ(g.NextWord(), expect[i]) << i;

    // The same through explicit Generate calls.
    TIsaac h;
    h.Seed(zero, 0, true);
    h.Generate();
    EXPECT_EQ(h.randrsl[0], 0xf650e4c8u);
    EXPECT_EQ(h.randrsl[255], expect[255]);
    h.Generate();
    EXPECT_EQ(h.randrsl[255], 0x4bb5af29u);
}

TEST(Isaac, NextWordWrapsIntoNextGeneration)
{
    TIsaac g;
    const std::uint32_t seed[2] = {0x12345678, 0x9abcdef0};
    g.Seed(seed, 1, true);
    EXPECT_EQ(g.ResultCount, 0u);
    const std::vector<std::uint32_t> first(g.randrsl, g.randrsl + 256);
    for (int i = 0; i < 255; ++i) ASSERT_EQ(g.NextWord(), first[static_cast<std::size_t>(i)]);
    EXPECT_EQ(g.NextWord(), first[255]);                 // the 256th word
    EXPECT_EQ(g.ResultCount, 0u);                        // a new generation is ready
    const std::uint32_t next0 = g.randrsl[0];
    EXPECT_NE(std::vector<std::uint32_t>(g.randrsl, g.randrsl + 256), first);
    EXPECT_EQ(g.NextWord(), next0);                      // the 257th word
    EXPECT_EQ(g.ResultCount, 1u);
}

TEST(Isaac, SeedingLeavesUnusedWordsZero)
{
    TIsaac g;
    for (auto& w : g.randrsl) w = 0xFFFFFFFF;
    const std::uint32_t seed[2] = {7, 9};
    g.SetSeedWords(seed, 1);
    EXPECT_EQ(g.randrsl[0], 7u);
    EXPECT_EQ(g.randrsl[1], 9u);
    for (int i = 2; i < 256; ++i) ASSERT_EQ(g.randrsl[i], 0u) << i;

    // Seed is SetSeedWords + RandInit + Generate.
    g.RandInit(true);
    g.Generate();
    TIsaac h;
    h.Seed(seed, 1, true);
    EXPECT_EQ(std::vector<std::uint32_t>(g.randrsl, g.randrsl + 256), std::vector<std::uint32_t>(h.randrsl, h.randrsl + 256));

    // The last index is taken modulo 256 and never reads beyond the seed given.
    TIsaac k;
    k.SetSeedWords(seed, 257);
    EXPECT_EQ(k.randrsl[0], 7u);
    EXPECT_EQ(k.randrsl[1], 9u);
    k.SetSeedWords(seed, 255);
    EXPECT_EQ(k.randrsl[2], 0u);
    k.SetSeedWords(seed, 256);
    EXPECT_EQ(k.randrsl[0], 7u);
    EXPECT_EQ(k.randrsl[1], 0u);
}

TEST(Isaac, UnflaggedInitIgnoresSeed)
{
    TIsaac a, b;
    const std::uint32_t s1[1] = {1}, s2[1] = {2};
    a.Seed(s1, 0, false);
    b.Seed(s2, 0, false);
    EXPECT_EQ(std::vector<std::uint32_t>(a.randrsl, a.randrsl + 256), std::vector<std::uint32_t>(b.randrsl, b.randrsl + 256));
    a.Seed(s1, 0, true);
    b.Seed(s2, 0, true);
    EXPECT_NE(std::vector<std::uint32_t>(a.randrsl, a.randrsl + 256), std::vector<std::uint32_t>(b.randrsl, b.randrsl + 256));
}

TEST(Isaac, RandomIntStaysInRange)
{
    TIsaac g;
    const std::uint32_t seed[1] = {42};
    g.Seed(seed, 0, true);
    int topBitWords = 0;
    for (int i = 0; i < 100000; ++i) {
        topBitWords += (g.randrsl[g.ResultCount] >> 31) != 0;
        const std::int32_t v = g.RandomInt(65536);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 65536);
    }
    EXPECT_GT(topBitWords, 40000);
    for (int i = 0; i < 10000; ++i) {
        const std::int32_t v = g.RandomInt(7);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 7);
    }
    // Explicit words: the remainder takes the sign of the word, then its absolute value.
    g.randrsl[g.ResultCount] = 0xFFFFFFFF; // -1
    EXPECT_EQ(g.RandomInt(65536), 1);
    g.randrsl[g.ResultCount] = 0x80000000; // INT32_MIN
    EXPECT_EQ(g.RandomInt(65536), 0);
    g.randrsl[g.ResultCount] = 0xFFFF0001; // -65535
    EXPECT_EQ(g.RandomInt(65536), 65535);
    g.randrsl[g.ResultCount] = 0x7FFFFFFF;
    EXPECT_EQ(g.RandomInt(1), 0);
}

TEST(Isaac, OsSeededGeneratorsDiffer)
{
    // Two generators seeded at the same moment must still give different streams.
    TIsaac a, b;
    a.SeedFromOs();
    b.SeedFromOs();
    int same = 0;
    for (int i = 0; i < 1024; ++i) same += a.NextWord() == b.NextWord();
    EXPECT_LT(same, 4);

    // The shared generator is seeded the same way; reseeding after release differs too.
    TIsaac& shared = BigRandom();
    std::vector<std::uint32_t> w1;
    for (int i = 0; i < 16; ++i) w1.push_back(shared.NextWord());
    ReleaseBigRandom();
    TIsaac& again = BigRandom();
    std::vector<std::uint32_t> w2;
    for (int i = 0; i < 16; ++i) w2.push_back(again.NextWord());
    EXPECT_NE(w1, w2);
}
