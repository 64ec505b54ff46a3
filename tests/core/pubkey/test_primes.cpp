// Random big numbers, the probable-prime test and the prime searches.
#include <gtest/gtest.h>
#include <gmpxx.h>

#include <set>

#include "pubkey/BigInt.h"
#include "pubkey/Isaac.h"
#include "pubkey/Primes.h"
#include "TestHelpers.h"
#include "test_bigint_util.h"

using namespace zerath;
using zerath::test::errorOf;
using zerath::test::fromMpz;
using zerath::test::toMpz;

namespace {

TBigint num(std::int64_t v) { return TBigint::CreateFromInt64(v); }

} // namespace

TEST(Primes, SmallPrimeTable)
{
    const auto& p = SmallPrimes();
    ASSERT_EQ(p.size(), 1229u);
    EXPECT_EQ(p[0], 2);
    EXPECT_EQ(p[1], 3);
    EXPECT_EQ(p[4], 11);
    EXPECT_EQ(p[1225], 9941);
    EXPECT_EQ(p[1226], 9949);
    EXPECT_EQ(p[1227], 9967);
    EXPECT_EQ(p[1228], 9973);
    for (std::size_t i = 0; i < p.size(); ++i) {
        ASSERT_NE(mpz_probab_prime_p(mpz_class(p[i]).get_mpz_t(), 30), 0);
        if (i) ASSERT_LT(p[i - 1], p[i]);
    }
}

TEST(Primes, RandomBitsShapesAndErrors)
{
    for (int i = 0; i < 500; ++i) {
        const TBigint a = TBigint::CreateRandomBits(1);
        ASSERT_TRUE(a.IsZero() || a.IsOne());
        ASSERT_EQ(TBigint::CreateRandomBits(16).DigitCount(), 1);
        const TBigint b = TBigint::CreateRandomBits(17);
        ASSERT_LE(b.DigitCount(), 2);
        if (b.DigitCount() == 2) ASSERT_EQ(b.Digit(1), 1);
        ASSERT_LE(TBigint::CreateRandomBits(1000).BitLength(), 1000);
        ASSERT_FALSE(TBigint::CreateRandomBits(50).IsNegative());
    }
    EXPECT_EQ(errorOf<Error>([] { TBigint::CreateRandomBits(0); }), "Invalid number of bits: 0");
    EXPECT_EQ(errorOf<Error>([] { TBigint x = num(5); x.RandomBits(-3); }), "Invalid number of bits: -3");
    EXPECT_EQ(errorOf<Error>([] { TBigint::CreateRandomPrime(0); }), "Invalid number of bits: 0");
    // One bit allows only the candidate 1: refused instead of searching for ever.
    EXPECT_EQ(errorOf<Error>([] { TBigint::CreateRandomPrime(1); }), "Invalid number of bits: 1");
}

TEST(Primes, RandomBitsDrawOrder)
{
    // Digits are drawn most significant first, each RandomInt(65536); the top one is masked.
    TIsaac copy = BigRandom();
    const TBigint a = TBigint::CreateRandomBits(40);
    const std::uint16_t d2 = static_cast<std::uint16_t>(copy.RandomInt(65536) & 0xFF);
    const std::uint16_t d1 = static_cast<std::uint16_t>(copy.RandomInt(65536));
    const std::uint16_t d0 = static_cast<std::uint16_t>(copy.RandomInt(65536));
    EXPECT_EQ(a, TBigint::FromDigits({d0, d1, d2}, false));

    // RandomBelow: top digit RandomInt(top digit of max), then full digits downwards.
    const TBigint max = TBigint::CreateFromString("3000000000000", 16); // digits 0,0,0,3
    TIsaac copy2 = BigRandom();
    const TBigint b = TBigint::CreateRandomBelow(max);
    const std::uint16_t t = static_cast<std::uint16_t>(copy2.RandomInt(3));
    const std::uint16_t e2 = static_cast<std::uint16_t>(copy2.RandomInt(65536));
    const std::uint16_t e1 = static_cast<std::uint16_t>(copy2.RandomInt(65536));
    const std::uint16_t e0 = static_cast<std::uint16_t>(copy2.RandomInt(65536));
    EXPECT_EQ(b, TBigint::FromDigits({e0, e1, e2, t}, false));
}

