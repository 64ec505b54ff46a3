// Known answers, edge cases and error texts of the big integer arithmetic.
#include <gtest/gtest.h>

#include <string>

#include "pubkey/BigInt.h"
#include "TestHelpers.h"
#include "pubkey/SystemRandom.h"

using namespace zerath;
using zerath::test::errorOf;
using zerath::test::kNoError;

namespace {

TBigint hex(const char* s) { return TBigint::CreateFromString(s, 16); }
TBigint dec(const char* s) { return TBigint::CreateFromString(s, 10); }
TBigint num(std::int64_t v) { return TBigint::CreateFromInt64(v); }

} // namespace

TEST(Bigint, ParsingZeroForms)
{
    for (const char* s : {"0", "000", "-0", "-000"}) {
        const TBigint z = hex(s);
        EXPECT_TRUE(z.IsZero()) << s;
        EXPECT_FALSE(z.IsNegative()) << s;
        EXPECT_EQ(z.DigitCount(), 1) << s;
        EXPECT_EQ(z.ToString(16), "0") << s;
    }
    EXPECT_EQ(hex("-0000ff").ToString(16), "-ff");
}

TEST(Bigint, ParsingErrors)
{
    EXPECT_EQ(errorOf<Error>([] { hex(""); }), "Zero-length string");
    EXPECT_EQ(errorOf<Error>([] { hex("-"); }), "Zero-length string");
    EXPECT_EQ(errorOf<Error>([] { hex("ff "); }), "Invalid Char:  "); // names the blank
    EXPECT_EQ(errorOf<Error>([] { hex("1 2"); }), "Invalid Char:  ");
    EXPECT_EQ(errorOf<Error>([] { hex("+5"); }), "Invalid Char: +");
    EXPECT_EQ(errorOf<Error>([] { hex("0x10"); }), "Invalid Char: x");
    EXPECT_EQ(errorOf<Error>([] { hex("--5"); }), "Invalid Char: -");
    EXPECT_EQ(errorOf<Error>([] { hex("12$4"); }), "Invalid Char: $");
    // Digits not below the base are rejected.
    EXPECT_EQ(errorOf<Error>([] { hex("fg"); }), "Invalid Char: g");
    EXPECT_EQ(errorOf<Error>([] { dec("12a"); }), "Invalid Char: a");
    EXPECT_EQ(errorOf<Error>([] { TBigint::CreateFromString("102", 2); }), "Invalid Char: 2");
    EXPECT_EQ(errorOf<Error>([] { TBigint::CreateFromString("z", 36); }), kNoError);
    EXPECT_EQ(errorOf<Error>([] { TBigint::CreateFromString("1", 37); }), "Invalid Base: 37");
    EXPECT_EQ(errorOf<Error>([] { num(1).ToString(1); }), "Invalid Base: 1");
}

TEST(Bigint, HexCaseAndOutput)
{
    EXPECT_EQ(hex("FF"), num(255));
    EXPECT_EQ(hex("ff"), num(255));
    EXPECT_EQ(hex("fF"), num(255));
    EXPECT_EQ(num(255).ToString(16), "ff");
    EXPECT_EQ(num(-255).ToString(16), "-ff");
    EXPECT_EQ(num(0).ToString(16), "0");
    EXPECT_EQ(num(-1).ToString(16), "-1");
    EXPECT_EQ(num(-1234567890123LL).ToDecimalString(), "-1234567890123");
    EXPECT_EQ(TBigint::CreateFromString("ZZ", 36), num(35 * 36 + 35));
}

TEST(Bigint, ChunkBoundaries)
{
    // 16 hex characters: a 1-character chunk then a 15-character chunk.
    EXPECT_EQ(hex("123456789abcdef0").ToString(16), "123456789abcdef0");
    EXPECT_EQ(hex("123456789abcdef0"), num(0x123456789abcdef0LL));
    // 30 characters: two full chunks; 31: 1 + 15 + 15.
    const std::string h30 = "fedcba987654321fedcba987654321";
    EXPECT_EQ(hex(h30.c_str()).ToString(16), h30);
    const std::string h31 = "1" + h30;
    EXPECT_EQ(hex(h31.c_str()).ToString(16), h31);
    // BaseChunkDigits and BasePowers.
    const int expected[37] = {0, 0, 62, 39, 31, 27, 24, 22, 20, 19, 18, 18, 17, 17, 16, 16, 15, 15, 15,
                              14, 14, 14, 14, 13, 13, 13, 13, 13, 13, 12, 12, 12, 12, 12, 12, 12, 12};
    for (int b = 2; b <= 36; ++b) {
        EXPECT_EQ(BaseChunkDigits(b), expected[b]) << b;
        TBigint p = num(1);
        for (int i = 0; i < expected[b]; ++i) p.MultiplySmall(static_cast<std::uint16_t>(b));
        EXPECT_EQ(BasePowers(b), p) << b;
        EXPECT_LT(BasePowers(b).BitLength(), 64) << b;
    }
    EXPECT_EQ(BasePowers(10).ToDecimalString(), "1000000000000000000");
    EXPECT_EQ(BasePowers(16).ToString(16), "1000000000000000");
}

