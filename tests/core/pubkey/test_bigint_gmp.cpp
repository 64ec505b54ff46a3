// Differential tests of the big integer arithmetic against GMP.
#include <gtest/gtest.h>

#include <algorithm>

#include "pubkey/BigInt.h"
#include "test_bigint_util.h"

using namespace zerath;
using zerath::test::fromMpz;
using zerath::test::OperandSource;
using zerath::test::toMpz;

namespace {

constexpr int kMaxDigits = 300;

// Euclidean division: 0 <= r < |b|.
void euclid(const mpz_class& a, const mpz_class& b, mpz_class& q, mpz_class& r)
{
    mpz_class ab = abs(b);
    mpz_mod(r.get_mpz_t(), a.get_mpz_t(), ab.get_mpz_t());
    q = (a - r) / b;
}

} // namespace

TEST(BigintGmp, ConversionHelpersAgree)
{
    OperandSource src(1);
    for (int i = 0; i < 200; ++i) {
        const TBigint a = src.next(kMaxDigits);
        EXPECT_EQ(fromMpz(toMpz(a)), a);
    }
}

TEST(BigintGmp, AddSubtractMultiply)
{
    OperandSource src(2);
    for (int i = 0; i < 2000; ++i) {
        const TBigint a = src.next(kMaxDigits), b = src.next(i % 4 == 0 ? 2 : kMaxDigits);
        const mpz_class ma = toMpz(a), mb = toMpz(b);
        TBigint s = a;
        s.Add(b);
        ASSERT_EQ(toMpz(s), ma + mb) << i;
        TBigint d = a;
        d.Subtract(b);
        ASSERT_EQ(toMpz(d), ma - mb) << i;
        TBigint p = a;
        p.Multiply(b);
        ASSERT_EQ(toMpz(p), ma * mb) << i;
        const std::uint16_t w = static_cast<std::uint16_t>(src.raw());
        TBigint as = a;
        as.AddSmall(w);
        ASSERT_EQ(toMpz(as), ma + w);
        TBigint ss = a;
        ss.SubtractSmall(w);
        ASSERT_EQ(toMpz(ss), ma - w);
        TBigint ms = a;
        const bool neg = src.raw() & 1;
        ms.MultiplySmall(w, neg);
        ASSERT_EQ(toMpz(ms), neg ? mpz_class(-(ma * w)) : mpz_class(ma * w));
        // Results are normalised and zero is never negative.
        for (const TBigint* r : {&s, &d, &p, &as, &ss, &ms}) {
            ASSERT_TRUE(r->DigitCount() == 1 || r->Digits().back() != 0);
            ASSERT_FALSE(r->IsZero() && r->IsNegative());
        }
        ASSERT_EQ(a.Compare(b), ma < mb ? -1 : (ma > mb ? 1 : 0));
    }
}

TEST(BigintGmp, DivModAndModulo)
{
    OperandSource src(3);
    for (int i = 0; i < 3000; ++i) {
        const TBigint a = src.next(kMaxDigits);
        TBigint b = src.next(i % 5 == 0 ? 1 : kMaxDigits);
        if (b.IsZero()) continue;
        const mpz_class ma = toMpz(a), mb = toMpz(b);
        mpz_class q, r;
        euclid(ma, mb, q, r);
        const auto res = TBigint::DivMod(a, b);
        ASSERT_EQ(toMpz(res.Quotient), q) << i;
        ASSERT_EQ(toMpz(res.Remainder), r) << i;
        ASSERT_FALSE(res.Quotient.IsZero() && res.Quotient.IsNegative());
        TBigint m = a;
        m.Modulo(b);
        ASSERT_EQ(toMpz(m), r);
        // Multiples hit the exact-division path, also for negative dividends.
        TBigint multiple = b;
        multiple.Multiply(src.next(40));
        const auto exact = TBigint::DivMod(multiple, b);
        mpz_class qe, re;
        euclid(toMpz(multiple), mb, qe, re);
        ASSERT_EQ(toMpz(exact.Quotient), qe);
        ASSERT_TRUE(exact.Remainder.IsZero());
    }
}

TEST(BigintGmp, SmallDivisionAndMulMod)
{
    OperandSource src(4);
    for (int i = 0; i < 2000; ++i) {
        const TBigint a = src.next(kMaxDigits);
        std::uint16_t w = static_cast<std::uint16_t>(src.raw());
        if (w == 0) w = 1;
        const bool neg = src.raw() & 1;
        const mpz_class ma = toMpz(a), mw = neg ? -mpz_class(w) : mpz_class(w);
        mpz_class q, r;
        euclid(ma, mw, q, r);
        const auto res = TBigint::DivModSmall(a, w, neg);
        ASSERT_EQ(toMpz(res.Quotient), q);
        ASSERT_EQ(toMpz(res.Remainder), r);
        TBigint ms = a;
        ms.ModuloSmall(w);
        ASSERT_EQ(toMpz(ms), r);

        const TBigint b = src.next(kMaxDigits), m = src.next(kMaxDigits);
        if (m.IsZero()) continue;
        TBigint mm = a;
        mm.MulMod(b, m);
        mpz_class expect;
        mpz_class prod = ma * toMpz(b), am = abs(toMpz(m));
        mpz_mod(expect.get_mpz_t(), prod.get_mpz_t(), am.get_mpz_t());
        ASSERT_EQ(toMpz(mm), expect);
    }
}