TEST(Primes, RandomBelowShapesAndErrors)
{
    const TBigint m65536 = num(65536);
    const TBigint odd = TBigint::CreateFromString("5ffffffffffff", 16);
    std::set<std::int64_t> seen;
    for (int i = 0; i < 2000; ++i) {
        ASSERT_TRUE(TBigint::CreateRandomBelow(num(1)).IsZero());
        ASSERT_EQ(TBigint::CreateRandomBelow(m65536).DigitCount(), 1);
        const TBigint v = TBigint::CreateRandomBelow(odd);
        ASSERT_LT(v, TBigint::CreateFromString("5000000000000", 16)); // below top digit * 65536^3
        ASSERT_FALSE(v.IsNegative());
        const TBigint s = TBigint::CreateRandomBelow(num(10));
        ASSERT_LT(s, num(10));
        seen.insert(std::stoll(s.ToDecimalString()));
    }
    EXPECT_EQ(seen.size(), 10u);
    EXPECT_EQ(errorOf<Error>([] { TBigint::CreateRandomBelow(num(0)); }), "Invalid Max: 0");
    EXPECT_EQ(errorOf<Error>([] { TBigint::CreateRandomBelow(num(-17)); }), "Invalid Max: -17");
    EXPECT_EQ(errorOf<Error>([] { TBigint::CreateRandomPrimeBelow(num(0)); }), "Invalid Max: 0");
    EXPECT_EQ(errorOf<Error>([] { TBigint::CreateRandomPrimeBelow(num(-1)); }), "Invalid Max: -1");
    // No odd prime lies below 3 or below 4 except 3 itself: below 4 works, below 3 is refused.
    EXPECT_EQ(errorOf<Error>([] { TBigint::CreateRandomPrimeBelow(num(3)); }), "Invalid Max: 3");
    EXPECT_EQ(TBigint::CreateRandomPrimeBelow(num(4)), num(3));
}

TEST(Primes, ProbablePrimeKnownAnswers)
{
    for (std::int64_t p : std::initializer_list<std::int64_t>{2, 3, 9973, 10007, 65537, 4294967291LL})
        EXPECT_TRUE(num(p).IsProbablePrime(40)) << p;
    for (std::int64_t c : std::initializer_list<std::int64_t>{0, 1, 4, 9, 10001, 561, 41041, 825265, 65536, 4294967297LL})
        EXPECT_FALSE(num(c).IsProbablePrime(40)) << c;
    EXPECT_FALSE(num(-7).IsProbablePrime(40));
    EXPECT_FALSE(num(-10007).IsProbablePrime(40));
    // Rounds below 1: passing the table is enough.
    EXPECT_TRUE(num(10007).IsProbablePrime(0));
    const TBigint carmichael = num(6323547512449LL); // 10177 * 20353 * 30529
    EXPECT_TRUE(carmichael.IsProbablePrime(0));
    EXPECT_FALSE(carmichael.IsProbablePrime(40));
    // A larger Carmichael number of the same form (k = 1000051).
    const TBigint big = TBigint::CreateFromString("1296198694153288947529", 10); // 6000307 * 12000613 * 18000919
    EXPECT_TRUE(big.IsProbablePrime(0));
    EXPECT_FALSE(big.IsProbablePrime(40));
}

