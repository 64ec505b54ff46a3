#include "symcrypto/Cipher.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/Secure.h"
#include "symcrypto/Base64.h"

namespace zerath {

namespace {

inline void xorBytes(std::uint8_t* out, const std::uint8_t* a, const std::uint8_t* b, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) out[i] = a[i] ^ b[i];
}

// The framework never hands a cipher overlapping block buffers.
struct Block {
    std::uint8_t b[16];
    ~Block() { secureZero(b, sizeof b); }
};

// Walks n bytes as whole 16-byte blocks, whole(in, out, 16) for each, then
// tail(in, out, r) for the r < 16 bytes left, if any.
template <class Whole, class Tail>
inline void eachBlock(const void* inp, void* outp, std::size_t n, Whole whole, Tail tail)
{
    const auto* in = static_cast<const std::uint8_t*>(inp);
    auto* out = static_cast<std::uint8_t*>(outp);
    for (std::size_t i = n / 16; i > 0; --i, in += 16, out += 16) whole(in, out, 16);
    if (n % 16) tail(in, out, n % 16);
}

// CFB with 8-bit feedback: each byte is xored with the first byte of E(CV),
// then CV moves on by one byte and takes the ciphertext byte.
inline void cfb8(const TDCP_blockcipher128& cipher, std::uint8_t* CV, const void* inp, void* outp, std::size_t n,
                 bool decrypt)
{
    const auto* in = static_cast<const std::uint8_t*>(inp);
    auto* out = static_cast<std::uint8_t*>(outp);
    Block t;
    for (std::size_t i = 0; i < n; ++i) {
        cipher.EncryptBlock(CV, t.b);
        const std::uint8_t x = in[i];
        const std::uint8_t y = x ^ t.b[0];
        out[i] = y;
        std::memmove(CV, CV + 1, 15);
        CV[15] = decrypt ? x : y;
    }
}

} // namespace

// ---- TDCP_cipher -------------------------------------------------------------

void TDCP_cipher::SetKey(const void* key, unsigned bits, const void* iv)
{
    (void)key;
    (void)iv;
    if (fKeyed) Wipe();
    if (bits == 0 || (bits & 3) != 0 || static_cast<long>(bits) > static_cast<long>(MaxKeySize()))
        throw EDCP_cipher("Invalid key size");
    fKeyed = true;
}

std::string TDCP_cipher::EncryptText(std::string_view text)
{
    (void)text;
    return std::string();
}

std::string TDCP_cipher::DecryptText(std::string_view base64)
{
    (void)base64;
    return std::string();
}

void TDCP_cipher::SetKeyFromPassphrase(std::string_view text, std::unique_ptr<TDCP_hash> freshDigest)
{
    if (fKeyed) Wipe();
    SecureBytes digest;
    try {
        if (!freshDigest) throw Error("no digest");
        const int hashBits = freshDigest->HashSize();
        if (hashBits <= 0) throw Error("no digest size");
        digest.assign(static_cast<std::size_t>(hashBits + 7) / 8, 0);
        freshDigest->Start();
        freshDigest->AbsorbText(text);
        freshDigest->Finish(digest.data());
        freshDigest.reset();
        const int bits = std::min(MaxKeySize(), hashBits);
        SetKey(digest.data(), bits > 0 ? static_cast<unsigned>(bits) : 0u, nullptr);
        std::fill(digest.begin(), digest.end(), std::uint8_t(0xFF));
    } catch (...) {
        std::fill(digest.begin(), digest.end(), std::uint8_t(0xFF));
        throw EDCP_cipher("Unable to allocate sufficient memory for hash digest");
    }
}

// ---- TDCP_blockcipher --------------------------------------------------------

void TDCP_blockcipher::EncryptData(const void* in, void* out, std::size_t n)
{
    switch (CipherMode) {
    case cmCBC: EncryptCbc(in, out, n); break;
    case cmCFB8bit: EncryptCfb8(in, out, n); break;
    case cmCFBblock: EncryptCfbBlock(in, out, n); break;
    case cmOFB: EncryptOfb(in, out, n); break;
    case cmCTR: EncryptCtr(in, out, n); break;
    }
}

