// TDCP_rijndael: known answers and differential checks against Crypto++, for
// the portable implementation and the AES-instruction one.
#include <gtest/gtest.h>

#include <cryptopp/aes.h>
#include <cryptopp/modes.h>

#include <random>

#include "CryptoppRef.h"
#include "SymTestUtil.h"
#include "symcrypto/Rijndael.h"

using namespace zerath;
using namespace zerath::symtest;
using Impl = TDCP_rijndael::Implementation;

namespace {

class Rijndael : public ::testing::TestWithParam<Impl> {
protected:
    void SetUp() override
    {
        if (GetParam() == Impl::AesNi && !TDCP_rijndael::HardwareAvailable())
            GTEST_SKIP() << "no AES instructions on this processor";
    }
};

std::string implName(const ::testing::TestParamInfo<Impl>& info)
{
    return info.param == Impl::AesNi ? "AesNi" : "Portable";
}

} // namespace

TEST(RijndaelClass, Values)
{
    TDCP_rijndael c;
    EXPECT_EQ(c.Id(), 9);
    EXPECT_EQ(c.Algorithm(), "Rijndael");
    EXPECT_EQ(c.MaxKeySize(), 256);
    EXPECT_EQ(c.BlockSize(), 128);
    EXPECT_EQ(TDCP_rijndael(Impl::Portable).ActiveImplementation(), Impl::Portable);
    EXPECT_EQ(c.ActiveImplementation(), TDCP_rijndael::HardwareAvailable() ? Impl::AesNi : Impl::Portable);
}

TEST_P(Rijndael, SelectedImplementation)
{
    TDCP_rijndael c(GetParam());
    EXPECT_EQ(c.ActiveImplementation(), GetParam());
    EXPECT_TRUE(c.CheckVectors());
    EXPECT_FALSE(c.Keyed()) << "the self-test leaves the object alone";
}

TEST_P(Rijndael, KnownAnswers)
{
    const auto rows = readVectorFile("rijndael_vectors.txt");
    ASSERT_GE(rows.size(), 8u);
    for (const auto& r : rows) {
        const Bytes key = fromHex(r[0]), in = fromHex(r[1]), out = fromHex(r[2]);
        TDCP_rijndael c(GetParam());
        c.SetKey(key.data(), static_cast<unsigned>(key.size() * 8), nullptr);
        Bytes got(16), back(16);
        c.EncryptBlock(in.data(), got.data());
        EXPECT_EQ(toHex(got), r[2]) << "key " << r[0];
        c.DecryptBlock(out.data(), back.data());
        EXPECT_EQ(toHex(back), r[1]) << "key " << r[0];
    }
}

TEST_P(Rijndael, CbcKnownAnswers)
{
    // SP 800-38A F.2.1 and F.2.5
    const Bytes iv = fromHex("000102030405060708090a0b0c0d0e0f");
    const Bytes plain = fromHex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
                                "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
    const std::pair<const char*, const char*> cases[] = {
        {"2b7e151628aed2a6abf7158809cf4f3c",
         "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
         "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7"},
        {"603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4",
         "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
         "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b"},
    };
    for (auto [keyHex, cipherHex] : cases) {
        const Bytes key = fromHex(keyHex);
        TDCP_rijndael c(GetParam());
        c.SetKey(key.data(), static_cast<unsigned>(key.size() * 8), iv.data());
        Bytes buf = plain;
        c.EncryptCbc(buf.data(), buf.data(), buf.size());
        EXPECT_EQ(toHex(buf), cipherHex);
        c.ResetChain();
        c.DecryptCbc(buf.data(), buf.data(), buf.size());
        EXPECT_EQ(buf, plain);
    }
}

TEST_P(Rijndael, RandomBlocksAgainstCryptopp)
{
    std::mt19937_64 rng(11);
    const std::size_t keyLens[] = {16, 24, 32};
    for (int iter = 0; iter < 3000; ++iter) {
        const std::size_t keyLen = keyLens[iter % 3];
        const Bytes key = randomBytes(rng, keyLen);
        TDCP_rijndael c(GetParam());
        c.SetKey(key.data(), static_cast<unsigned>(keyLen * 8), nullptr);
        CryptoPP::AES::Encryption e(key.data(), key.size());
        CryptoPP::AES::Decryption d(key.data(), key.size());
        for (int b = 0; b < 4; ++b) {
            const Bytes block = randomBytes(rng, 16);
            Bytes ours(16), theirs(16);
            c.EncryptBlock(block.data(), ours.data());
            e.ProcessBlock(block.data(), theirs.data());
            ASSERT_EQ(ours, theirs) << "encrypt, key " << toHex(key);
            c.DecryptBlock(block.data(), ours.data());
            d.ProcessBlock(block.data(), theirs.data());
            ASSERT_EQ(ours, theirs) << "decrypt, key " << toHex(key);
        }
    }
}

