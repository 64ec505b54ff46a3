#include <gtest/gtest.h>

#include <cryptopp/aes.h>
#include <cryptopp/base64.h>
#include <cryptopp/filters.h>
#include <cryptopp/modes.h>
#include <cryptopp/sha.h>

#include <random>
#include <string>

#include "TestHelpers.h"
#include "symcrypto/FieldProtection.h"

using namespace zerath;

namespace {

// Independent computation: AES-256 in CFB-8 with key SHA-256(passphrase) and
// vector E_k(0), then base64 without line breaks.
std::string oracleProtect(const std::string& text, const std::string& passphrase)
{
    CryptoPP::byte key[32];
    CryptoPP::SHA256().CalculateDigest(key, reinterpret_cast<const CryptoPP::byte*>(passphrase.data()),
                                       passphrase.size());
    CryptoPP::byte iv[16] = {0};
    CryptoPP::AES::Encryption(key, 32).ProcessBlock(iv);
    CryptoPP::CFB_Mode<CryptoPP::AES>::Encryption cfb(key, 32, iv, 1); // 8-bit feedback
    std::string out;
    CryptoPP::StringSource(text, true,
                           new CryptoPP::StreamTransformationFilter(
                               cfb, new CryptoPP::Base64Encoder(new CryptoPP::StringSink(out), false)));
    return out;
}

} // namespace

TEST(FieldProtection, RoundTripLengthAndAgreementWithIndependentCipher)
{
    std::mt19937 rng(1234);
    const std::string passphrases[] = {std::string(FixedProtectionPassphrase()), "correct horse battery", "", "x"};
    for (std::size_t n = 0; n <= 200; ++n) {
        std::string clear(n, '\0');
        for (auto& c : clear) c = static_cast<char>(rng());
        const std::string& pass = passphrases[n % 4];
        std::string text = clear;
        ASSERT_TRUE(EncryptDecryptStr(text, pass, true));
        EXPECT_EQ(text, oracleProtect(clear, pass)) << n;
        ASSERT_TRUE(EncryptDecryptStr(text, pass, false));
        EXPECT_EQ(text, clear) << n;
    }
}

TEST(FieldProtection, DamagedBase64FailsAndLeavesTheTextAlone)
{
    std::string text = "not*base64!";
    EXPECT_EQ(zerath::test::errorOf<Error>([&] { EncryptDecryptStr(text, FixedProtectionPassphrase(), false); }), "AES Encryption Error");
    EXPECT_EQ(text, "not*base64!");
}
