#include "pubkey/OwnerRules.h"

#include "common/Error.h"

namespace zerath {

namespace {

[[noreturn]] void refuse(std::string_view text)
{
    throw Error(std::string(text));
}

bool isControl(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

// "|", controls and a leading quote: what breaks a key ring line or its reading.
bool breaksLine(std::string_view text)
{
    for (char c : text)
        if (c == '|' || isControl(c)) return true;
    return !text.empty() && text.front() == '"';
}

} // namespace

Utf8Char DecodeUtf8(std::string_view text, std::size_t pos)
{
    const auto b0 = static_cast<unsigned char>(text[pos]);
    if (b0 < 0x80) return {b0, 1};
    std::size_t n;
    char32_t c, min;
    if (b0 >= 0xC2 && b0 <= 0xDF) n = 2, c = b0 & 0x1F, min = 0x80;
    else if (b0 >= 0xE0 && b0 <= 0xEF) n = 3, c = b0 & 0x0F, min = 0x800;
    else if (b0 >= 0xF0 && b0 <= 0xF4) n = 4, c = b0 & 0x07, min = 0x10000;
    else return {};
    if (pos + n > text.size()) return {};
    for (std::size_t i = 1; i < n; ++i) {
        const auto b = static_cast<unsigned char>(text[pos + i]);
        if ((b & 0xC0) != 0x80) return {};
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {};
    return {c, n};
}

bool IsHiddenCodePoint(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string EscapeHiddenText(std::string_view text)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Utf8Char ch = DecodeUtf8(text, pos);
        if (ch.length == 0) { // a byte that is not UTF-8
            const auto u = static_cast<unsigned char>(text[pos++]);
            out.append("\\x").append(1, hex[u >> 4]).append(1, hex[u & 15]);
            continue;
        }
        const char32_t c = ch.code;
        if (!IsHiddenCodePoint(c)) out.append(text, pos, ch.length);
        else if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c <= 0x7F) out.append("\\x").append(1, hex[c >> 4]).append(1, hex[c & 15]);
        else {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out += hex[(c >> shift) & 15];
        }
        pos += ch.length;
    }
    return out;
}

void CheckKeyOwnerName(std::string_view owner)
{
    if (owner.empty()) refuse(keyrule::OwnerEmpty);
    if (owner.find('|') != std::string_view::npos) refuse(keyrule::OwnerDelimiter);
    if (owner.size() > kMaxKeyOwnerLength) refuse(keyrule::OwnerTooLong);
    for (char c : owner)
        if (isControl(c)) refuse(keyrule::OwnerControl);
    // The key ring reads a leading quote as the start of a quoted value, so the
    // owner would come back changed and the record could not be found again.
    if (owner.front() == '"') refuse(keyrule::OwnerQuote);
}

void CheckKeyDate(std::string_view date)
{
    if (breaksLine(date)) refuse(keyrule::BadDate);
}

void CheckNewKeyOwner(std::string_view owner)
{
    CheckKeyOwnerName(owner);
    for (std::size_t pos = 0; pos < owner.size();) {
        const Utf8Char ch = DecodeUtf8(owner, pos);
        if (ch.length == 0) refuse(keyrule::OwnerNotUtf8);
        if (IsHiddenCodePoint(ch.code)) refuse(keyrule::OwnerInvisible);
        pos += ch.length;
    }
}

void CheckNewPassphraseLength(std::string_view passphrase)
{
    std::size_t characters = 0;
    for (char c : passphrase)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
    if (characters > kMaxNewPassphraseLength) refuse(keyrule::PassphraseTooLong);
}

} // namespace zerath
