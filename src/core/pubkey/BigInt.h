#pragma once
// TBigint: the signed arbitrary-precision integer on which the RSA keys rest.
//
// Representation: sign and magnitude. The magnitude is held in base 65536,
// least significant 16-bit digit first, always normalised (no leading zero
// digits; zero is exactly one digit 0, never negative). Numbers are values:
// copy and move them like any other C++ value. A moved-from number may only be
// assigned to or destroyed.
//
// Choices made where the arithmetic leaves freedom:
//  - Division of a negative number is Euclidean: for a = q*b + r the remainder
//    is always 0 <= r < |b|. For a negative dividend that is not an exact
//    multiple the quotient's magnitude is |a| div |b| + 1 and the remainder
//    |b| - (|a| mod |b|); for an exact multiple the quotient is exact and the
//    remainder 0. DivMod, DivModSmall, Modulo and ModuloSmall all follow it.
//  - Parsing rejects a digit whose value is not below the base (for example
//    "g" in base 16) with "Invalid Char: %s", like any other stray character.
//    A base outside 2..36 fails with "Invalid Base: %d".
//  - A zero never carries the negative flag: every result is normalised to a
//    non-negative zero, so zero always prints as "0".
//  - ModInverse finds no common factor other than a = 0 (mod m); callers that
//    may pass non-coprime numbers check the GCD first.
//
// Memory: a number of two or more digits is overwritten with SystemRandom
// values before its memory is released, and the digit storage clears every
// buffer it gives back (older buffers left behind by growth included).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/Error.h"
#include "common/Secure.h"

namespace zerath {

class TBigint {
public:
    using DigitArray = std::vector<std::uint16_t, ZeroingAllocator<std::uint16_t>>;
    struct DivModResult;

    // ---- construction ----------------------------------------------------
    TBigint();                              // zero
    TBigint(const TBigint& other);
    TBigint(TBigint&& other) noexcept;
    TBigint& operator=(const TBigint& other);
    TBigint& operator=(TBigint&& other) noexcept;
    ~TBigint();

    // Zero held in digitCount digits (at least 1). A zero of several digits is
    // not normalised; it exists only transiently while a result is built.
    static TBigint Create(int digitCount = 1);
    // Text in base 2..36, optional leading "-"; letters of either case.
    // Errors: "Zero-length string", "Invalid Char: %s", "Invalid Base: %d".
    static TBigint CreateFromString(std::string_view text, int base);
    // The base-16 text of a key number (key files, the key ring, wrapped session
    // keys). Parsing costs time quadratic in the length, and a genuine number is
    // at most 512 digits, so a text longer than kMaxKeyNumberDigits is refused
    // with "Number too long" before it is parsed.
    static constexpr std::size_t kMaxKeyNumberDigits = 1024;
    static TBigint CreateFromKeyText(std::string_view hex);
    static TBigint CreateCopy(const TBigint& source);
    static TBigint CreateFromInt64(std::int64_t value);
    // Random numbers and primes (drawn from BigRandom).
    static TBigint CreateRandomBits(int bits);                 // 0 .. 2^bits - 1
    static TBigint CreateRandomBelow(const TBigint& max);      // 0 .. max - 1
    static TBigint CreateRandomPrime(int bits);                // probable prime < 2^bits
    static TBigint CreateRandomPrimeBelow(const TBigint& max); // probable prime < max

    void Assign(const TBigint& source);

    // ---- queries ------------------------------------------------------------
    int Compare(const TBigint& b) const;   // +1, 0, -1 for this >, =, < b
    bool IsZero() const;
    bool IsOne() const;
    bool Equals(const TBigint& b) const;
    bool IsEven() const;
    bool IsOdd() const;
    bool IsNegative() const { return negative_; }
    int BitLength() const;                 // 0 for zero
    int TrailingZeroBits() const;          // 0 for zero
    int DigitCount() const { return static_cast<int>(digits_.size()); }
    std::uint16_t Digit(int index) const { return digits_[static_cast<std::size_t>(index)]; }
    const DigitArray& Digits() const { return digits_; }
    std::string ToString(int base) const;  // lower case, "-" for negatives
    std::string ToDecimalString() const;