void TDCP_blockcipher::DecryptData(const void* in, void* out, std::size_t n)
{
    switch (CipherMode) {
    case cmCBC: DecryptCbc(in, out, n); break;
    case cmCFB8bit: DecryptCfb8(in, out, n); break;
    case cmCFBblock: DecryptCfbBlock(in, out, n); break;
    case cmOFB: DecryptOfb(in, out, n); break;
    case cmCTR: DecryptCtr(in, out, n); break;
    }
}

std::string TDCP_blockcipher::EncryptText(std::string_view text)
{
    SecureBytes buf(text.begin(), text.end());
    if (!buf.empty()) EncryptCfb8(buf.data(), buf.data(), buf.size());
    return Base64Encode(buf.data(), buf.size());
}

std::string TDCP_blockcipher::DecryptText(std::string_view base64)
{
    std::vector<std::uint8_t> bytes = Base64Decode(base64);
    std::string out(bytes.size(), '\0');
    if (!bytes.empty()) DecryptCfb8(bytes.data(), out.data(), bytes.size());
    return out;
}

// ---- TDCP_blockcipher128 -----------------------------------------------------

TDCP_blockcipher128::TDCP_blockcipher128()
{
    std::memset(IV, 0xFF, sizeof IV);
    std::memset(CV, 0xFF, sizeof CV);
    fKeyed = false;
}

void TDCP_blockcipher128::CheckKeyed() const
{
    if (!fKeyed) throw EDCP_blockcipher("Cipher not initialized");
}

void TDCP_blockcipher128::SetKey(const void* key, unsigned bits, const void* iv)
{
    TDCP_cipher::SetKey(key, bits, iv); // wipes a keyed object, checks the size, sets Keyed
    try {
        ExpandKey(key, bits);
        if (iv == nullptr) {
            std::uint8_t zero[16] = {};
            EncryptBlock(zero, IV);
        } else {
            std::memcpy(IV, iv, sizeof IV);
        }
        std::memcpy(CV, IV, sizeof CV);
    } catch (...) {
        Wipe();
        throw;
    }
}

void TDCP_blockcipher128::Wipe()
{
    std::memset(IV, 0xFF, sizeof IV);
    std::memset(CV, 0xFF, sizeof CV);
    fKeyed = false;
}

void TDCP_blockcipher128::ResetChain()
{
    CheckKeyed();
    std::memcpy(CV, IV, sizeof CV);
}

void TDCP_blockcipher128::SetIv(const void* iv)
{
    CheckKeyed();
    std::memcpy(IV, iv, sizeof IV);
    std::memcpy(CV, IV, sizeof CV);
}

void TDCP_blockcipher128::GetChain(void* out) const
{
    CheckKeyed();
    std::memcpy(out, CV, sizeof CV);
}

void TDCP_blockcipher128::EncryptChainValue()
{
    Block t;
    EncryptBlock(CV, t.b);
    std::memcpy(CV, t.b, 16);
}

void TDCP_blockcipher128::CbcTail(const std::uint8_t* in, std::uint8_t* out, std::size_t r)
{
    EncryptChainValue();
    xorBytes(out, in, CV, r);
}

void TDCP_blockcipher128::DecryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const
{
    Block t;
    for (std::size_t i = 0; i < blocks; ++i) {
        DecryptBlock(in + 16 * i, t.b);
        std::memcpy(out + 16 * i, t.b, 16);
    }
}

void TDCP_blockcipher128::EncryptCbc(const void* in, void* out, std::size_t n)
{
    CheckKeyed();
    Block t;
    eachBlock(
        in, out, n,
        [&](const std::uint8_t* i, std::uint8_t* o, std::size_t) {
            xorBytes(t.b, i, CV, 16);
            EncryptBlock(t.b, CV);
            std::memcpy(o, CV, 16);
        },
        [this](const std::uint8_t* i, std::uint8_t* o, std::size_t r) { CbcTail(i, o, r); });
}