TEST_P(Rijndael, CbcAgainstCryptopp)
{
    // Lengths around the eight-block pipeline of the instruction path.
    std::mt19937_64 rng(12);
    const std::size_t keyLens[] = {16, 24, 32};
    for (int iter = 0; iter < 600; ++iter) {
        const std::size_t keyLen = keyLens[iter % 3];
        const Bytes key = randomBytes(rng, keyLen), iv = randomBytes(rng, 16);
        const std::size_t len = iter < 300 ? static_cast<std::size_t>(iter) : rng() % 9000;
        const Bytes plain = randomBytes(rng, len);
        TDCP_rijndael c(GetParam());
        c.SetKey(key.data(), static_cast<unsigned>(keyLen * 8), iv.data());
        Bytes out(len);
        c.EncryptCbc(plain.data(), out.data(), len);
        const Bytes ref = refCbc(true, key, iv, plain);
        ASSERT_EQ(out, ref) << "length " << len;
        c.ResetChain();
        Bytes back = ref;
        c.DecryptCbc(back.data(), back.data(), len); // in place
        ASSERT_EQ(back, plain) << "length " << len;
        c.ResetChain();
        Bytes back2(len);
        c.DecryptCbc(ref.data(), back2.data(), len);
        ASSERT_EQ(back2, plain);
        ASSERT_EQ(refCbc(false, key, iv, ref), plain);
    }
}

TEST_P(Rijndael, ShortKeysArePaddedWithZeros)
{
    // Sizes between the standard ones: the key is padded with zero bytes to the
    // next standard size.
    std::mt19937_64 rng(13);
    for (unsigned bits : {8u, 64u, 120u, 136u, 160u, 200u, 248u}) {
        const Bytes key = randomBytes(rng, bits / 8);
        Bytes padded = key;
        padded.resize(bits <= 128 ? 16 : bits <= 192 ? 24 : 32, 0);
        TDCP_rijndael c(GetParam());
        c.SetKey(key.data(), bits, nullptr);
        Bytes chain(16);
        c.GetChain(chain.data());
        EXPECT_EQ(chain, aesBlock(padded, Bytes(16, 0).data())) << bits;
    }
}

TEST_P(Rijndael, RekeyingReplacesEverything)
{
    std::mt19937_64 rng(14);
    const Bytes k1 = randomBytes(rng, 32), k2 = randomBytes(rng, 16), iv = randomBytes(rng, 16);
    TDCP_rijndael c(GetParam()), fresh(GetParam());
    c.SetKey(k1.data(), 256, iv.data());
    Bytes junk(40);
    c.EncryptCbc(junk.data(), junk.data(), junk.size());
    c.SetKey(k2.data(), 128, nullptr);
    fresh.SetKey(k2.data(), 128, nullptr);
    const Bytes data = randomBytes(rng, 100);
    Bytes a(100), b(100);
    c.EncryptCbc(data.data(), a.data(), 100);
    fresh.EncryptCbc(data.data(), b.data(), 100);
    EXPECT_EQ(a, b);
}

TEST(RijndaelClass, BothImplementationsAgree)
{
    if (!TDCP_rijndael::HardwareAvailable()) GTEST_SKIP() << "no AES instructions";
    std::mt19937_64 rng(15);
    for (int iter = 0; iter < 100; ++iter) {
        const Bytes key = randomBytes(rng, 32), iv = randomBytes(rng, 16);
        const Bytes data = randomBytes(rng, rng() % 3000);
        TDCP_rijndael hw(Impl::AesNi), sw(Impl::Portable);
        hw.SetKey(key.data(), 256, iv.data());
        sw.SetKey(key.data(), 256, iv.data());
        Bytes a = data, b = data;
        hw.EncryptCbc(a.data(), a.data(), a.size());
        sw.EncryptCbc(b.data(), b.data(), b.size());
        ASSERT_EQ(a, b);
        hw.CipherMode = sw.CipherMode = cmCFB8bit;
        ASSERT_EQ(hw.EncryptText("protected field"), sw.EncryptText("protected field"));
    }
}

INSTANTIATE_TEST_SUITE_P(Impl, Rijndael, ::testing::Values(Impl::Portable, Impl::AesNi), implName);