TEST(Bigint, Constants)
{
    EXPECT_EQ(BigZero().ToString(10), "0");
    EXPECT_EQ(BigOne().ToString(10), "1");
    EXPECT_EQ(BigMinusOne().ToString(10), "-1");
    EXPECT_EQ(BigTwo().ToString(10), "2");
    EXPECT_EQ(BigThree().ToString(10), "3");
    EXPECT_EQ(BigFour().ToString(10), "4");
    EXPECT_EQ(BigEight().ToString(10), "8");
    BigMathStartup();
    BigMathStartup();
    BigMathShutdown();
    EXPECT_EQ(BigEight().ToString(10), "8");
    BigMathShutdown();
    BigMathShutdown(); // an unmatched shutdown is harmless
    EXPECT_EQ(BigTwo().ToString(10), "2");
}

TEST(Bigint, CreateAndCopy)
{
    const TBigint z = TBigint::Create(5);
    EXPECT_EQ(z.DigitCount(), 5);
    EXPECT_TRUE(z.IsZero() == false); // five zero digits: not the normal zero
    EXPECT_EQ(TBigint::CreateFromInt64(INT64_MIN).ToString(16), "-8000000000000000");
    EXPECT_EQ(TBigint::CreateFromInt64(INT64_MAX).DigitCount(), 4);
    EXPECT_EQ(TBigint::CreateFromInt64(65535).DigitCount(), 1);
    EXPECT_EQ(TBigint::CreateFromInt64(65536).DigitCount(), 2);
    const TBigint a = hex("-123456789abcdef0123");
    TBigint c = TBigint::CreateCopy(a);
    EXPECT_EQ(c, a);
    TBigint d;
    d.Assign(a);
    EXPECT_EQ(d, a);
    EXPECT_TRUE(d.IsNegative());
}

TEST(Bigint, CompareAndQueries)
{
    EXPECT_EQ(num(-5).Compare(num(3)), -1);
    EXPECT_EQ(num(-5).Compare(num(-3)), -1);
    EXPECT_EQ(num(-3).Compare(num(-5)), 1);
    EXPECT_EQ(num(-5).Compare(num(-5)), 0);
    EXPECT_EQ(num(3).Compare(num(-5)), 1);
    EXPECT_EQ(hex("10000").Compare(hex("ffff")), 1);
    EXPECT_TRUE(num(1).IsOne());
    EXPECT_FALSE(num(-1).IsOne());
    EXPECT_TRUE(num(-4).IsEven());
    EXPECT_TRUE(num(7).IsOdd());
    EXPECT_EQ(num(0).BitLength(), 0);
    EXPECT_EQ(num(1).BitLength(), 1);
    EXPECT_EQ(hex("10000").BitLength(), 17);
    EXPECT_EQ(num(0).TrailingZeroBits(), 0);
    EXPECT_EQ(hex("100000000").TrailingZeroBits(), 32);
    EXPECT_EQ(num(-24).TrailingZeroBits(), 3);
}

TEST(Bigint, AdditionEdgeCases)
{
    TBigint x = hex("123456789abcdef");
    x.Subtract(x);
    EXPECT_TRUE(x.IsZero());
    EXPECT_FALSE(x.IsNegative());
    EXPECT_EQ(x.DigitCount(), 1);

    TBigint z = num(0);
    z.Subtract(num(5));
    EXPECT_EQ(z, num(-5));
    TBigint m = num(-5);
    m.Add(num(5));
    EXPECT_TRUE(m.IsZero());
    EXPECT_FALSE(m.IsNegative()); // no negative zero
    EXPECT_EQ(m.ToString(10), "0");

    // Small forms and sign handling.
    TBigint a = num(3);
    a.SubtractSmall(10);
    EXPECT_EQ(a, num(-7));
    a.AddSmall(7);
    EXPECT_TRUE(a.IsZero());
    EXPECT_FALSE(a.IsNegative());
    a = num(-3);
    a.AddSmall(10);
    EXPECT_EQ(a, num(7));
    a = num(-3);
    a.SubtractSmall(10);
    EXPECT_EQ(a, num(-13));
    a = hex("ffffffff");
    a.AddSmall(1);
    EXPECT_EQ(a.ToString(16), "100000000");
    a.SubtractSmall(1);
    EXPECT_EQ(a.ToString(16), "ffffffff");
    a = hex("10000");
    a.Subtract(hex("-ffff"));
    EXPECT_EQ(a.ToString(16), "1ffff");
    TBigint self = hex("ffffffffffff");
    self.Add(self);
    EXPECT_EQ(self.ToString(16), "1fffffffffffe");
}