TEST(BigintGmp, Shifts)
{
    OperandSource src(5);
    for (int i = 0; i < 2000; ++i) {
        const TBigint a = src.next(kMaxDigits);
        const int n = static_cast<int>(src.raw() % 5000);
        const mpz_class ma = toMpz(a);
        const mpz_class mag = abs(ma);
        TBigint l = a;
        l.ShiftLeft(n);
        mpz_class el = mag << n;
        ASSERT_EQ(toMpz(l), sgn(ma) < 0 ? mpz_class(-el) : el);
        TBigint r = a;
        r.ShiftRight(n);
        mpz_class er = mag >> n;
        ASSERT_EQ(toMpz(r), sgn(ma) < 0 ? mpz_class(-er) : er);
        const int k = n % 320;
        TBigint ld = a;
        ld.ShiftLeftDigits(k);
        mpz_class eld = mag << (16 * k);
        ASSERT_EQ(toMpz(ld), sgn(ma) < 0 ? mpz_class(-eld) : eld);
        TBigint rd = a;
        rd.ShiftRightDigits(k);
        mpz_class erd = mag >> (16 * k);
        ASSERT_EQ(toMpz(rd), sgn(ma) < 0 ? mpz_class(-erd) : erd);
        ASSERT_EQ(a.BitLength(), static_cast<int>(mag == 0 ? 0 : mpz_sizeinbase(mag.get_mpz_t(), 2)));
        ASSERT_EQ(a.TrailingZeroBits(), mag == 0 ? 0 : static_cast<int>(mpz_scan1(mag.get_mpz_t(), 0)));
    }
}

namespace {

// a^e mod |m| against GMP's.
::testing::AssertionResult powModAsGmp(const TBigint& a, const TBigint& e, const TBigint& m)
{
    TBigint r = a;
    r.PowMod(e, m);
    mpz_class expect, ma = toMpz(a), me = toMpz(e), mm = abs(toMpz(m));
    mpz_powm(expect.get_mpz_t(), ma.get_mpz_t(), me.get_mpz_t(), mm.get_mpz_t());
    if (toMpz(r) == expect) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "PowMod gives " << toMpz(r).get_str(16) << ", GMP " << expect.get_str(16);
}

} // namespace

TEST(BigintGmp, PowModOddModuli)
{
    OperandSource src(6);
    for (int i = 0; i < 300; ++i) {
        const int size = i < 200 ? 40 : 130;
        const TBigint a = src.next(size);
        TBigint e = src.next(i % 3 == 0 ? 3 : size, false);
        TBigint m = src.next(size);
        if (m.IsEven()) m.AddSmall(1);
        if (e.IsZero() || m.IsZero()) continue;
        ASSERT_TRUE(powModAsGmp(a, e, m)) << i;
    }
}

TEST(BigintGmp, PowModEvenModuli)
{
    OperandSource src(7);
    for (int i = 0; i < 150; ++i) {
        const TBigint a = src.next(i < 100 ? 20 : 64);
        const TBigint e = src.next(i < 100 ? 20 : 4, false);
        TBigint m = src.next(i < 100 ? 20 : 64);
        if (m.IsOdd()) m.AddSmall(1);
        if (e.IsZero() || m.IsZero()) continue;
        ASSERT_TRUE(powModAsGmp(a, e, m)) << i;
    }
}

TEST(BigintGmp, GcdAndModInverse)
{
    OperandSource src(8);
    for (int i = 0; i < 600; ++i) {
        const int size = i < 400 ? 20 : 130;
        TBigint a = src.next(size, false), b = src.next(i % 4 == 0 ? 2 : size, false);
        if (a.IsZero() || b.IsZero()) continue;
        if (i % 5 == 0) { // give them a common factor
            const TBigint f = src.next(8, false);
            a.Multiply(f);
            b.Multiply(f);
            if (a.IsZero() || b.IsZero()) continue;
        }
        const mpz_class ma = toMpz(a), mb = toMpz(b);
        mpz_class g;
        mpz_gcd(g.get_mpz_t(), ma.get_mpz_t(), mb.get_mpz_t());
        ASSERT_EQ(toMpz(TBigint::Gcd(a, b)), g) << i;

        // Inverse of a signed a modulo m where it exists.
        TBigint sa = src.next(size);
        const TBigint m = src.next(size, false);
        if (m.IsZero() || m.IsOne()) continue;
        const mpz_class msa = toMpz(sa), mm = toMpz(m);
        mpz_class inv;
        if (mpz_invert(inv.get_mpz_t(), msa.get_mpz_t(), mm.get_mpz_t()) != 0) {
            const TBigint r = TBigint::ModInverse(sa, m);
            ASSERT_EQ(toMpz(r), inv) << i;
        }
    }
}

TEST(BigintGmp, TextRoundTripsEveryBase)
{
    OperandSource src(9);
    for (int i = 0; i < 1500; ++i) {
        const TBigint a = src.next(i % 10 == 0 ? 300 : 60);
        const int base = 2 + i % 35;
        const mpz_class ma = toMpz(a);
        std::string expect = ma.get_str(base); // lower-case digits
        ASSERT_EQ(a.ToString(base), expect) << base;
        ASSERT_EQ(TBigint::CreateFromString(expect, base), a) << base;
        std::string upper = expect;
        std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        ASSERT_EQ(TBigint::CreateFromString(upper, base), a) << base;
        const mpz_class mag = abs(ma);
        ASSERT_EQ(TBigint::CreateFromString((sgn(ma) < 0 ? "-000" : "000") + mag.get_str(base), base), a);
    }
    EXPECT_EQ(TBigint::CreateFromInt64(0).ToString(7), "0");
}
