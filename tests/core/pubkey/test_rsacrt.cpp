// The private operation: its fixed-window exponentiation against GMP; with the
// Chinese remainder theorem, prime recovery
// from n, e and d, the CRT answer against the plain one and GMP over random
// keys, keys whose recovery must fail (the plain road then answers), and the
// Montgomery steps where the sum before the last subtraction is the modulus.
#include <gtest/gtest.h>

#include <algorithm>

#include "BigIntOracle.h"
#include "pubkey/Montgomery.h"
#include "pubkey/PrivateKey.h"
#include "pubkey/RsaCrt.h"

using namespace zerath;
using namespace zerath::test;

namespace {

mpz_class prime(gmp_randclass& rng, unsigned bits)
{
    mpz_class p = rng.get_z_bits(bits) | (mpz_class(1) << (bits - 1));
    mpz_nextprime(p.get_mpz_t(), p.get_mpz_t());
    return p;
}

struct TestKey {
    mpz_class n, e, d;
};

// n from the given primes; e odd and prime to the totient; d its inverse modulo
// the totient (as key generation makes it) or modulo lcm(p-1, q-1).
TestKey keyOf(gmp_randclass& rng, const std::vector<mpz_class>& primes, bool lcm)
{
    TestKey k;
    k.n = 1;
    mpz_class phi = 1, lambda = 1;
    for (const mpz_class& p : primes) {
        k.n *= p;
        phi *= p - 1;
        mpz_lcm(lambda.get_mpz_t(), lambda.get_mpz_t(), mpz_class(p - 1).get_mpz_t());
    }
    const mpz_class& m = lcm ? lambda : phi;
    for (;;) {
        k.e = rng.get_z_bits(32) | 1;
        if (k.e < 3) continue;
        mpz_class g;
        mpz_gcd(g.get_mpz_t(), k.e.get_mpz_t(), m.get_mpz_t());
        if (g == 1) break;
    }
    mpz_invert(k.d.get_mpz_t(), k.e.get_mpz_t(), m.get_mpz_t());
    return k;
}

TPrivateKey privateKeyOf(const TestKey& k) { return TPrivateKey(fromMpz(k.e), fromMpz(k.n), fromMpz(k.d)); }

} // namespace

TEST(RsaCrt, RecoversThePrimesAndAnswersAsThePlainOperationAndGmp)
{
    gmp_randclass rng(gmp_randinit_mt);
    rng.seed(23);
    // Sizes around the limb boundaries, primes of unequal length, d modulo the
    // totient and modulo the lcm.
    const std::vector<std::pair<unsigned, unsigned>> sizes = {{64, 64},   {65, 63},   {127, 129}, {256, 256},
                                                              {300, 200}, {512, 512}, {1024, 1024}};
    for (const auto& [pb, qb] : sizes) {
        for (int round = 0; round < 4; ++round) {
            const mpz_class p = prime(rng, pb), q = prime(rng, qb);
            const TestKey k = keyOf(rng, {p, q}, round % 2 == 1);
            TPrivateKey key = privateKeyOf(k);
            ASSERT_TRUE(key.PrepareCrt()) << pb << "/" << qb;
            const auto crt = RsaCrtKey::Recover(fromMpz(k.n), fromMpz(k.e), fromMpz(k.d));
            ASSERT_TRUE(crt);
            const mpz_class rp = toMpz(crt->P()), rq = toMpz(crt->Q());
            EXPECT_TRUE((rp == p && rq == q) || (rp == q && rq == p));
            for (int i = 0; i < 6; ++i) {
                const mpz_class c = i == 0 ? mpz_class(1) : i == 1 ? mpz_class(k.n - 1) : rng.get_z_range(k.n);
                mpz_class expected;
                mpz_powm(expected.get_mpz_t(), c.get_mpz_t(), k.d.get_mpz_t(), k.n.get_mpz_t());
                const std::string hex = c.get_str(16);
                EXPECT_EQ(toMpz(crt->Power(fromMpz(c))), expected);
                EXPECT_EQ(key.Decrypt(hex).view(), expected.get_str(16));
                EXPECT_EQ(key.Decrypt(hex).view(), key.DecryptUnblinded(hex).view());
            }
        }
    }
}

TEST(RsaCrt, KeysWithoutTwoPrimesOrAPairFallBackToThePlainOperation)
{
    gmp_randclass rng(gmp_randinit_mt);
    rng.seed(2323);
    const mpz_class p = prime(rng, 200), q = prime(rng, 200), r = prime(rng, 200);
    // A key of p and q changed after the fact: d, n or e no longer belong to the others.
    const auto changed = [&](auto change) { TestKey k = keyOf(rng, {p, q}, false); return change(k), k; };
    const std::pair<const char*, TestKey> cases[] = {
        {"three primes", keyOf(rng, {p, q, r}, false)},
        {"three primes, lcm", keyOf(rng, {p, q, r}, true)},
        {"d not e's inverse", changed([](TestKey& k) { k.d += 2; })},
        {"n a square", changed([&](TestKey& k) { k.n = p * p; })},
        {"d e - 1 odd", changed([](TestKey& k) { k.e += 1; })},
    };
    for (const auto& [name, k] : cases) {
        EXPECT_FALSE(RsaCrtKey::Recover(fromMpz(k.n), fromMpz(k.e), fromMpz(k.d))) << name;
        TPrivateKey key = privateKeyOf(k);
        EXPECT_FALSE(key.PrepareCrt()) << name;
        const mpz_class m = rng.get_z_range(k.n);
        mpz_class expected;
        mpz_powm(expected.get_mpz_t(), m.get_mpz_t(), k.d.get_mpz_t(), k.n.get_mpz_t());
        EXPECT_EQ(key.Decrypt(m.get_str(16)).view(), expected.get_str(16)) << name;
    }
}

