#include <gtest/gtest.h>

#include <cstring>

#include "symcrypto/CipherList.h"

namespace zerath {
namespace {

TEST(CipherList, OrderTextsAndClasses)
{
    struct Expected {
        const char* text;
        const char* cli;
        int id;
        const char* algorithm;
        const char* status;
    };
    const Expected expected[] = {
        {"Rijndael with 256 bit key (AES)", "rijndael", 9, "Rijndael", "Rijndael (AES)"},
        {"RC6 with 256 bit key", "rc6", 4, "RC6", "RC6"},
        {"Mars with 256 bit key", "mars", 13, "Mars", "Mars"},
        {"Serpent with 256 bit key", "serpent", 26, "Serpent", "Serpent"},
        {"TwoFish with 256 bit key", "twofish", 6, "Twofish", "Twofish"},
    };
    ASSERT_EQ(kCipherCount, 5);
    EXPECT_EQ(kDefaultCipherIndex, 0);
    for (int i = 0; i < kCipherCount; ++i) {
        const Expected& e = expected[i];
        EXPECT_EQ(cipherEntries()[i].displayText, e.text);
        EXPECT_EQ(cipherEntries()[i].cliName, e.cli);
        EXPECT_EQ(cipherDisplayText(i), e.text);
        auto c = makeCipher(i);
        ASSERT_TRUE(c);
        EXPECT_EQ(c->Id(), e.id);
        EXPECT_EQ(c->Algorithm(), e.algorithm);
        EXPECT_EQ(cipherStatusName(*c), e.status);
        EXPECT_GE(c->MaxKeySize(), 256);
        EXPECT_FALSE(c->Keyed());
    }
}

TEST(CipherList, EveryCipherTakesA256BitKeyAndPassesItsSelfTest)
{
    std::uint8_t key[32], iv[16], buf[64], copy[64];
    for (int i = 0; i < 32; ++i) key[i] = std::uint8_t(i * 11);
    for (int i = 0; i < 16; ++i) iv[i] = std::uint8_t(i);
    for (int i = 0; i < 64; ++i) buf[i] = copy[i] = std::uint8_t(i * 7);
    for (int i = 0; i < kCipherCount; ++i) {
        auto c = makeCipher(i);
        EXPECT_TRUE(c->CheckVectors()) << cipherDisplayText(i);
        c->SetKey(key, 256, iv);
        c->CipherMode = cmCBC;
        c->EncryptData(buf, buf, sizeof buf);
        EXPECT_NE(0, std::memcmp(buf, copy, sizeof buf));
        c->ResetChain();
        c->DecryptData(buf, buf, sizeof buf);
        EXPECT_EQ(0, std::memcmp(buf, copy, sizeof buf)) << cipherDisplayText(i);
        c->Wipe();
        EXPECT_FALSE(c->Keyed());
    }
}

TEST(CipherList, ItemsAreDifferentCiphers)
{
    std::uint8_t key[32] = {}, zero[16] = {}, out[kCipherCount][16];
    for (int i = 0; i < kCipherCount; ++i) {
        auto c = makeCipher(i);
        c->SetKey(key, 256, nullptr);
        c->EncryptBlock(zero, out[i]);
        for (int j = 0; j < i; ++j) EXPECT_NE(0, std::memcmp(out[i], out[j], 16));
    }
}

TEST(CipherList, UnknownNumbersAreRefused)
{
    EXPECT_FALSE(isValidCipherIndex(-1));
    EXPECT_FALSE(isValidCipherIndex(5));
    EXPECT_TRUE(isValidCipherIndex(4));
    for (int bad : {-1, 5, 255}) {
        try {
            makeCipher(bad);
            ADD_FAILURE() << "cipher number " << bad << " accepted";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Unknown cipher number");
        }
        EXPECT_THROW(cipherDisplayText(bad), Error);
    }
}

TEST(CipherList, LookupByNameOrNumber)
{
    EXPECT_EQ(findCipher("rijndael"), 0);
    EXPECT_EQ(findCipher("RC6"), 1);
    EXPECT_EQ(findCipher("Mars"), 2);
    EXPECT_EQ(findCipher("SERPENT"), 3);
    EXPECT_EQ(findCipher("TwoFish"), 4);
    for (int i = 0; i < kCipherCount; ++i) EXPECT_EQ(findCipher(std::string(1, char('0' + i))), i);
    for (const char* bad : {"", "5", "9", "-1", "00", "aes", "twofish ", " rc6", "rc", "serpent2"})
        EXPECT_EQ(findCipher(bad), -1) << '"' << bad << '"';
}

} // namespace
} // namespace zerath
