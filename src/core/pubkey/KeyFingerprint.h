#pragma once
// The key fingerprint: one identity per public key, the same for a key pair,
// its public key file and every export of either, whatever the file or the
// key ring says about owner, date or time. The record fingerprints (FP, key
// ID) cover those texts and stay as they are for the files and rings that use
// them; people compare this one.
//
// It is SHA-256 over "<MODULUS>|<EXPONENT>", both in upper-case base 16
// without leading zeros, cut to its first 20 bytes and written as 40
// upper-case hexadecimal digits.
#include <string>
#include <string_view>

namespace zerath {

class TBigint;

inline constexpr std::size_t kKeyFingerprintDigits = 40;

// "<N>|<E>": the text the key fingerprint is taken over.
std::string KeyNumbersText(const TBigint& modulus, const TBigint& exponent);
// From base-16 texts in either case, leading zeros allowed; a text that is
// not a number raises the parser's error.
std::string KeyNumbersTextOf(std::string_view modulusHex, std::string_view exponentHex);
// The key fingerprint of the numbers, or of their "<N>|<E>" text.
std::string KeyFingerprint(const TBigint& modulus, const TBigint& exponent);
std::string KeyFingerprintOfText(std::string_view numbersText);

// Groups of four digits separated by one blank ("1A2B 3C4D ...").
std::string GroupedFingerprint(std::string_view fingerprint);
// A fingerprint as people type or paste it: blanks and control characters
// anywhere and a leading "0x" dropped, letters upper case.
std::string CompactFingerprint(std::string_view typed);

} // namespace zerath
