#include "symcrypto/Base64.h"

#include <array>

namespace zerath {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::int8_t, 256> makeDecodeTable()
{
    std::array<std::int8_t, 256> t{};
    for (auto& v : t) v = -1;
    for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
    return t;
}
constexpr auto kDecode = makeDecodeTable();

unsigned digit(char c)
{
    const int v = kDecode[static_cast<unsigned char>(c)];
    if (v < 0) throw EBase64("Invalid base64 text");
    return static_cast<unsigned>(v);
}

} // namespace

std::size_t Base64EncodedLength(std::size_t n) { return (n + 2) / 3 * 4; }

std::string Base64Encode(const void* data, std::size_t n)
{
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::string out;
    out.resize(Base64EncodedLength(n));
    char* o = out.data();
    std::size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        const std::uint32_t v = (std::uint32_t(p[i]) << 16) | (std::uint32_t(p[i + 1]) << 8) | p[i + 2];
        *o++ = kAlphabet[(v >> 18) & 63];
        *o++ = kAlphabet[(v >> 12) & 63];
        *o++ = kAlphabet[(v >> 6) & 63];
        *o++ = kAlphabet[v & 63];
    }
    if (n - i == 1) {
        const std::uint32_t v = std::uint32_t(p[i]) << 16;
        *o++ = kAlphabet[(v >> 18) & 63];
        *o++ = kAlphabet[(v >> 12) & 63];
        *o++ = '=';
        *o++ = '=';
    } else if (n - i == 2) {
        const std::uint32_t v = (std::uint32_t(p[i]) << 16) | (std::uint32_t(p[i + 1]) << 8);
        *o++ = kAlphabet[(v >> 18) & 63];
        *o++ = kAlphabet[(v >> 12) & 63];
        *o++ = kAlphabet[(v >> 6) & 63];
        *o++ = '=';
    }
    return out;
}

std::vector<std::uint8_t> Base64Decode(std::string_view text)
{
    const std::size_t groups = text.size() / 4;
    std::vector<std::uint8_t> out;
    out.reserve(groups * 3);
    for (std::size_t g = 0; g < groups; ++g) {
        const char* c = text.data() + g * 4;
        const unsigned a = digit(c[0]);
        const unsigned b = digit(c[1]);
        if (c[2] == '=') {
            out.push_back(static_cast<std::uint8_t>((a << 2) | (b >> 4)));
            continue;
        }
        const unsigned d2 = digit(c[2]);
        if (c[3] == '=') {
            out.push_back(static_cast<std::uint8_t>((a << 2) | (b >> 4)));
            out.push_back(static_cast<std::uint8_t>(((b & 15) << 4) | (d2 >> 2)));
            continue;
        }
        const unsigned d3 = digit(c[3]);
        out.push_back(static_cast<std::uint8_t>((a << 2) | (b >> 4)));
        out.push_back(static_cast<std::uint8_t>(((b & 15) << 4) | (d2 >> 2)));
        out.push_back(static_cast<std::uint8_t>(((d2 & 3) << 6) | d3));
    }
    return out;
}

} // namespace zerath
