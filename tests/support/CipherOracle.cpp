#include "CipherOracle.h"

#include <algorithm>
#include <bit>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "TempDir.h"

#if __has_include(<cryptopp/mars.h>)
#include <cryptopp/aes.h>
#include <cryptopp/mars.h>
#include <cryptopp/modes.h>
#include <cryptopp/rc6.h>
#include <cryptopp/serpent.h>
#include <cryptopp/twofish.h>
#define ZERATH_HAVE_CRYPTOPP 1
#endif

namespace zerath::test {

Bytes fromHex(std::string_view hex)
{
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        throw std::invalid_argument("not a hex digit");
    };
    if (hex.size() % 2) throw std::invalid_argument("odd hex length");
    Bytes out(hex.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = std::uint8_t(nibble(hex[2 * i]) << 4 | nibble(hex[2 * i + 1]));
    return out;
}

std::string toHex(const std::uint8_t* p, std::size_t n)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

std::string toHex(const Bytes& b) { return toHex(b.data(), b.size()); }

Bytes randomBytes(std::mt19937_64& rng, std::size_t n)
{
    Bytes b(n);
    for (auto& x : b) x = static_cast<std::uint8_t>(rng());
    return b;
}

std::vector<std::vector<std::string>> readDataRows(const std::string& relative)
{
    std::ifstream in(dataPath(relative));
    if (!in) throw std::runtime_error("missing data file " + relative);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t bar; (bar = line.find('|', start)) != std::string::npos; start = bar + 1)
            fields.push_back(line.substr(start, bar - start));
        fields.push_back(line.substr(start));
        rows.push_back(fields);
    }
    return rows;
}

#ifdef ZERATH_HAVE_CRYPTOPP
namespace {

// Crypto++'s MARS with an expanded key put in from outside: the rounds are
// the same in both schedules.
template <class Base>
struct MarsRounds : Base {
    explicit MarsRounds(const Bytes& key)
    {
        const std::uint8_t dummy[16] = {};
        this->SetKey(dummy, 16);
        std::uint32_t K[40];
        marsReferenceExpand(key, K);
        for (int i = 0; i < 40; ++i) this->m_k[i] = K[i];
    }
    static const std::uint32_t* sbox() { return Base::Sbox; }
};

template <class Cipher>
std::unique_ptr<CryptoPP::BlockCipher> keyedAnyLength(bool encrypt, const Bytes& key)
{
    if (encrypt) {
        auto c = std::make_unique<typename Cipher::Encryption>();
        c->UncheckedSetKey(key.data(), unsigned(key.size()), CryptoPP::g_nullNameValuePairs);
        return c;
    }
    auto c = std::make_unique<typename Cipher::Decryption>();
    c->UncheckedSetKey(key.data(), unsigned(key.size()), CryptoPP::g_nullNameValuePairs);
    return c;
}

std::unique_ptr<CryptoPP::BlockCipher> oracle(int cipherIndex, bool encrypt, const Bytes& key)
{
    switch (cipherIndex) {
    case kAes: {
        Bytes filled = key;
        filled.resize(key.size() <= 16 ? 16 : key.size() <= 24 ? 24 : 32, 0);
        return keyedAnyLength<CryptoPP::AES>(encrypt, filled);
    }
    case kRc6: return keyedAnyLength<CryptoPP::RC6>(encrypt, key);
    case kMars:
        if (encrypt) return std::make_unique<MarsRounds<CryptoPP::MARS::Encryption>>(key);
        return std::make_unique<MarsRounds<CryptoPP::MARS::Decryption>>(key);
    case kSerpent: return keyedAnyLength<CryptoPP::Serpent>(encrypt, key);
    case kTwofish: return keyedAnyLength<CryptoPP::Twofish>(encrypt, key);
    }
    throw std::invalid_argument("no reference for cipher " + std::to_string(cipherIndex));
}

const std::uint32_t* marsSBox() { return MarsRounds<CryptoPP::MARS::Encryption>::sbox(); }

} // namespace

Bytes referenceBlock(int cipherIndex, bool encrypt, const Bytes& key, const Bytes& block)
{
    Bytes out(16);
    oracle(cipherIndex, encrypt, key)->ProcessBlock(block.data(), out.data());
    return out;
}

Bytes referenceCbc(int cipherIndex, bool encrypt, const Bytes& key, const Bytes& iv, const Bytes& data)
{
    const std::size_t whole = data.size() / 16 * 16;
    Bytes out(data.size());
    if (whole) {
        auto c = oracle(cipherIndex, encrypt, key);
        if (encrypt) CryptoPP::CBC_Mode_ExternalCipher::Encryption(*c, iv.data()).ProcessData(out.data(), data.data(), whole);
        else CryptoPP::CBC_Mode_ExternalCipher::Decryption(*c, iv.data()).ProcessData(out.data(), data.data(), whole);
    }
    if (data.size() > whole) {
        const std::uint8_t* cv = whole ? (encrypt ? out.data() : data.data()) + whole - 16 : iv.data();
        std::uint8_t ks[16];
        oracle(cipherIndex, true, key)->ProcessBlock(cv, ks);
        for (std::size_t i = whole; i < data.size(); ++i) out[i] = data[i] ^ ks[i - whole];
    }
    return out;
}

