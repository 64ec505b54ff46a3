// TPublicKey: the raw public operation and the public key file.
#include "pubkey/PublicKey.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "TempDir.h"
#include "common/FileIO.h"
#include "filecrypt/FieldProtection.h"
#include "pubkey/KeyFile.h"
#include "test_keyfile_oracle.h"
#include "TestHelpers.h"
#include "test_keygen_fixture.h"

using namespace zerath;
using namespace zerath::test;

namespace {

std::unique_ptr<TPublicKey> SavedPublic()
{
    auto pub = SharedPair().Key.GetPublicKey();
    pub->KeyOwner = "Alice Example";
    pub->Passphrase = SecureString(FixedProtectionPassphrase());
    return pub;
}

std::string FileAround(const std::string& lines)
{
    const std::string pass(FixedProtectionPassphrase());
    return zerath::test::OracleFile(std::string(kPublicKeyBeginMarker), std::string(kPublicKeyEndMarker),
                                    zerath::test::OracleSeal(lines, pass));
}

} // namespace

TEST(PublicKeyRsa, EncryptIsTheRawPublicOperation)
{
    TPublicKey k(TBigint::CreateFromInt64(3), TBigint::CreateFromInt64(0x37));
    EXPECT_EQ(k.Encrypt("2"), "8");
    EXPECT_EQ(k.Encrypt("0"), "0");
    EXPECT_EQ(k.Encrypt("0A"), "a");  // 1000 mod 55 = 10, lower-case out
    EXPECT_EQ(k.Encrypt("40"), "e");  // 64 >= n, not reduced first: 262144 mod 55 = 14
    EXPECT_EQ(errorOf<Error>([&] { k.Encrypt("2 "); }), "RSA Encryption Error");
    EXPECT_EQ(errorOf<Error>([&] { k.Encrypt(""); }), "RSA Encryption Error");
    EXPECT_EQ(errorOf<Error>([&] { k.Encrypt("0x2"); }), "RSA Encryption Error");
    TPublicKey empty;
    EXPECT_EQ(errorOf<Error>([&] { empty.Encrypt("2"); }), "RSA Encryption Error");
    TPublicKey zeroModulus(TBigint::CreateFromInt64(3), TBigint::CreateFromInt64(0));
    EXPECT_EQ(errorOf<Error>([&] { zeroModulus.Encrypt("2"); }), "RSA Encryption Error");
}

TEST(PublicKeyFile, SaveAndLoadGiveTheSameKeyBack)
{
    TempDir dir;
    const std::string path = dir.file("Public.akf");
    const auto pub = SavedPublic();
    pub->SaveToFile(path);

    struct stat st{};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);

    const std::string file = zerath::test::readFile(path);
    const std::string body = pub->KeyFileBody();
    const std::string lines = "[PublicKey]\r\nKeyOwner=Alice Example\r\nModulus=" + pub->Modulus->ToString(16) +
                              "\r\nExponent=" + pub->Exponent->ToString(16) + "\r\nCDate=" + pub->KeyCreationDate +
                              "\r\nCTime=" + pub->KeyCreationTime + "\r\n";
    EXPECT_EQ(body, lines + zerath::test::OracleCrc(lines) + "\r\n");
    EXPECT_EQ(file, FileAround(body));
    EXPECT_EQ(zerath::test::OracleOpenFile(file, std::string(FixedProtectionPassphrase())), body);
    for (const auto& line : SplitKeyFileLines(file)) EXPECT_LE(line.size(), 59u);

    TPublicKey loaded;
    loaded.Passphrase = SecureString(FixedProtectionPassphrase());
    loaded.LoadFromFile(path);
    EXPECT_EQ(*loaded.Modulus, *pub->Modulus);
    EXPECT_EQ(*loaded.Exponent, *pub->Exponent);
    EXPECT_EQ(loaded.KeyOwner, pub->KeyOwner);
    EXPECT_EQ(loaded.KeyCreationDate, pub->KeyCreationDate);
    EXPECT_EQ(loaded.KeyCreationTime, pub->KeyCreationTime);
    EXPECT_EQ(loaded.FingerPrint, pub->FingerPrint);
    EXPECT_EQ(loaded.KeyID, pub->KeyID);
    // Upper-case fingerprint, lower-case numbers.
    EXPECT_EQ(loaded.FingerPrint.find_first_of("abcdef"), std::string::npos);
    EXPECT_EQ(file.find(pub->Modulus->ToString(16).substr(0, 20)), std::string::npos); // enciphered

    // Loading into a key that holds numbers replaces them.
    TPublicKey reused(TBigint::CreateFromInt64(3), TBigint::CreateFromInt64(55));
    reused.Passphrase = SecureString(FixedProtectionPassphrase());
    reused.LoadFromFile(path);
    EXPECT_EQ(*reused.Modulus, *pub->Modulus);
}

