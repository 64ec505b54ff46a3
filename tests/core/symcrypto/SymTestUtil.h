#pragma once
// Helpers shared by the hash, CRC, base64, framework and Rijndael tests.
#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "TempDir.h"

namespace zerath::symtest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes fromHex(const std::string& hex)
{
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

inline std::string toHex(const std::uint8_t* p, std::size_t n)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}
inline std::string toHex(const Bytes& b) { return toHex(b.data(), b.size()); }

inline Bytes randomBytes(std::mt19937_64& rng, std::size_t n)
{
    Bytes b(n);
    for (auto& x : b) x = static_cast<std::uint8_t>(rng());
    return b;
}

// Lines of a vector file under tests/data/symcrypto split at '|'; '#' lines and blank lines skipped.
inline std::vector<std::vector<std::string>> readVectorFile(const std::string& name)
{
    std::ifstream in(zerath::test::dataPath("symcrypto/" + name));
    if (!in) throw std::runtime_error("missing vector file " + name);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields;
        std::stringstream ss(line);
        std::string f;
        while (std::getline(ss, f, '|')) fields.push_back(f);
        if (!line.empty() && line.back() == '|') fields.emplace_back();
        rows.push_back(fields);
    }
    return rows;
}

} // namespace zerath::symtest
