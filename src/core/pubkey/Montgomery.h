#pragma once
// Modular exponentiation in Montgomery form on 64-bit limbs, used by
// TBigint::PowMod for odd moduli.
#include "pubkey/BigInt.h"

namespace zerath {

// base^exp mod mod for an odd mod > 1, 0 < base < mod and exp > 0, all as
// normalised base-65536 magnitudes. Sliding windows for a public exponent;
// for a secret one (secretExponent), fixed windows over as many bits as the
// modulus has, each table entry read on every step, so the sequence of
// operations and the memory touched do not depend on the exponent's bits.
TBigint::DigitArray montgomeryPowMod(const TBigint::DigitArray& base, const TBigint::DigitArray& exp,
                                     const TBigint::DigitArray& mod, bool secretExponent = false);

} // namespace zerath
