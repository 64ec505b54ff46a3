#include "pubkey/SecretHex.h"

namespace zerath {

namespace {

// All ones when lo <= v < hi, else zero, from the sign bits alone.
std::uint32_t inRange(std::int32_t v, std::int32_t lo, std::int32_t hi)
{
    const auto below = static_cast<std::uint32_t>((v - hi) >> 31);  // v < hi
    const auto above = ~static_cast<std::uint32_t>((v - lo) >> 31); // v >= lo
    return below & above;
}

} // namespace

std::uint32_t SecretHexDigits(std::string_view hex, TBigint::DigitArray& digits) noexcept
{
    digits.assign((hex.size() + 3) / 4, 0);
    std::uint32_t valid = ~0u;
    for (std::size_t i = 0; i < hex.size(); ++i) {
        const auto c = static_cast<std::int32_t>(static_cast<unsigned char>(hex[hex.size() - 1 - i]));
        const std::int32_t folded = c | 0x20; // 'A'..'F' to 'a'..'f'
        const std::uint32_t isDigit = inRange(c, '0', '9' + 1);
        const std::uint32_t isLetter = inRange(folded, 'a', 'f' + 1);
        const std::uint32_t value =
            (isDigit & static_cast<std::uint32_t>(c - '0')) | (isLetter & static_cast<std::uint32_t>(folded - 'a' + 10));
        valid &= isDigit | isLetter;
        digits[i / 4] = static_cast<std::uint16_t>(digits[i / 4] | ((value & 0xF) << (4 * (i % 4))));
    }
    return valid;
}

TBigint CreateFromSecretHex(std::string_view hex)
{
    if (hex.empty()) throw Error("Zero-length string");
    if (hex.size() > TBigint::kMaxKeyNumberDigits) throw Error("Number too long");
    TBigint::DigitArray digits;
    if (SecretHexDigits(hex, digits) != ~0u) throw Error("Invalid Char");
    return TBigint::FromDigits(std::move(digits), false);
}

} // namespace zerath
