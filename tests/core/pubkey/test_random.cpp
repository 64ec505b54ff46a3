// The random sources behind key generation (ISAAC, the system generator, the
// operating system) and the prime searches, against the ISAAC reference output
// and GMP.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "BigIntOracle.h"
#include "TempDir.h"
#include "pubkey/Isaac.h"
#include "pubkey/Primes.h"
#include "pubkey/SystemRandom.h"

namespace zerath {
namespace {

using namespace zerath::test;

TBigint num(std::int64_t v) { return TBigint::CreateFromInt64(v); }
bool gmpPrime(const mpz_class& v) { return mpz_probab_prime_p(v.get_mpz_t(), 40) != 0; }

// randvect.txt: the output of the reference program rand.c (randinit(TRUE) on an
// all-zero seed, then two calls of isaac(), each printing randrsl[0..255]).
TEST(Isaac, ReferenceOutputOfZeroSeed)
{
    std::vector<std::uint32_t> expect;
    const std::string text = readFile(dataPath("pubkey/randvect.txt"));
    for (std::size_t i = 0; i + 8 <= text.size(); i += text[i] == '\n' ? 1 : 8)
        if (text[i] != '\n') expect.push_back(std::uint32_t(std::stoul(text.substr(i, 8), nullptr, 16)));
    ASSERT_EQ(expect.size(), 512u);
    // Seed is the reference randinit (which ends with one isaac()); the printed
    // words are the next two generations, NextWord draws 256..767.
    TIsaac g;
    const std::uint32_t zero[1] = {0};
    g.Seed(zero, 0, true);
    for (int i = 0; i < 256; ++i) g.NextWord();
    for (std::size_t i = 0; i < expect.size(); ++i) ASSERT_EQ(g.NextWord(), expect[i]) << i;
}

// Draws stay below their bound (the Stealthy Cipher takes its cipher number from SystemRandom(5)).
TEST(Random, DrawsStayBelowTheirBound)
{
    TIsaac g;
    const std::uint32_t seed[1] = {42};
    g.Seed(seed, 0, true);
    std::set<std::uint32_t> seen;
    for (int i = 0; i < 100000; ++i) {
        const std::int32_t v = g.RandomInt(i % 2 ? 65536 : 7);
        ASSERT_TRUE(v >= 0 && v < (i % 2 ? 65536 : 7));
        seen.insert(SystemRandom(5));
    }
    EXPECT_EQ(seen, (std::set<std::uint32_t>{0, 1, 2, 3, 4}));
}

TEST(Isaac, OsSeededGeneratorsDiffer)
{
    TIsaac a, b;
    a.SeedFromOs();
    b.SeedFromOs();
    int same = 0;
    for (int i = 0; i < 1024; ++i) same += a.NextWord() == b.NextWord();
    EXPECT_LT(same, 4);
    std::vector<std::uint32_t> w1, w2;
    for (int i = 0; i < 16; ++i) w1.push_back(BigRandom().NextWord());
    ReleaseBigRandom();
    for (int i = 0; i < 16; ++i) w2.push_back(BigRandom().NextWord());
    EXPECT_NE(w1, w2) << "the shared generator is seeded afresh after release";

    unsigned char x[4096] = {}, y[4096] = {};
    osRandomBytes(x, sizeof x);
    osRandomBytes(y, sizeof y);
    EXPECT_NE(std::memcmp(x, y, sizeof x), 0);
    EXPECT_LT(std::count(x, x + sizeof x, 0), 64); // about 16 expected
}

TEST(Primes, SmallPrimeTable)
{
    const auto& p = SmallPrimes();
    ASSERT_EQ(p.size(), 1229u); // the primes below 10000
    for (std::size_t i = 0; i < p.size(); ++i) {
        ASSERT_TRUE(gmpPrime(p[i])) << p[i];
        if (i) ASSERT_LT(p[i - 1], p[i]);
    }
}

TEST(Primes, ProbablePrimeAgreesWithGmp)
{
    OperandSource src(11);
    for (int i = 0; i < 4000; ++i) {
        TBigint n = src.next(i < 2000 ? 4 : 24, false);
        if (n.IsEven()) n.AddSmall(1);
        ASSERT_EQ(n.IsProbablePrime(40), gmpPrime(toMpz(n))) << n.ToDecimalString();
    }
    // Products of two primes above the table, and the primes themselves.
    gmp_randclass r(gmp_randinit_default);
    r.seed(12345);
    for (int i = 0; i < 300; ++i) {
        const int bits = 16 + (i % 10) * 24;
        mpz_class p = r.get_z_bits(bits), q = r.get_z_bits(bits);
        mpz_nextprime(p.get_mpz_t(), mpz_class(p + 10000).get_mpz_t());
        mpz_nextprime(q.get_mpz_t(), mpz_class(q + 10000).get_mpz_t());
        EXPECT_TRUE(fromMpz(p).IsProbablePrime(40)) << p.get_str();
        EXPECT_FALSE(fromMpz(p * q).IsProbablePrime(40)) << mpz_class(p * q).get_str();
    }
}

TEST(Primes, RandomNumbersAndPrimesStayInRange)
{
    std::set<std::int64_t> seen;
    const TBigint max = TBigint::CreateFromString("5ffffffffffff", 16);
    for (int i = 0; i < 2000; ++i) {
        const TBigint v = TBigint::CreateRandomBelow(max);
        ASSERT_TRUE(v < max && !v.IsNegative());
        const TBigint s = TBigint::CreateRandomBelow(num(10));
        ASSERT_LT(s, num(10));
        seen.insert(std::stoll(s.ToDecimalString()));
    }
    EXPECT_EQ(seen.size(), 10u);
    for (int i = 0; i < 20; ++i) {
        const TBigint p = TBigint::CreateRandomPrime(64);
        ASSERT_TRUE(p.BitLength() <= 64 && gmpPrime(toMpz(p)));
        const TBigint small = TBigint::CreateRandomPrimeBelow(num(7)); // an odd max is never returned
        ASSERT_TRUE(small == num(3) || small == num(5)) << small.ToDecimalString();
    }
}

} // namespace
} // namespace zerath