Bytes referenceMode(int cipherIndex, OracleMode mode, bool encrypt, const Bytes& key, const Bytes& iv, const Bytes& data)
{
    using namespace CryptoPP;
    if (mode == OracleMode::Cbc) return referenceCbc(cipherIndex, encrypt, key, iv, data);
    Bytes out(data.size());
    if (data.empty()) return out;
    const auto e = oracle(cipherIndex, true, key); // the stream modes use the forward direction only
    switch (mode) {
    case OracleMode::Cbc: break;
    case OracleMode::Cfb8:
    case OracleMode::CfbBlock: {
        const int feedback = mode == OracleMode::Cfb8 ? 1 : 16;
        if (encrypt) CFB_Mode_ExternalCipher::Encryption(*e, iv.data(), feedback).ProcessData(out.data(), data.data(), data.size());
        else CFB_Mode_ExternalCipher::Decryption(*e, iv.data(), feedback).ProcessData(out.data(), data.data(), data.size());
        break;
    }
    case OracleMode::Ofb: OFB_Mode_ExternalCipher::Encryption(*e, iv.data()).ProcessData(out.data(), data.data(), data.size()); break;
    case OracleMode::Ctr: CTR_Mode_ExternalCipher::Encryption(*e, iv.data()).ProcessData(out.data(), data.data(), data.size()); break;
    }
    return out;
}

namespace {

std::uint32_t marsFix(std::uint32_t k, std::uint32_t r, const std::uint32_t* S, int* fixes, int* topFixes)
{
    const std::uint32_t j = k & 3;
    k |= 3;
    std::uint32_t m1 = ~k ^ (k << 1); // bit i: k_i == k_(i-1)
    std::uint32_t m2 = m1 & (m1 << 1);
    m2 &= m2 << 2;
    m2 &= m2 << 4;
    m2 &= m1 << 8;
    m2 &= 0xfffffe00u; // bit i: k_i .. k_(i-9) all equal
    if (!m2) return k;
    m1 = m2 | (m2 >> 1);
    m1 |= m1 >> 2;
    m1 |= m2 >> 4;
    m1 |= m1 >> 5;
    m1 &= (~k ^ (k << 1)) & (~k ^ (k >> 1)) & 0xfffffffcu;
    if (fixes) ++*fixes;
    if (topFixes && (m1 >> 31)) ++*topFixes;
    return k ^ (std::rotl(S[265 + j], int(r & 31)) & m1);
}

} // namespace

void marsReferenceExpand(const Bytes& key, std::uint32_t K[40], int* fixes, int* topFixes)
{
    const std::uint32_t* S = marsSBox();
    const std::size_t n = std::max<std::size_t>(4, (key.size() + 3) / 4);
    std::vector<std::uint32_t> k(n, 0);
    for (std::size_t i = 0; i < key.size(); ++i) k[i / 4] |= std::uint32_t(key[i]) << (8 * (i % 4));
    std::uint32_t buf[47];
    std::uint32_t* p = buf + 7;
    for (int i = 0; i < 7; ++i) p[i - 7] = S[i];
    for (int i = 0; i < 39; ++i) p[i] = std::rotl(p[i - 7] ^ p[i - 2], 3) ^ k[std::size_t(i) % n] ^ std::uint32_t(i);
    p[39] = std::uint32_t(n);
    for (int pass = 0; pass < 7; ++pass) {
        for (int j = 1; j < 40; ++j) p[j] = std::rotl(p[j] + S[p[j - 1] & 511], 9);
        p[0] = std::rotl(p[0] + S[p[39] & 511], 9);
    }
    for (int i = 0; i < 40; ++i) K[(7 * i) % 40] = p[i];
    for (int i = 5; i < 36; i += 2) K[i] = marsFix(K[i], K[i + 3], S, fixes, topFixes);
}

#else

Bytes referenceBlock(int, bool, const Bytes&, const Bytes&) { throw std::runtime_error("built without Crypto++"); }
Bytes referenceCbc(int, bool, const Bytes&, const Bytes&, const Bytes&) { throw std::runtime_error("built without Crypto++"); }
Bytes referenceMode(int, OracleMode, bool, const Bytes&, const Bytes&, const Bytes&)
{
    throw std::runtime_error("built without Crypto++");
}
void marsReferenceExpand(const Bytes&, std::uint32_t*, int*, int*) { throw std::runtime_error("built without Crypto++"); }

#endif

} // namespace zerath::test
