#pragma once
// Conversions between TBigint and GMP, and random operands, for comparing
// the big-integer arithmetic with GMP.
#include <gmpxx.h>

#include <random>

#include "pubkey/BigInt.h"

namespace zerath::test {

inline mpz_class toMpz(const TBigint& a)
{
    mpz_class r;
    const auto& d = a.Digits();
    mpz_import(r.get_mpz_t(), d.size(), -1, sizeof(std::uint16_t), 0, 0, d.data());
    if (a.IsNegative()) r = -r;
    return r;
}

inline TBigint fromMpz(const mpz_class& v)
{
    TBigint::DigitArray d((mpz_sizeinbase(v.get_mpz_t(), 2) + 15) / 16 + 1, 0);
    std::size_t count = 0;
    mpz_export(d.data(), &count, -1, sizeof(std::uint16_t), 0, 0, v.get_mpz_t());
    if (count == 0) count = 1;
    d.resize(count);
    return TBigint::FromDigits(std::move(d), sgn(v) < 0);
}

// Random operands of 1..maxDigits digits with patterns that stress carries and
// the quotient estimate: runs of 0xFFFF, runs of zeros, a top digit of 1.
class OperandSource {
public:
    explicit OperandSource(std::uint64_t seed) : rng_(seed) {}

    TBigint next(int maxDigits, bool allowNegative = true)
    {
        const int n = 1 + static_cast<int>(rng_() % static_cast<std::uint64_t>(maxDigits));
        TBigint::DigitArray d(static_cast<std::size_t>(n), 0);
        const int pattern = static_cast<int>(rng_() % 8);
        for (auto& x : d) {
            switch (pattern) {
            case 0: x = 0xFFFF; break;
            case 1: x = (rng_() % 4 == 0) ? static_cast<std::uint16_t>(rng_()) : 0; break;
            case 2: x = (rng_() % 3 == 0) ? 0xFFFF : static_cast<std::uint16_t>(rng_()); break;
            default: x = static_cast<std::uint16_t>(rng_()); break;
            }
        }
        if (pattern == 3) d.back() = 1;
        if (pattern == 4) d.back() = 0x8000;
        if (d.back() == 0) d.back() = static_cast<std::uint16_t>(1 + rng_() % 0xFFFF);
        const bool neg = allowNegative && (rng_() & 1);
        return TBigint::FromDigits(std::move(d), neg);
    }

    std::uint64_t raw() { return rng_(); }

private:
    std::mt19937_64 rng_;
};

} // namespace zerath::test