TEST(RsaCrt, ConstantTimeModAndGcdAgreeWithGmp)
{
    gmp_randclass rng(gmp_randinit_mt);
    rng.seed(77);
    auto limbs = [](const mpz_class& v, std::size_t k) { return limbsOfDigits(fromMpz(v).Digits(), k); };
    auto number = [](const Limbs& l) { return toMpz(TBigint::FromDigits(digitsOfLimbs(l.data(), l.size()), false)); };
    for (int round = 0; round < 40; ++round) {
        const unsigned mb = 1 + mpz_class(rng.get_z_range(300)).get_ui();
        const mpz_class m = rng.get_z_bits(mb) | 1;
        const mpz_class x = round == 0 ? mpz_class(m) : round == 1 ? mpz_class(m - 1) : rng.get_z_bits(2 * mb + 70);
        const std::size_t mk = (mb + 63) / 64;
        mpz_class expected = x % m;
        EXPECT_EQ(number(ctModLimbs(limbs(x, (2 * mb + 70 + 63) / 64), limbs(m, mk))), expected);
        const mpz_class a = round == 2 ? mpz_class(0) : rng.get_z_range(m) * (round % 3 == 0 ? 1 : 3);
        mpz_class g;
        mpz_gcd(g.get_mpz_t(), a.get_mpz_t(), m.get_mpz_t());
        EXPECT_EQ(number(ctGcdLimbs(limbs(a % m, mk), limbs(m, mk))), g) << round;
    }
}

// n = p q and the Montgomery product of p by q: the sum before the final
// subtraction is exactly n, and the answer must be 0. The same for squares
// modulo p^2 inside an exponentiation, on both of its roads.
TEST(Montgomery, SumEqualToTheModulusBeforeTheLastSubtractionGivesZero)
{
    gmp_randclass rng(gmp_randinit_mt);
    rng.seed(5);
    for (unsigned bits : {31u, 64u, 100u, 512u, 1024u}) {
        const mpz_class p = prime(rng, bits), q = prime(rng, bits + 3);
        const mpz_class n = p * q;
        const std::size_t k = (mpz_sizeinbase(n.get_mpz_t(), 2) + 63) / 64;
        auto limbs = [&](const mpz_class& v) { return limbsOfDigits(fromMpz(v).Digits(), k); };
        auto isZero = [](const Limbs& l) { return std::all_of(l.begin(), l.end(), [](auto v) { return v == 0; }); };
        MontgomeryContext ctx(limbs(n));
        const Limbs a = limbs(p), b = limbs(q);
        Limbs out(k, 1);
        ctx.mul(a.data(), b.data(), out.data());
        EXPECT_TRUE(isZero(out)) << bits;
        const mpz_class square = p * p;
        MontgomeryContext ctxSquare(limbsOfDigits(fromMpz(square).Digits(), (2 * bits + 63) / 64));
        Limbs c = limbsOfDigits(fromMpz(p).Digits(), ctxSquare.size()), d(ctxSquare.size(), 1);
        ctxSquare.sqr(c.data(), d.data());
        EXPECT_TRUE(isZero(d)) << bits;

        for (const mpz_class& e : {mpz_class(2), mpz_class(3), mpz_class(rng.get_z_bits(bits) + 2)}) {
            TBigint x = fromMpz(p);
            x.PowMod(fromMpz(e), fromMpz(square));
            EXPECT_TRUE(x.IsZero()) << bits;
            TBigint y = fromMpz(p);
            y.PowModSecret(fromMpz(e), fromMpz(square));
            EXPECT_TRUE(y.IsZero()) << bits;
        }
    }
}

// Random odd moduli of many sizes, exponents of every length up to past the modulus's.
TEST(PrivateOperation, FixedWindowsGiveWhatGmpGives)
{
    gmp_randclass rng(gmp_randinit_mt);
    rng.seed(20261206);
    for (unsigned bits : {3u, 64u, 65u, 127u, 521u, 1023u, 2048u}) {
        for (int round = 0; round < 12; ++round) {
            const mpz_class n = rng.get_z_bits(bits) | (mpz_class(1) << (bits - 1)) | 1;
            const mpz_class base = round == 0 ? mpz_class(n - 1) : mpz_class(rng.get_z_range(n - 1) + 1);
            const mpz_class exp = mpz_class(rng.get_z_bits(1 + mpz_class(rng.get_z_range(bits + 40)).get_ui())) + 1;
            mpz_class expected;
            mpz_powm(expected.get_mpz_t(), base.get_mpz_t(), exp.get_mpz_t(), n.get_mpz_t());
            TBigint x = fromMpz(base);
            x.PowModSecret(fromMpz(exp), fromMpz(n));
            ASSERT_EQ(x.ToString(16), expected.get_str(16)) << bits << " bits, round " << round;
        }
    }
}