void TDCP_blockcipher128::DecryptCbc(const void* inp, void* outp, std::size_t n)
{
    CheckKeyed();
    const auto* in = static_cast<const std::uint8_t*>(inp);
    auto* out = static_cast<std::uint8_t*>(outp);
    // Runs of blocks go through DecryptBlocks; the ciphertext is kept aside first
    // so that in and out may be the same buffer.
    constexpr std::size_t kRun = 32;
    std::uint8_t saved[kRun * 16];
    std::size_t blocks = n / 16;
    while (blocks > 0) {
        const std::size_t k = std::min(blocks, kRun);
        std::memcpy(saved, in, k * 16);
        DecryptBlocks(saved, out, k);
        xorBytes(out, out, CV, 16);
        for (std::size_t i = 1; i < k; ++i) xorBytes(out + 16 * i, out + 16 * i, saved + 16 * (i - 1), 16);
        std::memcpy(CV, saved + 16 * (k - 1), 16);
        in += 16 * k;
        out += 16 * k;
        blocks -= k;
    }
    secureZero(saved, sizeof saved);
    if (n % 16) CbcTail(in, out, n % 16);
}

void TDCP_blockcipher128::EncryptCfb8(const void* in, void* out, std::size_t n)
{
    CheckKeyed();
    cfb8(*this, CV, in, out, n, false);
}

void TDCP_blockcipher128::DecryptCfb8(const void* in, void* out, std::size_t n)
{
    CheckKeyed();
    cfb8(*this, CV, in, out, n, true);
}

void TDCP_blockcipher128::EncryptCfbBlock(const void* in, void* out, std::size_t n)
{
    CheckKeyed();
    eachBlock(
        in, out, n,
        [this](const std::uint8_t* i, std::uint8_t* o, std::size_t) {
            EncryptChainValue();
            xorBytes(CV, i, CV, 16);
            std::memcpy(o, CV, 16);
        },
        [this](const std::uint8_t* i, std::uint8_t* o, std::size_t r) { CbcTail(i, o, r); });
}

void TDCP_blockcipher128::DecryptCfbBlock(const void* in, void* out, std::size_t n)
{
    CheckKeyed();
    Block c;
    eachBlock(
        in, out, n,
        [&](const std::uint8_t* i, std::uint8_t* o, std::size_t) {
            std::memcpy(c.b, i, 16);
            EncryptChainValue();
            xorBytes(o, c.b, CV, 16);
            std::memcpy(CV, c.b, 16);
        },
        [this](const std::uint8_t* i, std::uint8_t* o, std::size_t r) { CbcTail(i, o, r); });
}

void TDCP_blockcipher128::EncryptOfb(const void* in, void* out, std::size_t n)
{
    CheckKeyed();
    // Whole blocks and the tail alike: CV := E(CV), out := in xor CV.
    const auto step = [this](const std::uint8_t* i, std::uint8_t* o, std::size_t r) { CbcTail(i, o, r); };
    eachBlock(in, out, n, step, step);
}

void TDCP_blockcipher128::DecryptOfb(const void* in, void* out, std::size_t n)
{
    EncryptOfb(in, out, n);
}

void TDCP_blockcipher128::IncrementCounter()
{
    int i = 15;
    ++CV[i];
    while (i > 0 && CV[i] == 0) {
        --i;
        ++CV[i];
    }
}

void TDCP_blockcipher128::EncryptCtr(const void* in, void* out, std::size_t n)
{
    CheckKeyed();
    Block t;
    const auto step = [&](const std::uint8_t* i, std::uint8_t* o, std::size_t r) {
        EncryptBlock(CV, t.b);
        IncrementCounter();
        xorBytes(o, i, t.b, r);
    };
    eachBlock(in, out, n, step, step);
}

void TDCP_blockcipher128::DecryptCtr(const void* in, void* out, std::size_t n)
{
    EncryptCtr(in, out, n);
}

} // namespace zerath
