#pragma once
// Modular exponentiation in Montgomery form on 64-bit limbs, used by
// TBigint::PowMod for odd moduli.
#include "pubkey/BigInt.h"

namespace zerath {

// base^exp mod mod for an odd mod > 1, 0 < base < mod and exp > 0, all as
// normalised base-65536 magnitudes. Sliding-window exponentiation.
TBigint::DigitArray montgomeryPowMod(const TBigint::DigitArray& base, const TBigint::DigitArray& exp,
                                     const TBigint::DigitArray& mod);

} // namespace zerath