TEST(PublicKeyFile, EmptyLineCountsBeforeTheEndMarkerAllLoad)
{
    // Owner lengths are varied until the base64 length leaves a remainder of 0
    // (two empty lines) and another (one). Base64 lengths are multiples of 4, so
    // a remainder of 49 needs a constructed armour (see below).
    TempDir dir;
    std::mt19937 rng(3);
    const std::string path = dir.file("p.akf");
    TPublicKey k(TBigint::CreateFromInt64(3), TBigint::CreateFromString("c4a5b1d3e7f9", 16));
    k.Passphrase = SecureString("pass");
    k.KeyCreationDate = "01/01/2024";
    k.KeyCreationTime = "00:00:00";
    std::set<int> seen;
    for (int len = 1; len < 400 && seen.size() < 2; ++len) {
        k.KeyOwner = std::string(static_cast<std::size_t>(len), 'o');
        for (auto& c : k.KeyOwner) c = static_cast<char>('!' + rng() % 90);
        const std::size_t b64 = SealKeyBody(k.KeyFileBody(), "pass").size();
        const int rem = static_cast<int>(b64 % 50);
        const int want = rem == 0 ? 2 : rem == 49 ? 3 : 1;
        if (seen.count(want)) continue;
        k.SaveToFile(path);
        const auto lines = SplitKeyFileLines(zerath::test::readFile(path));
        int empty = 0;
        for (int i = static_cast<int>(lines.size()) - 2; i >= 0 && lines[static_cast<std::size_t>(i)].empty(); --i)
            ++empty;
        EXPECT_EQ(empty, want) << "base64 length " << b64;
        TPublicKey loaded;
        loaded.Passphrase = SecureString("pass");
        ASSERT_NO_THROW(loaded.LoadFromFile(path)) << b64;
        EXPECT_EQ(loaded.KeyOwner, k.KeyOwner);
        seen.insert(want);
    }
    EXPECT_EQ(seen.size(), 2u);

    // An armour of 4k+1 characters (the odd last character is an incomplete group
    // that decoding ignores) leaving 49 over: three empty lines, and it loads.
    for (int len = 1; len < 400; ++len) {
        k.KeyOwner = std::string(static_cast<std::size_t>(len), 'o');
        for (auto& c : k.KeyOwner) c = static_cast<char>('!' + rng() % 90);
        const std::string armour = SealKeyBody(k.KeyFileBody(), "pass");
        if (armour.size() % 50 != 48) continue;
        const std::string file = FormatKeyFile(kPublicKeyBeginMarker, kPublicKeyEndMarker, armour + "A");
        const auto lines = SplitKeyFileLines(file);
        ASSERT_GE(lines.size(), 5u);
        EXPECT_EQ(lines[lines.size() - 2], "");
        EXPECT_EQ(lines[lines.size() - 3], "");
        EXPECT_EQ(lines[lines.size() - 4], "");
        EXPECT_EQ(lines[lines.size() - 5].size(), 49u);
        zerath::test::writeFile(path, file);
        TPublicKey loaded;
        loaded.Passphrase = SecureString("pass");
        ASSERT_NO_THROW(loaded.LoadFromFile(path));
        EXPECT_EQ(loaded.KeyOwner, k.KeyOwner);
        return;
    }
    ADD_FAILURE() << "no armour of 48 over 50 met";
}

