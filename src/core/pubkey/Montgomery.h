#pragma once
// Modular exponentiation in Montgomery form on 64-bit limbs, used by
// TBigint::PowMod for odd moduli and by the private operation with the
// Chinese remainder theorem.
#include <cstdint>
#include <vector>

#include "common/Secure.h"
#include "pubkey/BigInt.h"

namespace zerath {

// Little-endian 64-bit limbs, cleared when released.
using Limbs = std::vector<std::uint64_t, ZeroingAllocator<std::uint64_t>>;

// Montgomery arithmetic modulo an odd n of k limbs, R = 2^(64k). Every
// operation runs the same steps and touches the same memory whatever the
// values, so the modulus and the operands may be secret.
class MontgomeryContext {
public:
    explicit MontgomeryContext(Limbs mod);
    std::size_t size() const { return k_; }
    const Limbs& modulus() const { return n_; }
    // out := a * b / R mod n for a, b < n; out may alias a or b.
    void mul(const std::uint64_t* a, const std::uint64_t* b, std::uint64_t* out);
    // out := a * a / R mod n for a < n; out may alias a.
    void sqr(const std::uint64_t* a, std::uint64_t* out);

private:
    template <std::size_t K> void mulSized(const std::uint64_t* a, const std::uint64_t* b, std::uint64_t* out);
    template <std::size_t K> void sqrSized(const std::uint64_t* a, std::uint64_t* out);
    template <std::size_t K> void reduce(std::uint64_t* w, std::uint64_t* out);
    void finish(const std::uint64_t* t, std::uint64_t* out);

    Limbs n_;
    std::size_t k_;
    std::uint64_t n0inv_ = 0;
    Limbs t_;
    Limbs sq_;
};

// base^exp mod n in the context's modulus, for base < n and a secret exponent
// of any number of limbs; rr is R^2 mod n. Fixed windows over all of exp's
// limbs, each table entry read on every step. The result is in normal form.
Limbs montgomeryPowFixed(MontgomeryContext& ctx, const Limbs& rr, const std::uint64_t* base, const Limbs& exp);

// base^exp mod mod for an odd mod > 1, 0 < base < mod and exp > 0, all as
// normalised base-65536 magnitudes. Sliding windows for a public exponent;
// for a secret one (secretExponent), montgomeryPowFixed over as many bits as
// the modulus has, so the sequence of operations and the memory touched do not
// depend on the exponent's bits.
TBigint::DigitArray montgomeryPowMod(const TBigint::DigitArray& base, const TBigint::DigitArray& exp,
                                     const TBigint::DigitArray& mod, bool secretExponent = false);

// Conversions between base-65536 digits and k limbs (the digits must fit).
Limbs limbsOfDigits(const TBigint::DigitArray& d, std::size_t k);
TBigint::DigitArray digitsOfLimbs(const std::uint64_t* l, std::size_t k);

} // namespace zerath
