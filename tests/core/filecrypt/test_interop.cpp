// Encrypted files made by an independent implementation (Crypto++ for RSA, the
// ciphers (MARS through its 1998 key expansion) and deflate; zlib's crc32 for
// the check value) decrypt with the program, and the program's files decrypt
// with it.
#include <cryptopp/zlib.h>
#include <gtest/gtest.h>

#include <random>

#include "FileOracle.h"
#include "KeyRingFixture.h"
#include "TestHelpers.h"
#include "TestUi.h"
#include "filecrypt/FileCommands.h"
#include "keyring/KeyRing.h"

using namespace zerath;
using namespace zerath::test;

namespace {

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

struct Interop : ::testing::TestWithParam<int> {
    KeyRingFixture keys;
    std::string pairId = keys.idOf(TestKey::AlicePair);
    ClearKey clear = clearKeyOf(keys.home(), pairId, kAlicePassphrase);
    TempDir work;
    KeyRing ring{keys.home()};
    ScriptedUi ui;
    void SetUp() override { ring.DBOpen(); }
};

TEST_P(Interop, FilesMadeByAnIndependentImplementationDecrypt)
{
    const int cipher = GetParam();
    std::mt19937_64 rng(42 + cipher);
    int round = 0;
    for (std::size_t size : {0u, 1u, 16u, 100u, 70000u}) {
        ++round;
        std::string plain(size, '\0');
        for (auto& c : plain) c = static_cast<char>(rng() % 7 == 0 ? rng() : 'a' + rng() % 3);
        Bytes key = randomBytes(rng, 32);
        if (round == 2) key[0] = 0x0A; // a session key text shorter than 64 digits
        if (round == 3) key[0] = 0x00, key[1] = 0x03;
        const std::string path = work.file("made-elsewhere.enc");
        writeFile(path, sealWithOracle(cipher, key, randomBytes(rng, 16), deflateWithCryptopp(plain, 1 + round), clear));
        ASSERT_TRUE(DecryptFile(ring, DecryptOptions{pairId, path}, ui).done) << size;
        EXPECT_EQ(readFile(work.file("made-elsewhere")), plain) << size;
        removeFile(work.file("made-elsewhere"));
    }
}

TEST_P(Interop, TheProgramsFilesDecryptWithAnIndependentImplementation)
{
    const int cipher = GetParam();
    for (int level : {0, 1, 2, 3}) {
        std::string plain;
        for (int i = 0; i < 3000 + 777 * level; ++i) plain += char('A' + (i * 7 + cipher) % 26);
        const std::string src = work.file("plain.txt");
        writeFile(src, plain);
        EncryptOptions o;
        o.keyId = keys.idOf(TestKey::AlicePublic);
        o.sourcePath = src;
        o.cipherIndex = cipher;
        o.compressionIndex = level;
        ASSERT_TRUE(EncryptFile(ring, o, ui).done);
        const OpenedFile f = openWithOracle(readFile(src + ".enc"), clear);
        EXPECT_EQ(f.cipher, cipher);
        EXPECT_EQ(f.keyCheck, keyCheckOf(clear));
        EXPECT_EQ(f.wrappedKey.find_first_not_of("0123456789abcdef"), std::string::npos);
        EXPECT_EQ(inflateWithCryptopp(f.zlib), plain) << "level " << level;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCipher, Interop, ::testing::Range(0, 5));

} // namespace