TEST(Bigint, MultiplicationSigns)
{
    TBigint a = hex("123456789");
    a.Multiply(num(-3));
    EXPECT_EQ(a, num(-0x123456789LL * 3));
    a.Multiply(num(-1));
    EXPECT_EQ(a, num(0x123456789LL * 3));
    a.MultiplySmall(2, true);
    EXPECT_EQ(a, num(-0x123456789LL * 6));
    a.Multiply(num(0));
    EXPECT_TRUE(a.IsZero());
    EXPECT_FALSE(a.IsNegative());
    TBigint s = hex("-ffffffffffffffff");
    s.Multiply(s);
    EXPECT_EQ(s.ToString(16), "fffffffffffffffe0000000000000001");
}

TEST(Bigint, DivisionKnownAnswers)
{
    // 65536^8 by 65535^4.
    TBigint a = num(1);
    a.ShiftLeftDigits(8);
    TBigint b = num(65535);
    TBigint b4 = num(1);
    for (int i = 0; i < 4; ++i) b4.Multiply(b);
    const auto [q, r] = TBigint::DivMod(a, b4);
    TBigint check = q;
    check.Multiply(b4);
    check.Add(r);
    EXPECT_EQ(check, a);
    EXPECT_FALSE(r.IsNegative());
    EXPECT_LT(r, b4);

    // Quotient estimates that need correcting: divisors with a large second digit.
    const auto [q2, r2] = TBigint::DivMod(hex("7fff800000000000"), hex("8000ffff"));
    EXPECT_EQ(q2.ToString(16), "fffd0007");
    TBigint c2 = q2;
    c2.Multiply(hex("8000ffff"));
    c2.Add(r2);
    EXPECT_EQ(c2.ToString(16), "7fff800000000000");

    // Smaller dividend: quotient 0, remainder the dividend.
    const auto [q3, r3] = TBigint::DivMod(hex("1234"), hex("123456789"));
    EXPECT_TRUE(q3.IsZero());
    EXPECT_EQ(r3, hex("1234"));
    // Divisor of one digit, negative: the quotient's sign flips.
    const auto [q4, r4] = TBigint::DivMod(num(100), num(-7));
    EXPECT_EQ(q4, num(-14));
    EXPECT_EQ(r4, num(2));
    const auto [q5, r5] = TBigint::DivModSmall(num(100), 7, true);
    EXPECT_EQ(q5, num(-14));
    EXPECT_EQ(r5, num(2));
}

TEST(Bigint, NegativeDividends)
{
    // Euclidean: a = q*b + r with 0 <= r < |b|; exact multiples give r = 0.
    struct Case { std::int64_t a, b, q, r; };
    const Case cases[] = {
        {-7, 2, -4, 1}, {-7, -2, 4, 1}, {-6, 3, -2, 0}, {-6, -3, 2, 0}, {-3, 5, -1, 2}, {-3, -5, 1, 2},
        {-0x100000000LL, 0x10001, -65536, 65536}, {-0x1000000000LL, 0x100000, -0x10000, 0},
        {-5, 0x123456789LL, -1, 0x123456789LL - 5}, {-5, -0x123456789LL, 1, 0x123456789LL - 5},
        {3, -5, 0, 3},
    };
    for (const auto& c : cases) {
        const auto [q, r] = TBigint::DivMod(num(c.a), num(c.b));
        EXPECT_EQ(q, num(c.q)) << c.a << " / " << c.b;
        EXPECT_EQ(r, num(c.r)) << c.a << " / " << c.b;
        EXPECT_FALSE(q.IsZero() && q.IsNegative());
        TBigint m = num(c.a);
        m.Modulo(num(c.b));
        EXPECT_EQ(m, num(c.r)) << c.a << " mod " << c.b;
    }
    TBigint s = num(-7);
    s.ModuloSmall(3);
    EXPECT_EQ(s, num(2));
    s = num(-9);
    s.ModuloSmall(3);
    EXPECT_EQ(s, num(0));
    const auto [qs, rs] = TBigint::DivModSmall(num(-7), 3);
    EXPECT_EQ(qs, num(-3));
    EXPECT_EQ(rs, num(2));
    const auto [qz, rz] = TBigint::DivModSmall(num(0), 3, true);
    EXPECT_TRUE(qz.IsZero());
    EXPECT_FALSE(qz.IsNegative());
}

