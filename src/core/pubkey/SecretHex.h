#pragma once
// The private exponent's hexadecimal text, read without a branch or a table
// index that depends on its characters: every decryption and every passphrase
// check reads it, and a wrong passphrase gives text whose characters are
// anything. What is left to see is the text's length, whether every character
// was a hexadecimal digit, and how many leading zero digits the number had.
#include <cstdint>
#include <string_view>

#include "pubkey/BigInt.h"

namespace zerath {

// The base-65536 digits of hex (least significant first, four characters a
// digit, the leading zero digits kept) into digits, resized to fit. Answers
// all ones when every character is a digit of either case, zero otherwise.
std::uint32_t SecretHexDigits(std::string_view hex, TBigint::DigitArray& digits) noexcept;

// The number; "Zero-length string" for no text, "Number too long" above
// TBigint::kMaxKeyNumberDigits, "Invalid Char" when a character is no
// hexadecimal digit (which one is not told).
TBigint CreateFromSecretHex(std::string_view hex);

} // namespace zerath
