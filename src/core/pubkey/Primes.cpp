#include "pubkey/Primes.h"

#include <vector>

#include "pubkey/BigInt.h"
#include "pubkey/Isaac.h"

namespace zerath {

namespace {

std::array<std::int32_t, SmallPrimeCount> sieve()
{
    std::array<std::int32_t, SmallPrimeCount> out{};
    std::vector<bool> composite(10000, false);
    std::size_t n = 0;
    for (int i = 2; i < 10000; ++i) {
        if (composite[static_cast<std::size_t>(i)]) continue;
        out[n++] = i;
        for (int j = i * i; j < 10000; j += i) composite[static_cast<std::size_t>(j)] = true;
    }
    return out;
}

// Consecutive small primes grouped so that each group's product stays below
// 2^32; a candidate's remainder by the product, taken with 32-bit steps and a
// precomputed reciprocal, yields its remainder by every prime of the group.
struct PrimeGroup {
    std::uint64_t product;
    std::uint64_t reciprocal; // floor((2^64 - 1) / product)
    int first, count;         // indices into SmallPrimes
};

std::vector<PrimeGroup> makeGroups()
{
    const auto& primes = SmallPrimes();
    std::vector<PrimeGroup> groups;
    int i = 0;
    while (i < SmallPrimeCount) {
        PrimeGroup g{1, 0, i, 0};
        while (i < SmallPrimeCount && g.product * static_cast<std::uint64_t>(primes[static_cast<std::size_t>(i)]) < (1ULL << 32)) {
            g.product *= static_cast<std::uint64_t>(primes[static_cast<std::size_t>(i)]);
            ++g.count;
            ++i;
        }
        g.reciprocal = ~0ULL / g.product;
        groups.push_back(g);
    }
    return groups;
}

const std::vector<PrimeGroup>& primeGroups()
{
    static const std::vector<PrimeGroup> groups = makeGroups();
    return groups;
}

// x mod p for x < 2^64 and p < 2^32 with the reciprocal of p.
inline std::uint64_t reduce64(std::uint64_t x, const PrimeGroup& g)
{
    const auto q = static_cast<std::uint64_t>((static_cast<unsigned __int128>(x) * g.reciprocal) >> 64);
    std::uint64_t r = x - q * g.product;
    while (r >= g.product) r -= g.product;
    return r;
}

// Trial division by the small primes in ascending order: +1 when the number
// is one of them, -1 when one of them divides it, 0 when none does.
int trialDivision(const TBigint& n)
{
    const auto& primes = SmallPrimes();
    const auto& d = n.Digits();
    if (d.size() == 1) {
        const std::int32_t v = d[0];
        for (const std::int32_t p : primes) {
            if (v == p) return 1;
            if (v % p == 0) return -1;
        }
        return 0;
    }
    // Above 65535 the number equals no small prime; only divisibility counts.
    // The candidate may become a secret prime: its copy is cleared when released.
    std::vector<std::uint32_t, ZeroingAllocator<std::uint32_t>> limbs((d.size() + 1) / 2, 0);
    for (std::size_t i = 0; i < d.size(); ++i) limbs[i / 2] |= static_cast<std::uint32_t>(d[i]) << (16 * (i % 2));
    for (const PrimeGroup& g : primeGroups()) {
        std::uint64_t r = 0;
        for (std::size_t i = limbs.size(); i-- > 0;) r = reduce64((r << 32) | limbs[i], g);
        for (int j = 0; j < g.count; ++j) {
            if (r % static_cast<std::uint64_t>(primes[static_cast<std::size_t>(g.first + j)]) == 0) return -1;
        }
    }
    return 0;
}

} // namespace

const std::array<std::int32_t, SmallPrimeCount>& SmallPrimes()
{
    static const std::array<std::int32_t, SmallPrimeCount> table = sieve();
    return table;
}

TBigint& TBigint::RandomBits(int bits)
{
    if (bits < 1) throw Error("Invalid number of bits: " + std::to_string(bits));
    TIsaac& rng = BigRandom();
    std::lock_guard<std::mutex> guard(BigRandomLock());
    const std::size_t count = static_cast<std::size_t>((bits + 15) / 16);
    DigitArray d(count, 0);
    for (std::size_t i = count; i-- > 0;) d[i] = static_cast<std::uint16_t>(rng.RandomInt(65536));
    if (bits % 16 != 0) d[count - 1] = static_cast<std::uint16_t>(d[count - 1] & ((1u << (bits % 16)) - 1));
    *this = FromDigits(std::move(d), false);
    return *this;
}

TBigint& TBigint::RandomBelow(const TBigint& max)
{
    if (max.IsNegative() || max.IsZero()) throw Error("Invalid Max: " + max.ToDecimalString());
    TIsaac& rng = BigRandom();
    std::lock_guard<std::mutex> guard(BigRandomLock());
    const std::size_t count = max.Digits().size();
    DigitArray d(count, 0);
    d[count - 1] = static_cast<std::uint16_t>(rng.RandomInt(max.Digits().back()));
    for (std::size_t i = count - 1; i-- > 0;) d[i] = static_cast<std::uint16_t>(rng.RandomInt(65536));
    *this = FromDigits(std::move(d), false);
    return *this;
}

TBigint TBigint::CreateRandomBits(int bits)
{
    TBigint r;
    r.RandomBits(bits);
    return r;
}

TBigint TBigint::CreateRandomBelow(const TBigint& max)
{
    TBigint r;
    r.RandomBelow(max);
    return r;
}

bool TBigint::MillerRabinRound(const TBigint& n, const TBigint& witness)
{
    TBigint m(n);
    m.SubtractSmall(1);
    const int s = m.TrailingZeroBits();
    TBigint d(m);
    d.ShiftRight(s);
    TBigint x(witness);
    x.PowMod(d, n);
    if (x.IsOne() || x == m) return true;
    for (int i = 1; i < s; ++i) {
        x.MulMod(x, n);
        if (x == m) return true;
    }
    return false;
}

bool TBigint::IsProbablePrime(int rounds) const
{
    // Negative numbers are not prime (they would otherwise fail in the witness draw).
    if (IsNegative() || IsZero() || IsOne()) return false;
    const int t = trialDivision(*this);
    if (t != 0) return t > 0;
    for (int round = 0; round < rounds; ++round) {
        TBigint a = CreateRandomBelow(*this);
        while (a.IsZero() || a.IsOne()) a = CreateRandomBelow(*this);
        if (!MillerRabinRound(*this, a)) return false;
    }
    return true;
}

TBigint TBigint::CreateRandomPrime(int bits)
{
    // One bit allows only the candidate 1, which is never prime.
    if (bits < 2) throw Error("Invalid number of bits: " + std::to_string(bits));
    TBigint r;
    do {
        r.RandomBits(bits);
        r.digits_[0] |= 1;
    } while (!r.IsProbablePrime(40));
    return r;
}

TBigint TBigint::CreateRandomPrimeBelow(const TBigint& max)
{
    // Below 4 no odd prime can be drawn (candidates are odd and below max).
    if (max.IsNegative() || max.Compare(BigFour()) < 0) throw Error("Invalid Max: " + max.ToDecimalString());
    TBigint r;
    for (;;) {
        r.RandomBelow(max);
        if (r.IsEven()) r.AddSmall(1);
        // Only a one-digit odd max can be reached by the step to odd; skip it.
        if (r >= max) continue;
        if (r.IsProbablePrime(40)) return r;
    }
}

} // namespace zerath
