#pragma once
// The RSA private operation with the Chinese remainder theorem. A key pair
// stores only n, e and d, so the two primes are recovered from them first:
// de - 1 = 2^t r with r odd; for a random g the sequence g^r, g^2r, g^4r, ...
// reaches 1, and the term before, when it is neither 1 nor n - 1, is a square
// root of 1 whose neighbours share one prime each with n (p = gcd(x - 1, n),
// q = gcd(x + 1, n)). Recovery and the operation itself run the same steps
// and touch the same memory whatever the secret values (masks instead of
// branches, fixed loop counts); only the number of random g tried, and the
// limb count of the primes, which any 2048-bit key shares, show.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "pubkey/BigInt.h"
#include "pubkey/Montgomery.h"

namespace zerath {

class RsaCrtKey {
public:
    // The primes, d mod (p - 1), d mod (q - 1) and q^-1 mod p. nullptr when
    // they cannot be recovered: de - 1 odd, no split found, p * q != n, or a
    // random test value that does not come back through the operation (n with
    // more than two primes, e and d not a pair).
    static std::unique_ptr<RsaCrtKey> Recover(const TBigint& n, const TBigint& e, const TBigint& d);

    // c^d mod n for 0 < c < n, blinded: c is multiplied by r^e first and the
    // result by r^-1; the pair (r^e, r^-1) is squared from one use to the next
    // and drawn afresh every 32 uses. The result is checked (its e-th power
    // must be c); nullopt when it is not.
    std::optional<TBigint> Decrypt(const TBigint& c) const;

    // c^d mod n for 0 <= c < n, without blinding.
    TBigint Power(const TBigint& c) const;

    // The recovered primes.
    TBigint P() const;
    TBigint Q() const;

private:
    RsaCrtKey() = default;

    // Power's result as n's limb count of limbs.
    Limbs powerLimbs(const TBigint& c) const;

    TBigint n_, e_;
    std::size_t nk_ = 0; // limbs of n
    std::size_t k_ = 0;  // limbs of p and of q
    Limbs p_, q_, dP_, dQ_, qInv_, rrP_, rrQ_;

    mutable std::mutex blindingLock_;
    mutable TBigint blindE_, blindInv_; // r^e and r^-1 mod n
    mutable unsigned uses_ = 0;
};

// Test seams over the constant-time limb helpers.
// x mod m for m > 0: one bit of x at a time, the subtraction chosen by a mask.
Limbs ctModLimbs(const Limbs& x, const Limbs& m);
// gcd(a, b) for an odd b of the same number of limbs.
Limbs ctGcdLimbs(Limbs a, Limbs b);

} // namespace zerath
