#pragma once
// One 2048-bit key pair generated for the whole test program (generation is the
// slow step), with the primes it came from.
#include <gmpxx.h>

#include <cstdint>
#include <functional>
#include <string>

#include "pubkey/PrivateKey.h"

namespace zerath::test {

struct SharedKeyPair {
    TPrivateKey Key;
    KeyGenPrimes Primes;
    int Candidates = 0;  // progress calls
    int Pumps = 0;       // message pump calls
    std::int64_t Ms = 0;
};

const SharedKeyPair& SharedPair();

inline mpz_class Mpz(const TBigint& x) { return mpz_class(x.ToString(16), 16); }
inline std::string Hex(const mpz_class& x) { return x.get_str(16); }

} // namespace zerath::test