TEST(Primes, MillerRabinRoundStrongLiars)
{
    // 2047 = 23 * 89 is a strong pseudoprime to base 2 but not to base 3.
    EXPECT_TRUE(TBigint::MillerRabinRound(num(2047), num(2)));
    EXPECT_FALSE(TBigint::MillerRabinRound(num(2047), num(3)));
    // 3215031751 passes bases 2, 3, 5 and 7 and fails 11.
    for (int b : {2, 3, 5, 7}) EXPECT_TRUE(TBigint::MillerRabinRound(num(3215031751LL), num(b))) << b;
    EXPECT_FALSE(TBigint::MillerRabinRound(num(3215031751LL), num(11)));
    // A prime passes every witness; n-1 as witness passes at once.
    for (int b = 2; b < 50; ++b) EXPECT_TRUE(TBigint::MillerRabinRound(num(1000003), num(b)));
    EXPECT_TRUE(TBigint::MillerRabinRound(num(561), num(560)));
}

TEST(Primes, AgreesWithGmpOnRandomOddNumbers)
{
    zerath::test::OperandSource src(11);
    int primes = 0;
    for (int i = 0; i < 4000; ++i) {
        TBigint n = src.next(i < 2000 ? 4 : 24, false);
        if (n.IsEven()) n.AddSmall(1);
        const mpz_class mn = toMpz(n);
        const bool expect = mpz_probab_prime_p(mn.get_mpz_t(), 40) != 0;
        ASSERT_EQ(n.IsProbablePrime(40), expect) << n.ToDecimalString();
        primes += expect;
    }
    EXPECT_GT(primes, 20);
    // Products of two primes above the table, and primes themselves.
    gmp_randclass r(gmp_randinit_default);
    r.seed(12345);
    for (int i = 0; i < 300; ++i) {
        const int bits = 16 + (i % 10) * 24;
        mpz_class p = r.get_z_bits(bits), q = r.get_z_bits(bits);
        mpz_nextprime(p.get_mpz_t(), mpz_class(p + 10000).get_mpz_t());
        mpz_nextprime(q.get_mpz_t(), mpz_class(q + 10000).get_mpz_t());
        EXPECT_TRUE(fromMpz(p).IsProbablePrime(40)) << p.get_str();
        const mpz_class pq = p * q;
        EXPECT_FALSE(fromMpz(pq).IsProbablePrime(40)) << pq.get_str();
    }
    // A dense run of consecutive odd numbers around 2^32.
    for (std::int64_t v = 4294967297LL - 3001; v < 4294967297LL + 3000; v += 2) {
        const mpz_class mv(std::to_string(v));
        ASSERT_EQ(num(v).IsProbablePrime(40), mpz_probab_prime_p(mv.get_mpz_t(), 40) != 0) << v;
    }
}

TEST(Primes, RandomPrimeSearches)
{
    EXPECT_EQ(TBigint::CreateRandomPrime(2), num(3));
    for (int i = 0; i < 20; ++i) {
        const TBigint p = TBigint::CreateRandomPrime(64);
        const mpz_class mp = toMpz(p);
        ASSERT_TRUE(p.IsOdd());
        ASSERT_LE(p.BitLength(), 64);
        ASSERT_NE(mpz_probab_prime_p(mp.get_mpz_t(), 40), 0);
    }
    const TBigint big = TBigint::CreateRandomPrime(1024);
    const mpz_class mbig = toMpz(big);
    EXPECT_LE(big.BitLength(), 1024);
    EXPECT_NE(mpz_probab_prime_p(mbig.get_mpz_t(), 40), 0);

    const TBigint max = TBigint::CreateFromString("FFFFFFFF", 16);
    for (int i = 0; i < 50; ++i) {
        const TBigint e = TBigint::CreateRandomPrimeBelow(max);
        ASSERT_TRUE(e.IsOdd());
        ASSERT_LT(e, TBigint::CreateFromString("FFFF0000", 16));
        const mpz_class me = toMpz(e);
        ASSERT_NE(mpz_probab_prime_p(me.get_mpz_t(), 40), 0);
    }
    // A one-digit odd max is never returned itself.
    for (int i = 0; i < 200; ++i) {
        const TBigint e = TBigint::CreateRandomPrimeBelow(num(7));
        ASSERT_TRUE(e == num(3) || e == num(5)) << e.ToDecimalString();
    }
}
