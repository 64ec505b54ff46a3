// TPrivateKey: generation, the private operation, the private key file.
#include "pubkey/PrivateKey.h"

#include <openssl/sha.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "TempDir.h"
#include "common/FileIO.h"
#include "pubkey/KeyFile.h"
#include "test_keyfile_oracle.h"
#include "TestHelpers.h"
#include "test_keygen_fixture.h"

using namespace zerath;
using namespace zerath::test;

namespace {

const std::string kPass = "correct horse battery";

std::string Sha1Upper(const std::string& s)
{
    unsigned char d[20];
    SHA1(reinterpret_cast<const unsigned char*>(s.data()), s.size(), d);
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char b : d) {
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

mpz_class RandomBelow(gmp_randclass& r, const mpz_class& n) { return r.get_z_range(n); }

TPrivateKey SavedCopy()
{
    TPrivateKey k = SharedPair().Key;
    k.KeyOwner = "Alice Example";
    k.Passphrase = SecureString(kPass);
    return k;
}

} // namespace

TEST(PrivateKeyGenerate, PairHasEveryPropertyOfTheConstruction)
{
    const auto& pair = SharedPair();
    const TPrivateKey& k = pair.Key;
    ASSERT_TRUE(k.Modulus && k.ExponentE && k.ExponentD);
    const mpz_class p = Mpz(pair.Primes.P), q = Mpz(pair.Primes.Q);
    const mpz_class n = Mpz(*k.Modulus), e = Mpz(*k.ExponentE), d = Mpz(*k.ExponentD);
    EXPECT_NE(p, q);
    EXPECT_EQ(n, p * q);
    EXPECT_GT(mpz_probab_prime_p(p.get_mpz_t(), 30), 0);
    EXPECT_GT(mpz_probab_prime_p(q.get_mpz_t(), 30), 0);
    EXPECT_LE(mpz_sizeinbase(p.get_mpz_t(), 2), 1024u);
    EXPECT_LE(mpz_sizeinbase(q.get_mpz_t(), 2), 1024u);
    EXPECT_GT(mpz_sizeinbase(n.get_mpz_t(), 2), 2000u);
    EXPECT_TRUE(mpz_odd_p(e.get_mpz_t()));
    EXPECT_GE(e, 3);
    EXPECT_LT(e, mpz_class("FFFF0000", 16));
    EXPECT_GT(mpz_probab_prime_p(e.get_mpz_t(), 30), 0);
    const mpz_class phi = (p - 1) * (q - 1);
    EXPECT_EQ(mpz_class(gcd(e, phi)), 1);
    EXPECT_EQ(mpz_class((d * e) % phi), 1);
    EXPECT_GT(d, 0);
    EXPECT_LT(d, phi);

    EXPECT_TRUE(std::regex_match(k.KeyCreationDate, std::regex("[0-9]{2}/[0-9]{2}/[0-9]{4}")));
    EXPECT_TRUE(std::regex_match(k.KeyCreationTime, std::regex("[0-9]{2}:[0-9]{2}:[0-9]{2}")));
    EXPECT_EQ(k.FingerPrint,
              Sha1Upper(Hex(n) + Hex(d) + Hex(e) + k.KeyCreationDate + k.KeyCreationTime));
    EXPECT_EQ(k.KeyID, k.FingerPrint.substr(32));
    EXPECT_TRUE(k.KeyOwner.empty());
    EXPECT_TRUE(k.Passphrase.empty());

    // The pump runs once per round and once per candidate; progress counts candidates.
    EXPECT_GE(pair.Candidates, 2);
    EXPECT_GE(pair.Pumps, pair.Candidates + 1);
}

TEST(PrivateKeyGenerate, PublicKeyHasItsOwnFingerPrint)
{
    const TPrivateKey& k = SharedPair().Key;
    const auto pub = k.GetPublicKey();
    ASSERT_TRUE(pub->Modulus && pub->Exponent);
    EXPECT_EQ(*pub->Modulus, *k.Modulus);
    EXPECT_EQ(*pub->Exponent, *k.ExponentE);
    EXPECT_EQ(pub->KeyCreationDate, k.KeyCreationDate);
    EXPECT_EQ(pub->KeyCreationTime, k.KeyCreationTime);
    EXPECT_EQ(pub->FingerPrint, Sha1Upper(k.Modulus->ToString(16) + k.ExponentE->ToString(16) +
                                          k.KeyCreationDate + k.KeyCreationTime));
    EXPECT_EQ(pub->KeyID, pub->FingerPrint.substr(32));
    EXPECT_NE(pub->FingerPrint, k.FingerPrint);
    EXPECT_NE(pub->KeyID, k.KeyID);
    EXPECT_TRUE(pub->KeyOwner.empty());
    EXPECT_TRUE(pub->Passphrase.empty());
}

TEST(PrivateKeyRsa, EncryptDecryptAgreeWithGmpAndRoundTrip)
{
    const TPrivateKey& k = SharedPair().Key;
    const auto pub = k.GetPublicKey();
    const mpz_class n = Mpz(*k.Modulus), e = Mpz(*k.ExponentE), d = Mpz(*k.ExponentD);
    gmp_randclass rng(gmp_randinit_default);
    rng.seed(12345);
    std::vector<mpz_class> inputs{0, 1, 2, n - 1, n, n + 1, 2 * n + 5, n * n + 3};
    for (int i = 0; i < 8; ++i) inputs.push_back(RandomBelow(rng, n));
    inputs.push_back(rng.get_z_bits(256)); // a session key sized number
    for (const auto& m : inputs) {
        mpz_class c, back;
        mpz_powm(c.get_mpz_t(), m.get_mpz_t(), e.get_mpz_t(), n.get_mpz_t());
        const std::string cText = pub->Encrypt(Hex(m));
        EXPECT_EQ(cText, Hex(c)) << Hex(m);
        mpz_powm(back.get_mpz_t(), m.get_mpz_t(), d.get_mpz_t(), n.get_mpz_t());
        EXPECT_EQ(k.Decrypt(Hex(m)).view(), Hex(back)) << Hex(m);
        EXPECT_EQ(k.DecryptUnblinded(Hex(m)).view(), Hex(back)) << Hex(m);
        if (m < n) {
            EXPECT_EQ(k.Decrypt(cText).view(), Hex(m)); // m below n comes back
        }
    }
    // Upper-case input parses too.
    EXPECT_EQ(k.Decrypt("ABCDEF").view(), k.DecryptUnblinded("abcdef").view());
}

TEST(PrivateKeyRsa, BlindedResultEqualsPlainEvenForAMismatchedExponent)
{
    TPrivateKey k = SharedPair().Key;
    k.ExponentE->AddSmall(2); // no longer the partner of d
    const std::string m = "123456789abcdef";
    EXPECT_EQ(k.Decrypt(m).view(), k.DecryptUnblinded(m).view());
    k.ExponentE.reset(); // no e: plain computation
    EXPECT_EQ(k.Decrypt(m).view(), SharedPair().Key.Decrypt(m).view());
}

TEST(PrivateKeyRsa, DecryptFailures)
{
    const TPrivateKey& k = SharedPair().Key;
    EXPECT_EQ(errorOf<Error>([&] { k.Decrypt("12 34"); }), "RSA Decryption Error");
    EXPECT_EQ(errorOf<Error>([&] { k.Decrypt(""); }), "RSA Decryption Error");
    EXPECT_EQ(errorOf<Error>([&] { k.Decrypt("xyz"); }), "RSA Decryption Error");
    TPrivateKey empty;
    EXPECT_EQ(errorOf<Error>([&] { empty.Decrypt("12"); }), "RSA Decryption Error");
    // Small hand-made key: n = 55, e = 3, d = 27.
    TPrivateKey small(TBigint::CreateFromInt64(3), TBigint::CreateFromInt64(55), TBigint::CreateFromInt64(27));
    EXPECT_EQ(small.Decrypt("8").view(), "2");
    EXPECT_EQ(small.Decrypt("0").view(), "0");
    EXPECT_EQ(small.Decrypt("40").view(), small.DecryptUnblinded("40").view()); // 64 >= n
}

TEST(PrivateKeyFile, SaveAndLoadGiveTheSameKeyBack)
{
    TempDir dir;
    const std::string path = dir.file("Private.akf");
    const TPrivateKey k = SavedCopy();
    k.SaveToFile(path);

    struct stat st{};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    const std::string file = zerath::test::readFile(path);
    const std::string begin(kPrivateKeyBeginMarker), end(kPrivateKeyEndMarker);
    EXPECT_EQ(file.rfind(begin + "\r\n", 0), 0u);
    const std::string body = k.KeyFileBody().data();
    EXPECT_EQ(zerath::test::OracleOpenFile(file, kPass), body);
    EXPECT_EQ(file, zerath::test::OracleFile(begin, end, zerath::test::OracleSeal(body, kPass)));
    EXPECT_EQ(body.find(k.ExponentD->ToString(16)), body.find("ExponentD=") + 10);
    EXPECT_EQ(file.find(k.ExponentD->ToString(16).substr(0, 16)), std::string::npos);

    TPrivateKey loaded;
    loaded.Passphrase = SecureString(kPass);
    loaded.LoadFromFile(path);
    EXPECT_EQ(*loaded.Modulus, *k.Modulus);
    EXPECT_EQ(*loaded.ExponentE, *k.ExponentE);
    EXPECT_EQ(*loaded.ExponentD, *k.ExponentD);
    EXPECT_EQ(loaded.KeyOwner, k.KeyOwner);
    EXPECT_EQ(loaded.KeyCreationDate, k.KeyCreationDate);
    EXPECT_EQ(loaded.KeyCreationTime, k.KeyCreationTime);
    EXPECT_EQ(loaded.FingerPrint, k.FingerPrint);
    EXPECT_EQ(loaded.KeyID, k.KeyID);

    // Saving over an existing file replaces it.
    TPrivateKey other = k;
    other.KeyOwner = "Somebody Else";
    other.SaveToFile(path);
    loaded.LoadFromFile(path);
    EXPECT_EQ(loaded.KeyOwner, "Somebody Else");
}

TEST(PrivateKeyFile, BodyLayoutIsExact)
{
    TPrivateKey k(TBigint::CreateFromInt64(3), TBigint::CreateFromInt64(0x37), TBigint::CreateFromInt64(27));
    k.KeyOwner = "Bob";
    k.KeyCreationDate = "01/02/2024";
    k.KeyCreationTime = "10:11:12";
    const std::string lines = "[PrivateKey]\r\nKeyOwner=Bob\r\nModulus=37\r\nExponentE=3\r\nExponentD=1b\r\n"
                              "CDate=01/02/2024\r\nCTime=10:11:12\r\n";
    EXPECT_EQ(k.KeyFileBody().view(), lines + zerath::test::OracleCrc(lines) + "\r\n");
}

TEST(PrivateKeyFile, SaveErrorsComeInOrder)
{
    TempDir dir;
    const std::string path = dir.file("x.akf");
    TPrivateKey k;
    EXPECT_EQ(errorOf<Error>([&] { k.SaveToFile(path); }), "The Key Owner cannot be empty.");
    k.KeyOwner = "Owner";
    EXPECT_EQ(errorOf<Error>([&] { k.SaveToFile(path); }), "One or more Key parameter is empty");
    k.ExponentE = TBigint::CreateFromInt64(3);
    k.Modulus = TBigint::CreateFromInt64(55);
    EXPECT_EQ(errorOf<Error>([&] { k.SaveToFile(path); }), "One or more Key parameter is empty");
    k.ExponentD = TBigint::CreateFromInt64(27);
    EXPECT_EQ(errorOf<Error>([&] { k.SaveToFile(path); }), "Private Key file passphrase cannot be empty");
    EXPECT_FALSE(fileExists(path));
    k.Passphrase = SecureString("p");
    EXPECT_NO_THROW(k.SaveToFile(path));
    EXPECT_EQ(errorOf<Error>([&] { k.SaveToFile(dir.file("no/such/folder.akf")); }), "File not found");
}

TEST(PrivateKeyFile, LoadErrorsComeInOrder)
{
    TempDir dir;
    const std::string path = dir.file("Private.akf");
    const TPrivateKey k = SavedCopy();
    k.SaveToFile(path);

    TPrivateKey loaded;
    EXPECT_EQ(errorOf<Error>([&] { loaded.LoadFromFile(dir.file("missing.akf")); }), "File not found");
    EXPECT_EQ(errorOf<Error>([&] { loaded.LoadFromFile(path); }), "The Key encryption passphrase cannot be empty!");
    loaded.Passphrase = SecureString("correct horse batterY");
    EXPECT_EQ(errorOf<Error>([&] { loaded.LoadFromFile(path); }), "RSA Key decryption Error. Corrupted key file!");
    EXPECT_FALSE(loaded.Modulus.has_value());

    // A body re-enciphered with one owner character changed, its CRC kept.
    std::string body = k.KeyFileBody().data();
    body.replace(body.find("Alice"), 1, "B");
    const std::string tampered = dir.file("tampered.akf");
    zerath::test::writeFile(tampered, zerath::test::OracleFile(std::string(kPrivateKeyBeginMarker),
                                                               std::string(kPrivateKeyEndMarker),
                                                               zerath::test::OracleSeal(body, kPass)));
    loaded.Passphrase = SecureString(kPass);
    EXPECT_EQ(errorOf<Error>([&] { loaded.LoadFromFile(tampered); }), "Key file Corrupted, operation aborted");

    // Sound CRC but a number that is not hexadecimal.
    std::string lines = "[PrivateKey]\r\nKeyOwner=x\r\nModulus=37\r\nExponentE=3\r\nExponentD=zz\r\nCDate=\r\nCTime=\r\n";
    zerath::test::writeFile(tampered, zerath::test::OracleFile("#", "#",
                                                               zerath::test::OracleSeal(lines + zerath::test::OracleCrc(lines) + "\r\n", kPass)));
    EXPECT_EQ(errorOf<Error>([&] { loaded.LoadFromFile(tampered); }), "Public RSA Key Loading Error");
    // The date and time are assigned before the numbers are parsed.
    lines = "[PrivateKey]\r\nKeyOwner=x\r\nModulus=37\r\nExponentE=3\r\nCDate=d\r\nCTime=t\r\n";
    zerath::test::writeFile(tampered, zerath::test::OracleFile("#", "#",
                                                               zerath::test::OracleSeal(lines + zerath::test::OracleCrc(lines), kPass)));
    TPrivateKey partial;
    partial.Passphrase = SecureString(kPass);
    EXPECT_EQ(errorOf<Error>([&] { partial.LoadFromFile(tampered); }), "Public RSA Key Loading Error");
    EXPECT_EQ(partial.KeyCreationDate, "d");
    EXPECT_EQ(partial.KeyCreationTime, "t");
    EXPECT_EQ(partial.FingerPrint, Sha1Upper("373dt"));
    EXPECT_TRUE(partial.KeyOwner.empty());
}

TEST(PrivateKeyFile, PublicLoaderRefusesAPrivateKeyFile)
{
    TempDir dir;
    const std::string path = dir.file("Private.akf");
    SavedCopy().SaveToFile(path);
    TPublicKey pub;
    pub.Passphrase = SecureString(kPass);
    EXPECT_EQ(errorOf<Error>([&] { pub.LoadFromFile(path); }), "Public RSA Key Loading Error");
}

TEST(PrivateKeyFile, OtherLineBreaksAndCommentLinesLoad)
{
    TempDir dir;
    const std::string path = dir.file("Private.akf");
    const TPrivateKey k = SavedCopy();
    k.SaveToFile(path);
    const std::string original = zerath::test::readFile(path);
    auto replaceAll = [](std::string s, const std::string& from, const std::string& to) {
        for (std::size_t pos = 0; (pos = s.find(from, pos)) != std::string::npos; pos += to.size())
            s.replace(pos, from.size(), to);
        return s;
    };
    const std::vector<std::string> variants{
        replaceAll(original, "\r\n", "\n"),
        replaceAll(original, "\r\n", "\r"),
        "# exported by hand\r\n" + replaceAll(original, "\r\n", "\r\n#\r\n") + "#trailer",
        replaceAll(original, "\r\n", "\n\r"),
    };
    for (const auto& v : variants) {
        zerath::test::writeFile(path, v);
        TPrivateKey loaded;
        loaded.Passphrase = SecureString(kPass);
        ASSERT_NO_THROW(loaded.LoadFromFile(path));
        EXPECT_EQ(loaded.FingerPrint, k.FingerPrint);
        EXPECT_EQ(*loaded.ExponentD, *k.ExponentD);
    }
}