TEST(PublicKeyFile, SaveErrorsComeInOrder)
{
    TempDir dir;
    const std::string path = dir.file("x.akf");
    TPublicKey k;
    EXPECT_EQ(errorOf<Error>([&] { k.SaveToFile(path); }), "The Key Owner cannot be empty.");
    k.KeyOwner = "Owner";
    EXPECT_EQ(errorOf<Error>([&] { k.SaveToFile(path); }), "Key parameters are empty");
    k.Modulus = TBigint::CreateFromInt64(55);
    EXPECT_EQ(errorOf<Error>([&] { k.SaveToFile(path); }), "Key parameters are empty");
    k.Exponent = TBigint::CreateFromInt64(3);
    EXPECT_EQ(errorOf<Error>([&] { k.SaveToFile(path); }), "Key file passphrase cannot be empty");
    EXPECT_FALSE(fileExists(path));
    k.Passphrase = SecureString("p");
    EXPECT_NO_THROW(k.SaveToFile(path));
}

TEST(PublicKeyFile, LoadErrorsComeInOrder)
{
    TempDir dir;
    const std::string path = dir.file("Public.akf");
    const auto pub = SavedPublic();
    pub->SaveToFile(path);

    TPublicKey k;
    EXPECT_EQ(errorOf<Error>([&] { k.LoadFromFile(dir.file("none.akf")); }), "File not found");
    EXPECT_EQ(errorOf<Error>([&] { k.LoadFromFile(path); }), "The Key encryption passphrase cannot be empty!");
    k.Passphrase = SecureString("not the fixed one");
    EXPECT_EQ(errorOf<Error>([&] { k.LoadFromFile(path); }), "RSA Key decryption Error. Corrupted key file!");

    k.Passphrase = SecureString(FixedProtectionPassphrase());
    std::string body = pub->KeyFileBody();
    body.replace(body.find("Alice"), 1, "a");
    zerath::test::writeFile(path, FileAround(body));
    EXPECT_EQ(errorOf<Error>([&] { k.LoadFromFile(path); }), "Key file Corrupted, operation aborted");

    const std::string noExponent = "[PublicKey]\r\nKeyOwner=x\r\nModulus=37\r\nCDate=a\r\nCTime=b\r\n";
    zerath::test::writeFile(path, FileAround(noExponent + zerath::test::OracleCrc(noExponent) + "\r\n"));
    EXPECT_EQ(errorOf<Error>([&] { k.LoadFromFile(path); }), "Public RSA Key Loading Error");
    EXPECT_EQ(k.FingerPrint, TPublicKey::CalcFingerPrint("37ab")); // assigned before the numbers fail
    EXPECT_FALSE(k.Modulus.has_value());
    EXPECT_TRUE(k.KeyOwner.empty());

    // Section and key names in another case, extra blank lines: still read.
    const std::string odd = "[publickey]\r\n\r\nkeyowner=x\r\nMODULUS=37\r\nexponent=3\r\nCDATE=a\r\nctime=b\r\n";
    zerath::test::writeFile(path, FileAround(odd + zerath::test::OracleCrc(odd)));
    ASSERT_NO_THROW(k.LoadFromFile(path));
    EXPECT_EQ(k.Encrypt("2"), "8");
    EXPECT_EQ(k.KeyOwner, "x");
}

TEST(PublicKeyFile, CommentLinesAndLoneLineBreaksAreAccepted)
{
    TempDir dir;
    const std::string path = dir.file("Public.akf");
    const auto pub = SavedPublic();
    pub->SaveToFile(path);
    std::string text = zerath::test::readFile(path);
    std::string crOnly, lfOnly;
    for (char c : text) {
        if (c != '\n') crOnly += c;
        if (c != '\r') lfOnly += c;
    }
    for (const std::string& v : {crOnly, lfOnly, "#x\n" + lfOnly + "#---whatever\r\n#"}) {
        zerath::test::writeFile(path, v);
        TPublicKey k;
        k.Passphrase = SecureString(FixedProtectionPassphrase());
        ASSERT_NO_THROW(k.LoadFromFile(path));
        EXPECT_EQ(k.FingerPrint, pub->FingerPrint);
    }
}

TEST(PublicKeyFile, KeyIdHelperStoresItsAnswer)
{
    TPublicKey k;
    EXPECT_EQ(k.CalcKeyID("A9993E364706816ABA3E25717850C26C9CD0D89D"), "9CD0D89D");
    EXPECT_EQ(k.KeyID, "9CD0D89D");
    std::vector<std::string> lines{std::string(60, 'z')};
    TPublicKey::WrapKeyLines(lines);
    EXPECT_EQ(lines.size(), 2u);
}
