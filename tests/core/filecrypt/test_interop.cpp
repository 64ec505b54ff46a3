// Encrypted files made by an independent implementation (Crypto++ for RSA, the
// ciphers (MARS through its 1998 key expansion) and deflate; zlib's crc32 for
// the check value) decrypt with the program, and the program's files decrypt
// with it.
#include <cryptopp/zlib.h>
#include <gtest/gtest.h>

#include <random>

#include "FileOracle.h"
#include "FileRig.h"
#include "TestHelpers.h"

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

struct Interop : ::testing::TestWithParam<int>, FileRig {
    ClearKey clear = clearKeyOf(keys.home(), pair, kAlicePassphrase);
};

// Sizes around the cipher block and the program's 8 KiB buffers, each at one compression index.
TEST_P(Interop, FilesGoBothWaysWithAnIndependentImplementation)
{
    const int cipher = GetParam();
    std::mt19937_64 rng(42 + cipher);
    const std::size_t sizes[] = {0, 1, 15, 16, 17, 100, 8191, 8192, 8193, 70000, 5 * 8192 * 16 + 7};
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        const int level = static_cast<int>(i % 4);
        SCOPED_TRACE("size " + std::to_string(sizes[i]) + " level " + std::to_string(level));
        std::string plain(sizes[i], '\0');
        for (auto& c : plain) c = static_cast<char>(rng() % 7 == 0 ? rng() : 'a' + rng() % 3);
        Bytes key = randomBytes(rng, 32);
        if (i == 1) key[0] = 0x0A; // a session key text shorter than 64 digits
        if (i == 2) key[0] = 0x00, key[1] = 0x03;
        const std::string made = work.file("made-elsewhere.enc");
        writeFile(made, sealWithOracle(cipher, key, randomBytes(rng, 16), deflateWithCryptopp(plain, 3 * level), clear));
        ASSERT_TRUE(decrypt(made).done);
        EXPECT_EQ(ui.selectedCipher, cipher);
        EXPECT_EQ(readFile(work.file("made-elsewhere")), plain);

        ASSERT_TRUE(EncryptFile(ring, to(work.file("made-elsewhere"), cipher, level), ui).done);
        const OpenedFile f = openWithOracle(readFile(made), clear);
        EXPECT_EQ(f.cipher, cipher);
        EXPECT_EQ(f.keyCheck, keyCheckOf(clear));
        EXPECT_EQ(f.wrappedKey.find_first_not_of("0123456789abcdef"), std::string::npos);
        EXPECT_EQ(inflateWithCryptopp(std::string(f.zlib.begin(), f.zlib.end())), plain);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCipher, Interop, ::testing::Range(0, 5));

} // namespace
