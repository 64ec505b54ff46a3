// The big-integer arithmetic: random operands against GMP, then the edge
// cases and error texts listed in tests/data/pubkey/bigint_cases.txt.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "BigIntOracle.h"
#include "CipherOracle.h"
#include "TestHelpers.h"
#include "pubkey/Primes.h"
#include "pubkey/SecretHex.h"
#include "pubkey/SystemRandom.h"

namespace zerath {
namespace {

using namespace zerath::test;

constexpr int kMaxDigits = 300;

// Euclidean division: 0 <= r < |b|.
void euclid(const mpz_class& a, const mpz_class& b, mpz_class& q, mpz_class& r)
{
    const mpz_class ab = abs(b);
    mpz_mod(r.get_mpz_t(), a.get_mpz_t(), ab.get_mpz_t());
    q = (a - r) / b;
}

// Results are normalised and zero is never negative.
::testing::AssertionResult same(const TBigint& ours, const mpz_class& theirs)
{
    if (toMpz(ours) != theirs) return ::testing::AssertionFailure() << toMpz(ours).get_str(16) << " != " << theirs.get_str(16);
    if (ours.DigitCount() > 1 && ours.Digits().back() == 0) return ::testing::AssertionFailure() << "leading zero digit";
    if (ours.IsZero() && ours.IsNegative()) return ::testing::AssertionFailure() << "negative zero";
    return ::testing::AssertionSuccess();
}

TEST(BigintGmp, Arithmetic)
{
    OperandSource src(2);
    for (int i = 0; i < 3000; ++i) {
        const TBigint a = src.next(kMaxDigits), b = src.next(i % 4 == 0 ? 2 : kMaxDigits), c = src.next(kMaxDigits);
        const mpz_class ma = toMpz(a), mb = toMpz(b), mag = abs(ma);
        const auto w = std::max<std::uint16_t>(1, std::uint16_t(src.raw()));
        const bool neg = src.raw() & 1;
        ASSERT_TRUE(same(TBigint(a).Add(b), ma + mb)) << i;
        ASSERT_TRUE(same(TBigint(a).Subtract(b), ma - mb)) << i;
        ASSERT_TRUE(same(TBigint(a).Multiply(b), ma * mb)) << i;
        ASSERT_TRUE(same(TBigint(a).AddSmall(w), ma + w));
        ASSERT_TRUE(same(TBigint(a).SubtractSmall(w), ma - w));
        ASSERT_TRUE(same(TBigint(a).MultiplySmall(w, neg), neg ? mpz_class(-(ma * w)) : mpz_class(ma * w)));
        ASSERT_EQ(a.Compare(b), ma < mb ? -1 : (ma > mb ? 1 : 0));
        TBigint self = a; // an operand that is the receiver itself
        ASSERT_TRUE(same(self.Add(self), 2 * ma));

        mpz_class q, r;
        if (!b.IsZero()) {
            euclid(ma, mb, q, r);
            const auto res = TBigint::DivMod(a, b);
            ASSERT_TRUE(same(res.Quotient, q)) << i;
            ASSERT_TRUE(same(res.Remainder, r)) << i;
            ASSERT_TRUE(same(TBigint(a).Modulo(b), r));
            // Multiples hit the exact-division path, also for negative dividends.
            const TBigint multiple = TBigint(b).Multiply(c);
            euclid(toMpz(multiple), mb, q, r);
            ASSERT_TRUE(same(TBigint::DivMod(multiple, b).Quotient, q));
            ASSERT_TRUE(TBigint::DivMod(multiple, b).Remainder.IsZero());
            mpz_class prod = ma * toMpz(c), expect;
            mpz_mod(expect.get_mpz_t(), prod.get_mpz_t(), mpz_class(abs(mb)).get_mpz_t());
            ASSERT_TRUE(same(TBigint(a).MulMod(c, b), expect));
        }
        euclid(ma, neg ? -mpz_class(w) : mpz_class(w), q, r);
        const auto small = TBigint::DivModSmall(a, w, neg);
        ASSERT_TRUE(same(small.Quotient, q));
        ASSERT_TRUE(same(small.Remainder, r));
        ASSERT_TRUE(same(TBigint(a).ModuloSmall(w), r));

        const int n = int(src.raw() % 5000), k = n % 320;
        auto signed_ = [&](const mpz_class& m) { return sgn(ma) < 0 ? mpz_class(-m) : m; };
        ASSERT_TRUE(same(TBigint(a).ShiftLeft(n), signed_(mag << n)));
        ASSERT_TRUE(same(TBigint(a).ShiftRight(n), signed_(mag >> n)));
        ASSERT_TRUE(same(TBigint(a).ShiftLeftDigits(k), signed_(mag << (16 * k))));
        ASSERT_TRUE(same(TBigint(a).ShiftRightDigits(k), signed_(mag >> (16 * k))));
        ASSERT_EQ(a.BitLength(), mag == 0 ? 0 : int(mpz_sizeinbase(mag.get_mpz_t(), 2)));
        ASSERT_EQ(a.TrailingZeroBits(), mag == 0 ? 0 : int(mpz_scan1(mag.get_mpz_t(), 0)));
    }
}

// a^e mod |m| for odd moduli (the Montgomery path) and even ones.
TEST(BigintGmp, PowMod)
{
    OperandSource src(6);
    for (int i = 0; i < 450; ++i) {
        const bool even = i >= 300;
        const int size = even ? (i < 400 ? 20 : 64) : (i < 200 ? 40 : 130);
        const TBigint a = src.next(size), e = src.next(i % 3 == 0 ? 3 : (even && i >= 400 ? 4 : size), false);
        TBigint m = src.next(size);
        if (m.IsEven() != even) m.AddSmall(1);
        if (e.IsZero() || m.IsZero()) continue;
        mpz_class expect, ma = toMpz(a), me = toMpz(e), mm = abs(toMpz(m));
        mpz_powm(expect.get_mpz_t(), ma.get_mpz_t(), me.get_mpz_t(), mm.get_mpz_t());
        ASSERT_TRUE(same(TBigint(a).PowMod(e, m), expect)) << i;
    }
}

TEST(BigintGmp, GcdAndModInverse)
{
    OperandSource src(8);
    for (int i = 0; i < 600; ++i) {
        const int size = i < 400 ? 20 : 130;
        TBigint a = src.next(size, false), b = src.next(i % 4 == 0 ? 2 : size, false);
        if (i % 5 == 0) { // a common factor
            const TBigint f = src.next(8, false);
            a.Multiply(f);
            b.Multiply(f);
        }
        if (a.IsZero() || b.IsZero()) continue;
        mpz_class g;
        mpz_gcd(g.get_mpz_t(), toMpz(a).get_mpz_t(), toMpz(b).get_mpz_t());
        ASSERT_TRUE(same(TBigint::Gcd(a, b), g)) << i;

        const TBigint sa = src.next(size), m = src.next(size, false);
        if (m.IsZero() || m.IsOne()) continue;
        mpz_class inv;
        if (mpz_invert(inv.get_mpz_t(), toMpz(sa).get_mpz_t(), toMpz(m).get_mpz_t()) != 0)
            ASSERT_TRUE(same(TBigint::ModInverse(sa, m), inv)) << i;
    }
}

TEST(BigintGmp, TextInEveryBase)
{
    OperandSource src(9);
    for (int i = 0; i < 1500; ++i) {
        const TBigint a = src.next(i % 10 == 0 ? 300 : 60);
        const int base = 2 + i % 35;
        const mpz_class ma = toMpz(a);
        const std::string text = ma.get_str(base); // lower-case digits
        ASSERT_EQ(a.ToString(base), text) << base;
        std::string upper = text;
        std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return char(std::toupper(c)); });
        ASSERT_EQ(TBigint::CreateFromString(upper, base), a) << base;
        if (base == 16 && sgn(ma) >= 0) { ASSERT_EQ(CreateFromSecretHex("00" + upper), a); } // the private exponent's reader
        const std::string zeros = (sgn(ma) < 0 ? "-000" : "000") + mpz_class(abs(ma)).get_str(base);
        ASSERT_EQ(TBigint::CreateFromString(zeros, base), a) << base;
    }
}

