#include "pubkey/KeyFingerprint.h"

#include <cstdint>

#include "pubkey/BigInt.h"
#include "symcrypto/Sha256.h"

namespace zerath {

namespace {

std::string upperHex(const TBigint& n)
{
    std::string s = n.ToString(16);
    for (char& c : s)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

} // namespace

std::string KeyNumbersText(const TBigint& modulus, const TBigint& exponent)
{
    return upperHex(modulus) + "|" + upperHex(exponent);
}

std::string KeyFingerprint(const TBigint& modulus, const TBigint& exponent)
{
    return KeyFingerprintOfText(KeyNumbersText(modulus, exponent));
}

std::string KeyFingerprintOfText(std::string_view numbersText)
{
    static const char hex[] = "0123456789ABCDEF";
    TDCP_sha256 hash;
    std::uint8_t digest[32];
    hash.Start();
    hash.AbsorbText(numbersText);
    hash.Finish(digest);
    std::string out;
    for (std::size_t i = 0; i < kKeyFingerprintDigits / 2; ++i) {
        out.push_back(hex[digest[i] >> 4]);
        out.push_back(hex[digest[i] & 0x0F]);
    }
    return out;
}

std::string KeyNumbersTextOf(std::string_view modulusHex, std::string_view exponentHex)
{
    return KeyNumbersText(TBigint::CreateFromKeyText(modulusHex), TBigint::CreateFromKeyText(exponentHex));
}

std::string GroupedFingerprint(std::string_view fingerprint)
{
    std::string out;
    for (std::size_t i = 0; i < fingerprint.size(); ++i) {
        if (i && i % 4 == 0) out += ' ';
        out += fingerprint[i];
    }
    return out;
}

std::string CompactFingerprint(std::string_view typed)
{
    std::string out;
    for (char c : typed) {
        if (static_cast<unsigned char>(c) <= 0x20) continue;
        out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (out.size() > 2 && out[0] == '0' && out[1] == 'X') out.erase(0, 2);
    return out;
}

} // namespace zerath
