#include "FileOracle.h"

#include <cryptopp/integer.h>
#include <cryptopp/zlib.h>
#include <zlib.h>

#include <stdexcept>

#include "symcrypto/FieldProtection.h"
#include "keyring/KeyRing.h"

namespace zerath::test {
namespace {

CryptoPP::Integer hexInteger(const std::string& hex) { return CryptoPP::Integer(("0x" + hex).c_str()); }

std::string lowerHex(CryptoPP::Integer x)
{
    std::string s;
    for (; !x.IsZero(); x >>= 4) s.insert(s.begin(), "0123456789abcdef"[x.Modulo(16)]);
    return s.empty() ? "0" : s;
}

std::string modPow(const std::string& base, const std::string& exponent, const std::string& modulus)
{
    return lowerHex(a_exp_b_mod_c(hexInteger(base), hexInteger(exponent), hexInteger(modulus)));
}

} // namespace

ClearKey clearKeyOf(const std::string& home, const std::string& pairId, const std::string& passphrase)
{
    KeyRing ring(home);
    ring.DBOpen();
    if (!ring.SearchDB("KeyID", pairId)) throw std::runtime_error("no key " + pairId);
    const KeyRecord r = ring.CurrentRecord();
    const auto fixed = FixedProtectionPassphrase();
    return {std::string(UnprotectField(r.ExponentE, fixed).view()), std::string(UnprotectField(r.ModulusN, fixed).view()),
            std::string(UnprotectField(r.ExponentD, passphrase).view())};
}

std::uint32_t keyCheckOf(const ClearKey& k)
{
    const std::string en = k.e + k.n;
    return static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(en.data()), static_cast<uInt>(en.size())));
}

OpenedFile openWithOracle(const std::string& f, const ClearKey& k)
{
    OpenedFile o;
    o.cipher = static_cast<std::uint8_t>(f.at(0));
    for (int i = 1; i <= 4; ++i) o.keyCheck = o.keyCheck << 8 | static_cast<std::uint8_t>(f.at(i));
    const std::size_t L = static_cast<std::uint8_t>(f.at(5)) | std::size_t(static_cast<std::uint8_t>(f.at(6))) << 8;
    o.wrappedKey = f.substr(7, L);
    std::string keyHex = modPow(o.wrappedKey, k.d, k.n);
    if (keyHex.size() > 64) throw std::runtime_error("session key too long");
    o.key = fromHex(std::string(64 - keyHex.size(), '0') + keyHex);
    o.iv.assign(f.begin() + 7 + L, f.begin() + 23 + L);
    o.zlib = referenceCbc(o.cipher, false, o.key, o.iv, Bytes(f.begin() + 23 + L, f.end()));
    return o;
}

std::string sealWithOracle(int cipher, const Bytes& key, const Bytes& iv, const Bytes& zlib, const ClearKey& k)
{
    const std::string wrapped = modPow(toHex(key), k.e, k.n);
    const std::uint32_t check = keyCheckOf(k);
    std::string f(1, static_cast<char>(cipher));
    for (int s = 24; s >= 0; s -= 8) f.push_back(static_cast<char>(check >> s));
    f.push_back(static_cast<char>(wrapped.size() & 0xFF));
    f.push_back(static_cast<char>(wrapped.size() >> 8));
    f += wrapped;
    f.append(iv.begin(), iv.end());
    const Bytes body = referenceCbc(cipher, true, key, iv, zlib);
    return f.append(body.begin(), body.end());
}

int zlibLevelBits(const Bytes& z) { return z.at(1) >> 6; }

bool onlyStoredBlocks(const Bytes& z)
{
    // A stored block ends on a byte boundary, so every header that follows one
    // starts a byte: BFINAL in bit 0, BTYPE 00 in bits 1-2, then LEN and NLEN.
    for (std::size_t at = 2; at + 5 <= z.size();) {
        if ((z[at] >> 1 & 3) != 0) return false;
        const std::size_t len = z[at + 1] | z[at + 2] << 8;
        if ((len ^ (z[at + 3] | z[at + 4] << 8)) != 0xFFFF) return false;
        at += 5 + len;
        if (z[at - 5 - len] & 1) return at + 4 == z.size(); // the Adler-32 follows the last block
    }
    return false;
}

std::string inflateWithCryptopp(std::string_view zlib)
{
    std::string out;
    CryptoPP::ZlibDecompressor z(new CryptoPP::StringSink(out));
    z.Put(reinterpret_cast<const CryptoPP::byte*>(zlib.data()), zlib.size());
    z.MessageEnd();
    return out;
}

} // namespace zerath::test