TEST(Bigint, DivisionByZero)
{
    EXPECT_THROW(TBigint::DivMod(num(5), num(0)), EDivByZero);
    EXPECT_THROW(TBigint::DivModSmall(num(5), 0), EDivByZero);
    TBigint a = hex("123456789abc");
    EXPECT_THROW(a.Modulo(num(0)), EDivByZero);
    EXPECT_THROW(a.ModuloSmall(0), EDivByZero);
    EXPECT_THROW(a.MulMod(num(3), num(0)), EDivByZero);
    EXPECT_EQ(a, hex("123456789abc")); // left as it was
    EXPECT_THROW(a.PowMod(num(3), num(0)), EDivByZero);
    EXPECT_EQ(a, hex("123456789abc"));
    EXPECT_THROW(TBigint::ModInverse(num(3), num(0)), EDivByZero);
    EXPECT_EQ(errorOf<Error>([] { TBigint::ModInverse(num(3), num(0)); }), "Zero modulus");
}

TEST(Bigint, ModuloKeepsSmallNonNegative)
{
    TBigint a = hex("1234");
    a.Modulo(hex("123456789"));
    EXPECT_EQ(a, hex("1234"));
    a = hex("-1234");
    a.Modulo(hex("123456789"));
    EXPECT_EQ(a, hex("123455555"));
    a = hex("-1234");
    a.Modulo(hex("-123456789"));
    EXPECT_EQ(a, hex("123455555"));
}

TEST(Bigint, Shifts)
{
    TBigint a = hex("10000");
    a.ShiftRight(16);
    EXPECT_EQ(a, num(1));
    a = hex("10000");
    a.ShiftRight(17);
    EXPECT_TRUE(a.IsZero());
    EXPECT_EQ(a.DigitCount(), 1);
    a = hex("8000");
    a.ShiftLeft(1);
    EXPECT_EQ(a.ToString(16), "10000");
    EXPECT_EQ(a.DigitCount(), 2);
    a = hex("-8000");
    a.ShiftLeft(1);
    EXPECT_EQ(a.ToString(16), "-10000");
    a.ShiftRight(-4);
    EXPECT_EQ(a.ToString(16), "-100000");
    a.ShiftLeft(-8);
    EXPECT_EQ(a.ToString(16), "-1000");
    a = hex("-1");
    a.ShiftRight(1);
    EXPECT_TRUE(a.IsZero());
    EXPECT_FALSE(a.IsNegative());
    TBigint z = num(0);
    z.ShiftLeft(100);
    z.ShiftLeftDigits(3);
    EXPECT_EQ(z.DigitCount(), 1);
    a = hex("123456789abc");
    a.ShiftLeftDigits(2);
    EXPECT_EQ(a.ToString(16), "123456789abc00000000");
    a.ShiftRightDigits(3);
    EXPECT_EQ(a.ToString(16), "12345678");
    a.ShiftRightDigits(5);
    EXPECT_TRUE(a.IsZero());
    a = hex("-12345678");
    a.ShiftRightDigits(2);
    EXPECT_TRUE(a.IsZero());
    EXPECT_FALSE(a.IsNegative());
    a = num(-5);
    a.Abs();
    EXPECT_EQ(a, num(5));
}