TEST(Bigint, EdgeCasesFromData)
{
    auto h = [](const std::string& s) { return TBigint::CreateFromString(s, 16); };
    auto d = [](const std::string& s) { return TBigint::CreateFromString(s, 10); };
    auto x = [](const TBigint& v) { return v.ToString(16); };
    auto pair = [&](const TBigint::DivModResult& r) { return x(r.Quotient) + "," + x(r.Remainder); };
    using Args = std::vector<std::string>;
    const std::map<std::string, std::function<std::string(const Args&)>> ops = {
        {"parse", [&](const Args& a) { return x(TBigint::CreateFromString(a[0], std::stoi(a[1]))); }},
        {"secret", [&](const Args& a) { return x(CreateFromSecretHex(a[0])); }},
        {"add", [&](const Args& a) { return x(h(a[0]).Add(h(a[1]))); }},
        {"sub", [&](const Args& a) { return x(h(a[0]).Subtract(h(a[1]))); }},
        {"addsmall", [&](const Args& a) { return x(h(a[0]).AddSmall(std::uint16_t(std::stoi(a[1], nullptr, 16)))); }},
        {"subsmall", [&](const Args& a) { return x(h(a[0]).SubtractSmall(std::uint16_t(std::stoi(a[1], nullptr, 16)))); }},
        {"mul", [&](const Args& a) { return x(h(a[0]).Multiply(h(a[1]))); }},
        {"divmod", [&](const Args& a) { return pair(TBigint::DivMod(h(a[0]), h(a[1]))); }},
        {"divmodsmall", [&](const Args& a) {
             const int w = std::stoi(a[1], nullptr, 16);
             return pair(TBigint::DivModSmall(h(a[0]), std::uint16_t(std::abs(w)), w < 0));
         }},
        {"mod", [&](const Args& a) { return x(h(a[0]).Modulo(h(a[1]))); }},
        {"modsmall", [&](const Args& a) { return x(h(a[0]).ModuloSmall(std::uint16_t(std::stoi(a[1], nullptr, 16)))); }},
        {"mulmod", [&](const Args& a) { return x(h(a[0]).MulMod(h(a[1]), h(a[2]))); }},
        {"powmod", [&](const Args& a) { return x(h(a[0]).PowMod(h(a[1]), h(a[2]))); }},
        {"gcd", [&](const Args& a) { return x(TBigint::Gcd(h(a[0]), h(a[1]))); }},
        {"modinverse", [&](const Args& a) { return x(TBigint::ModInverse(h(a[0]), h(a[1]))); }},
        {"shl", [&](const Args& a) { return x(h(a[0]).ShiftLeft(std::stoi(a[1]))); }},
        {"shr", [&](const Args& a) { return x(h(a[0]).ShiftRight(std::stoi(a[1]))); }},
        {"shrdigits", [&](const Args& a) { return x(h(a[0]).ShiftRightDigits(std::stoi(a[1]))); }},
        {"prime", [&](const Args& a) { return std::to_string(d(a[0]).IsProbablePrime(std::stoi(a[1]))); }},
        {"mrround", [&](const Args& a) { return std::to_string(TBigint::MillerRabinRound(d(a[0]), d(a[1]))); }},
        {"randbits", [&](const Args& a) { return x(TBigint::CreateRandomBits(std::stoi(a[0]))); }},
        {"randbelow", [&](const Args& a) { return x(TBigint::CreateRandomBelow(h(a[0]))); }},
        {"randprimebelow", [&](const Args& a) { return x(TBigint::CreateRandomPrimeBelow(h(a[0]))); }},
    };
    for (auto r : readDataRows("pubkey/bigint_cases.txt")) {
        const std::string op = r[0], expected = r.back();
        const Args args(r.begin() + 1, r.end() - 1);
        ASSERT_TRUE(ops.count(op)) << op;
        std::string got;
        const std::string error = errorOf<Error>([&] { got = ops.at(op)(args); });
        EXPECT_EQ(error == kNoError ? got : "!" + error, expected) << op << " " << ::testing::PrintToString(args);
    }
}

// Releasing a number of two or more digits overwrites it with one SystemRandom
// value per digit; a one-digit or moved-from number draws nothing.
TEST(Bigint, ReleaseOverwritesDigits)
{
    SetSystemRandomState(12345);
    for (int i = 0; i < 4; ++i) SystemRandom(65536);
    const std::uint32_t afterFour = SystemRandomState();
    SetSystemRandomState(12345);
    { TBigint small = TBigint::CreateFromInt64(7); }
    EXPECT_EQ(SystemRandomState(), 12345u);
    {
        TBigint big = TBigint::CreateFromString("123456789abcdef", 16); // four digits
        TBigint moved = std::move(big);
    }
    EXPECT_EQ(SystemRandomState(), afterFour);
}

} // namespace
} // namespace zerath
