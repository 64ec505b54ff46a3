// Encrypted files made by an independent implementation (Crypto++ for RSA, the
// block ciphers and its own deflate; zlib's crc32 for the check value) decrypt
// with the program, and the program's files decrypt with it.
#include <cryptopp/aes.h>
#include <cryptopp/integer.h>
#include <cryptopp/modes.h>
#include <cryptopp/rc6.h>
#include <cryptopp/serpent.h>
#include <cryptopp/twofish.h>
#include <cryptopp/zlib.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cctype>
#include <random>

#include "FileCommandFixture.h"
#include "filecrypt/FieldProtection.h"
#include "keyring/KeyRing.h"

using namespace zerath;
using namespace zerath::test;
using Bytes = std::vector<std::uint8_t>;

namespace {

template <class Cipher>
Bytes refCbc(bool encrypt, const Bytes& key, const Bytes& iv, const Bytes& in)
{
    const std::size_t whole = in.size() / 16 * 16;
    Bytes out(in.size());
    if (whole) {
        if (encrypt) {
            typename CryptoPP::CBC_Mode<Cipher>::Encryption m(key.data(), key.size(), iv.data());
            m.ProcessData(out.data(), in.data(), whole);
        } else {
            typename CryptoPP::CBC_Mode<Cipher>::Decryption m(key.data(), key.size(), iv.data());
            m.ProcessData(out.data(), in.data(), whole);
        }
    }
    if (in.size() > whole) {
        // The tail: the remaining bytes xor the encryption of the last chaining value.
        const std::uint8_t* cv = whole ? (encrypt ? out.data() : in.data()) + whole - 16 : iv.data();
        typename Cipher::Encryption e(key.data(), key.size());
        std::uint8_t ks[16];
        e.ProcessBlock(cv, ks);
        for (std::size_t i = whole; i < in.size(); ++i) out[i] = in[i] ^ ks[i - whole];
    }
    return out;
}

Bytes cbcFor(int cipher, bool encrypt, const Bytes& key, const Bytes& iv, const Bytes& in)
{
    switch (cipher) {
    case 0: return refCbc<CryptoPP::AES>(encrypt, key, iv, in);
    case 1: return refCbc<CryptoPP::RC6>(encrypt, key, iv, in);
    case 3: return refCbc<CryptoPP::Serpent>(encrypt, key, iv, in);
    case 4: return refCbc<CryptoPP::Twofish>(encrypt, key, iv, in);
    }
    throw std::logic_error("no reference for this cipher");
}

CryptoPP::Integer hexInteger(const std::string& hex)
{
    return CryptoPP::Integer(("0x" + hex).c_str());
}

std::string lowerHex(const CryptoPP::Integer& v)
{
    if (v.IsZero()) return "0";
    std::string s;
    CryptoPP::Integer x = v;
    while (!x.IsZero()) {
        const unsigned d = x.Modulo(16);
        s.push_back("0123456789abcdef"[d]);
        x >>= 4;
    }
    return std::string(s.rbegin(), s.rend());
}

std::string upperHex(const Bytes& b)
{
    std::string s;
    for (std::uint8_t c : b) {
        s.push_back("0123456789ABCDEF"[c >> 4]);
        s.push_back("0123456789ABCDEF"[c & 15]);
    }
    return s;
}

struct KeyNumbers {
    std::string e, n, d;
};

KeyNumbers numbersOf(const KeyRingWithPair& keys)
{
    KeyRing ring(keys.home.path());
    ring.DBOpen(KeyRing::MissingFile::Create);
    EXPECT_TRUE(ring.SearchDB("KeyID", keys.privateId));
    const KeyRecord r = ring.CurrentRecord();
    KeyNumbers k;
    k.e = std::string(UnprotectField(r.ExponentE, FixedProtectionPassphrase()).view());
    k.n = std::string(UnprotectField(r.ModulusN, FixedProtectionPassphrase()).view());
    k.d = std::string(UnprotectField(r.ExponentD, kPairPassphrase).view());
    return k;
}

Bytes deflateWithCryptopp(const std::string& plain, int level)
{
    std::string out;
    CryptoPP::ZlibCompressor z(new CryptoPP::StringSink(out), static_cast<unsigned>(level));
    z.Put(reinterpret_cast<const CryptoPP::byte*>(plain.data()), plain.size());
    z.MessageEnd();
    return Bytes(out.begin(), out.end());
}

std::string inflateWithCryptopp(const Bytes& stream)
{
    std::string out;
    CryptoPP::ZlibDecompressor z(new CryptoPP::StringSink(out));
    z.Put(stream.data(), stream.size());
    z.MessageEnd();
    return out;
}

} // namespace

