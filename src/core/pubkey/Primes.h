#pragma once
// Small-prime table used by the primality test. The random numbers, the test
// itself and the prime searches are operations of TBigint (BigInt.h).
#include <array>
#include <cstdint>

namespace zerath {

inline constexpr int SmallPrimeCount = 1229;
// The primes below 10000, ascending.
const std::array<std::int32_t, SmallPrimeCount>& SmallPrimes();

} // namespace zerath