TEST(Bigint, PowModKnownAnswersAndErrors)
{
    TBigint a = num(4);
    a.PowMod(num(13), num(497));
    EXPECT_EQ(a, num(445));
    a = num(4);
    a.PowMod(num(13), num(496)); // even modulus: 4^13 = 67108864 = 135300 * 496 + 64
    EXPECT_EQ(a, num(64));
    a = num(123);
    a.PowMod(num(0), num(497));
    EXPECT_EQ(a, num(1));
    a = num(123);
    a.PowMod(num(0), num(1)); // exponent 0 gives 1 whatever the modulus
    EXPECT_EQ(a, num(1));
    a = num(123);
    a.PowMod(num(0), num(0));
    EXPECT_EQ(a, num(1));
    a = num(0);
    a.PowMod(num(5), num(7));
    EXPECT_EQ(a, num(0));
    a = num(5);
    a.PowMod(num(3), num(1));
    EXPECT_EQ(a, num(0));
    a = num(-2);
    a.PowMod(num(3), num(7)); // -8 mod 7
    EXPECT_EQ(a, num(6));
    a = num(-2);
    a.PowMod(num(3), num(8));
    EXPECT_EQ(a, num(0));
    a = num(3);
    a.PowMod(num(5), num(-7)); // 243 mod 7
    EXPECT_EQ(a, num(5));

    EXPECT_EQ(errorOf<Error>([] { TBigint x = num(2); x.PowMod(num(-1), num(7)); }), "Negative exponent");
    EXPECT_EQ(errorOf<Error>([] { TBigint x = num(0); x.PowMod(num(0), num(7)); }),
              "Zero to the zeroth power is not defined");
    TBigint keep = num(9);
    EXPECT_THROW(keep.PowMod(num(-1), num(7)), Error);
    EXPECT_EQ(keep, num(9));
}

TEST(Bigint, GcdKnownAnswersAndErrors)
{
    EXPECT_EQ(TBigint::Gcd(num(0), num(0)), num(1));
    EXPECT_EQ(TBigint::Gcd(num(12), num(18)), num(6));
    EXPECT_EQ(TBigint::Gcd(num(18), num(12)), num(6));
    EXPECT_EQ(TBigint::Gcd(num(1 << 20), num(1 << 17)), num(1 << 17));
    EXPECT_EQ(TBigint::Gcd(num(17), num(17)), num(17));
    EXPECT_EQ(errorOf<Error>([] { TBigint::Gcd(num(0), num(5)); }), "Can't compute gcd: X or Y is zero");
    EXPECT_EQ(errorOf<Error>([] { TBigint::Gcd(num(5), num(0)); }), "Can't compute gcd: X or Y is zero");
    EXPECT_EQ(errorOf<Error>([] { TBigint::Gcd(num(-5), num(10)); }), "Can't take gcd of negative number");
    EXPECT_EQ(errorOf<Error>([] { TBigint::Gcd(num(5), num(-10)); }), "Can't take gcd of negative number");
}

TEST(Bigint, ModInverseKnownAnswersAndErrors)
{
    EXPECT_EQ(TBigint::ModInverse(num(3), num(7)), num(5));
    EXPECT_EQ(TBigint::ModInverse(num(1), hex("123456789abcdef")), num(1));
    EXPECT_EQ(TBigint::ModInverse(num(10), num(7)), num(5));
    EXPECT_EQ(TBigint::ModInverse(num(-3), num(7)), num(2));
    EXPECT_EQ(TBigint::ModInverse(num(3), num(8)), num(3));   // even modulus
    EXPECT_EQ(TBigint::ModInverse(num(2), num(9)), num(5));   // even a
    EXPECT_EQ(errorOf<Error>([] { TBigint::ModInverse(num(7), num(7)); }),
              "7 does not have a multiplicative inverse modulo 7");
    EXPECT_EQ(errorOf<Error>([] { TBigint::ModInverse(num(0), num(11)); }),
              "0 does not have a multiplicative inverse modulo 11");
    EXPECT_EQ(errorOf<Error>([] { TBigint::ModInverse(hex("-1e"), num(15)); }),
              "-30 does not have a multiplicative inverse modulo 15");
}

TEST(Bigint, ReleaseOverwritesWithSystemRandom)
{
    // Releasing a number of two or more digits draws one SystemRandom value per digit;
    // a one-digit number draws nothing.
    SetSystemRandomState(12345);
    { TBigint small = num(7); }
    EXPECT_EQ(SystemRandomState(), 12345u);
    { TBigint big = hex("123456789abcdef"); } // four digits
    std::uint32_t s = 12345;
    for (int i = 0; i < 4; ++i) s = s * 0x08088405u + 1u;
    EXPECT_EQ(SystemRandomState(), s);
    // Moved-from numbers hold nothing and draw nothing.
    SetSystemRandomState(1);
    {
        TBigint a = hex("123456789abcdef");
        TBigint b = std::move(a);
        (void)b;
    }
    std::uint32_t t = 1;
    for (int i = 0; i < 4; ++i) t = t * 0x08088405u + 1u;
    EXPECT_EQ(SystemRandomState(), t);
}