TEST(Interop, FilesMadeByAnIndependentImplementationDecrypt)
{
    KeyRingWithPair& keys = sharedKeyRing();
    const KeyNumbers k = numbersOf(keys);
    std::mt19937 rng(42);
    TempDir work;
    int round = 0;
    for (int cipher : {0, 1, 3, 4}) {
        for (std::size_t size : {0u, 1u, 16u, 100u, 70000u}) {
            ++round;
            std::string plain(size, '\0');
            for (auto& c : plain) c = static_cast<char>(rng() % 7 == 0 ? rng() : 'a' + rng() % 3);
            Bytes key(32), iv(16);
            for (auto& b : key) b = static_cast<std::uint8_t>(rng());
            for (auto& b : iv) b = static_cast<std::uint8_t>(rng());
            if (round % 3 == 0) key[0] = 0x0A; // unwrapped text shorter than 64 digits
            if (round % 5 == 0) key[0] = 0x00, key[1] = 0x03;

            const CryptoPP::Integer m = hexInteger(upperHex(key));
            const std::string wrapped = lowerHex(a_exp_b_mod_c(m, hexInteger(k.e), hexInteger(k.n)));
            const std::string en = k.e + k.n;
            const std::uint32_t check =
                static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(en.data()), static_cast<uInt>(en.size())));
            const Bytes cipherText = cbcFor(cipher, true, key, iv, deflateWithCryptopp(plain, 1 + round % 9));

            std::string file;
            file.push_back(static_cast<char>(cipher));
            for (int s = 24; s >= 0; s -= 8) file.push_back(static_cast<char>(check >> s));
            file.push_back(static_cast<char>(wrapped.size() & 0xFF));
            file.push_back(static_cast<char>(wrapped.size() >> 8));
            file += wrapped;
            file.append(iv.begin(), iv.end());
            file.append(cipherText.begin(), cipherText.end());
            const std::string path = work.file("made-elsewhere.enc");
            writeFile(path, file);

            KeyRing ring(keys.home.path());
            ring.DBOpen(KeyRing::MissingFile::Create);
            RecordingUi ui;
            DecryptOptions o{keys.privateId, path};
            const FileCommandResult r = DecryptFile(ring, o, ui);
            ASSERT_TRUE(r.done) << "cipher " << cipher << " size " << size;
            EXPECT_EQ(readFile(work.file("made-elsewhere")), plain) << "cipher " << cipher << " size " << size;
            std::remove(work.file("made-elsewhere").c_str());
        }
    }
}

TEST(Interop, TheProgramsFilesDecryptWithAnIndependentImplementation)
{
    KeyRingWithPair& keys = sharedKeyRing();
    const KeyNumbers k = numbersOf(keys);
    TempDir work;
    for (int cipher : {0, 1, 3, 4}) {
        for (int level : {0, 1, 2, 3}) {
            std::string plain;
            for (int i = 0; i < 3000 + 777 * level; ++i) plain += char('A' + (i * 7 + cipher) % 26);
            const std::string src = work.file("plain.txt");
            writeFile(src, plain);
            KeyRing ring(keys.home.path());
            ring.DBOpen(KeyRing::MissingFile::Create);
            RecordingUi ui;
            EncryptOptions o;
            o.keyId = keys.publicId;
            o.sourcePath = src;
            o.cipherIndex = cipher;
            o.compressionIndex = level;
            ASSERT_TRUE(EncryptFile(ring, o, ui).done);

            const std::string f = readFile(src + ".enc");
            ASSERT_EQ(static_cast<int>(f[0]), cipher);
            const std::uint32_t check = (std::uint32_t(std::uint8_t(f[1])) << 24) | (std::uint32_t(std::uint8_t(f[2])) << 16) |
                                        (std::uint32_t(std::uint8_t(f[3])) << 8) | std::uint8_t(f[4]);
            const std::string en = k.e + k.n;
            EXPECT_EQ(check, static_cast<std::uint32_t>(
                                 crc32(0, reinterpret_cast<const Bytef*>(en.data()), static_cast<uInt>(en.size()))));
            const std::size_t L = std::uint8_t(f[5]) | (std::size_t(std::uint8_t(f[6])) << 8);
            const std::string wrapped = f.substr(7, L);
            for (char c : wrapped) EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'a' && c <= 'f'));
            std::string keyHex = lowerHex(a_exp_b_mod_c(hexInteger(wrapped), hexInteger(k.d), hexInteger(k.n)));
            ASSERT_LE(keyHex.size(), 64u);
            keyHex = std::string(64 - keyHex.size(), '0') + keyHex;
            Bytes key(32);
            for (int i = 0; i < 32; ++i) key[i] = static_cast<std::uint8_t>(std::stoi(keyHex.substr(2 * i, 2), nullptr, 16));
            const Bytes iv(f.begin() + 7 + L, f.begin() + 23 + L);
            const Bytes body(f.begin() + 23 + L, f.end());
            EXPECT_EQ(inflateWithCryptopp(cbcFor(cipher, false, key, iv, body)), plain)
                << "cipher " << cipher << " level " << level;
        }
    }
}