    // ---- in-place arithmetic (the receiver becomes the result) ----------------
    TBigint& Add(const TBigint& b);
    TBigint& Subtract(const TBigint& b);
    TBigint& AddSmall(std::uint16_t w);
    TBigint& SubtractSmall(std::uint16_t w);
    TBigint& Multiply(const TBigint& b);
    TBigint& MultiplySmall(std::uint16_t w, bool negative = false);
    TBigint& Modulo(const TBigint& m);                    // 0 <= result < |m|
    TBigint& ModuloSmall(std::uint16_t w);                // 0 <= result < w
    TBigint& MulMod(const TBigint& b, const TBigint& m);
    // this := this^e mod m. e = 0 gives 1 for any m; otherwise 0 <= result < |m|.
    // Errors: "Negative exponent", "Zero to the zeroth power is not defined",
    // EDivByZero for m = 0 (when e > 0).
    TBigint& PowMod(const TBigint& e, const TBigint& m);
    // The same value, for a secret exponent (the private operation): with an odd
    // modulus, neither the steps taken nor the memory read depend on e's bits.
    TBigint& PowModSecret(const TBigint& e, const TBigint& m);
    TBigint& ShiftLeft(int bits);                          // magnitude; negative count shifts right
    TBigint& ShiftRight(int bits);                         // magnitude; negative count shifts left
    TBigint& ShiftLeftDigits(int n);
    TBigint& ShiftRightDigits(int n);
    TBigint& Abs();

    // ---- operations giving new numbers ------------------------------------------
    static DivModResult DivMod(const TBigint& a, const TBigint& b);
    static DivModResult DivModSmall(const TBigint& a, std::uint16_t w, bool divisorNegative = false);
    // Binary GCD. GCD(0, 0) = 1. Errors: "Can't take gcd of negative number",
    // "Can't compute gcd: X or Y is zero".
    static TBigint Gcd(const TBigint& a, const TBigint& b);
    // Inverse of a modulo m in 0 .. m-1. Errors: EDivByZero("Zero modulus"),
    // "%s does not have a multiplicative inverse modulo %s".
    static TBigint ModInverse(const TBigint& a, const TBigint& m);

    // ---- random numbers and primes ------------------------------------------------
    // Errors: "Invalid number of bits: %d", "Invalid Max: %s".
    TBigint& RandomBits(int bits);
    TBigint& RandomBelow(const TBigint& max);
    bool IsProbablePrime(int rounds = 40) const;
    static bool MillerRabinRound(const TBigint& n, const TBigint& witness);

    // ---- conveniences -----------------------------------------------------------
    friend bool operator==(const TBigint& a, const TBigint& b) { return a.Compare(b) == 0; }
    friend bool operator!=(const TBigint& a, const TBigint& b) { return a.Compare(b) != 0; }
    friend bool operator<(const TBigint& a, const TBigint& b) { return a.Compare(b) < 0; }
    friend bool operator>(const TBigint& a, const TBigint& b) { return a.Compare(b) > 0; }
    friend bool operator<=(const TBigint& a, const TBigint& b) { return a.Compare(b) <= 0; }
    friend bool operator>=(const TBigint& a, const TBigint& b) { return a.Compare(b) >= 0; }

    // Builds a number from raw parts (normalised on the way in); used by the
    // fast arithmetic helpers and by tests.
    static TBigint FromDigits(DigitArray digits, bool negative);
    // Overwrites the digits with SystemRandom values and leaves zero.
    void Wipe();

private:
    TBigint& PowModWith(const TBigint& e, const TBigint& m, bool secretExponent);
    void normalise();
    void wipeDigits() noexcept;

    bool negative_ = false;
    DigitArray digits_;
};

struct TBigint::DivModResult {
    TBigint Quotient;
    TBigint Remainder;
};

// ---- module constants --------------------------------------------------------
// Built once, on first use or by BigMathStartup; read-only afterwards.
const TBigint& BigZero();
const TBigint& BigOne();
const TBigint& BigMinusOne();
const TBigint& BigTwo();
const TBigint& BigThree();
const TBigint& BigFour();
const TBigint& BigEight();

// The 36 digit characters 0-9a-z used for output.
inline constexpr std::string_view DigitChars = "0123456789abcdefghijklmnopqrstuvwxyz";
// How many digits of base b fit a signed 64-bit chunk (largest k with b^k < 2^63).
int BaseChunkDigits(int base);
// base^BaseChunkDigits(base), for base 2..36.
const TBigint& BasePowers(int base);

// Reference-counted module start and shutdown: the first start builds the
// constants and seeds BigRandom; the last shutdown clears BigRandom's state
// (it is reseeded from the operating system if used again). The constants are
// usable without an explicit start.
void BigMathStartup();
void BigMathShutdown();

} // namespace zerath
