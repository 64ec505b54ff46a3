#include <gtest/gtest.h>

#include <zlib.h>

#include <random>
#include <string>

#include "../keyring/test_keyring_fixture.h"
#include "filecrypt/FieldProtection.h"
#include "filecrypt/SessionKey.h"

using namespace zerath;
using namespace zerath::test;

namespace {

std::string hexOf(const unsigned char* b, std::size_t n)
{
    static const char* d = "0123456789ABCDEF";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += d[b[i] >> 4];
        s += d[b[i] & 15];
    }
    return s;
}

// The session key number's text without leading zeros, lower case.
std::string normalised(std::string s)
{
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto nz = s.find_first_not_of('0');
    return nz == std::string::npos ? "0" : s.substr(nz);
}

} // namespace

TEST(SessionKey, UnwrapGivesTheSessionKeyTextBackIncludingALeadingZero)
{
    const KeyRecord pub = storedPublicRecord();
    const KeyRecord pair = storedPairRecord();
    std::mt19937 rng(77);
    for (int round = 0; round < 6; ++round) {
        unsigned char key[32];
        for (auto& b : key) b = static_cast<unsigned char>(rng());
        if (round == 0) key[0] = 0x0A; // first byte below 0x10: the text loses its first digit
        if (round == 1) key[0] = 0x00, key[1] = 0x03;
        const std::string text = hexOf(key, 32);

        std::uint32_t checkWrap = 0, checkUnwrap = 0;
        std::string wrapped;
        EncryptSymKey(round % 2 ? pair : pub, text, checkWrap, wrapped);
        EXPECT_EQ(wrapped.find_first_of("ABCDEF"), std::string::npos);
        ASSERT_FALSE(wrapped.empty());
        EXPECT_NE(wrapped[0], '0');

        SecureString back;
        DecryptSymKey(pair, wrapped, kTestPassphrase, checkUnwrap, back);
        EXPECT_EQ(std::string(back.view()), normalised(text)) << round;
        EXPECT_EQ(checkWrap, checkUnwrap);
    }
}

TEST(SessionKey, CheckValueIsCrcOfClearExponentThenModulusAndAgreesAcrossRecords)
{
    const KeyRecord& clearPub = clearPublicRecord();
    const std::string joined = clearPub.ExponentE + clearPub.ModulusN;
    const auto expected =
        static_cast<std::uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(joined.data()), static_cast<uInt>(joined.size())));
    EXPECT_EQ(KeyCheckValue(clearPub.ExponentE, clearPub.ModulusN), expected);

    std::uint32_t fromPublic = 0, fromPair = 0;
    std::string wrapped;
    EncryptSymKey(storedPublicRecord(), "1234", fromPublic, wrapped);
    SecureString back;
    DecryptSymKey(storedPairRecord(), wrapped, kTestPassphrase, fromPair, back);
    EXPECT_EQ(fromPublic, expected);
    EXPECT_EQ(fromPair, expected);
    EXPECT_EQ(back.view(), "1234");
}

TEST(SessionKey, CheckPrivatePassphraseMainWindowForm)
{
    const KeyRecord pair = storedPairRecord();
    EXPECT_TRUE(CheckPrivatePassphrase(pair, kTestPassphrase));
    EXPECT_FALSE(CheckPrivatePassphrase(pair, "correct horse batterY"));
    EXPECT_FALSE(CheckPrivatePassphrase(pair, ""));
    // A public key's empty ExponentD is refused as a zero-length text.
    EXPECT_FALSE(CheckPrivatePassphrase(storedPublicRecord(), kTestPassphrase));
    // Damaged public numbers fail the check as well.
    KeyRecord damaged = pair;
    damaged.ModulusN = ProtectField("xyz", FixedProtectionPassphrase());
    EXPECT_FALSE(CheckPrivatePassphrase(damaged, kTestPassphrase));
}

TEST(SessionKey, WrongPassphraseOrDamagedFieldsRaiseErrors)
{
    std::uint32_t check = 0;
    SecureString back;
    std::string wrapped;
    EncryptSymKey(storedPublicRecord(), "abc", check, wrapped);
    EXPECT_THROW(DecryptSymKey(storedPairRecord(), wrapped, "wrong", check, back), Error);
    KeyRecord damaged = storedPublicRecord();
    damaged.ExponentE = "!!!!";
    try {
        EncryptSymKey(damaged, "abc", check, wrapped);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "AES Encryption Error");
    }
}
