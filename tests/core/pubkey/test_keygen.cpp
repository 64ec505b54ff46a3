// The key pair generation operation behind the generation dialog, and the
// sample key pair kept under tests/data/keys.
#include "pubkey/KeyPairGenerator.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "TempDir.h"
#include "common/FileIO.h"
#include "filecrypt/FieldProtection.h"
#include "pubkey/KeyFile.h"
#include "TestHelpers.h"
#include "test_keygen_fixture.h"

using namespace zerath;
using namespace zerath::test;

namespace {

struct CountingPump : MessagePump {
    int calls = 0;
    void processEvents() override { ++calls; }
};

int FileCount(const std::string& dir)
{
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        (void)e;
        ++n;
    }
    return n;
}

} // namespace

TEST(KeyGenFiles, UniqueNameAddsACounterFormedFromTheProposedName)
{
    TempDir dir;
    const std::string p = dir.file("PrivateABCD1234.akf");
    EXPECT_EQ(UniqueKeyFileName(p), p);
    zerath::test::writeFile(p, "x");
    EXPECT_EQ(UniqueKeyFileName(p), dir.file("PrivateABCD1234_1.akf"));
    zerath::test::writeFile(dir.file("PrivateABCD1234_1.akf"), "x");
    EXPECT_EQ(UniqueKeyFileName(p), dir.file("PrivateABCD1234_2.akf"));
    zerath::test::writeFile(dir.file("PrivateABCD1234_3.akf"), "x");
    EXPECT_EQ(UniqueKeyFileName(p), dir.file("PrivateABCD1234_2.akf"));
    zerath::test::writeFile(dir.file("PrivateABCD1234_2.akf"), "x");
    EXPECT_EQ(UniqueKeyFileName(p), dir.file("PrivateABCD1234_4.akf")); // not "_2_1"
}

TEST(KeyGenFiles, StatusTextSplitsMinutesAndSeconds)
{
    EXPECT_EQ(KeyPairGeneratedStatus(75000), "Key Pair generated in 1 mn, 15 sec");
    EXPECT_EQ(KeyPairGeneratedStatus(900), "Key Pair generated in 0 mn, 0 sec");
    EXPECT_EQ(KeyPairGeneratedStatus(59999), "Key Pair generated in 0 mn, 59 sec");
    EXPECT_EQ(KeyPairGeneratedStatus(3600000), "Key Pair generated in 60 mn, 0 sec");
}

TEST(KeyGenFiles, BadOwnerIsRefusedBeforeAnythingIsGenerated)
{
    TempDir dir;
    int candidates = 0;
    CountingPump pump;
    auto count = [&](int) { ++candidates; };
    EXPECT_EQ(errorOf<Error>([&] { GenerateKeyPairFiles(dir.path(), "Al|ce", "passphrase", pump, count); }),
              "The Key Owner cannot contain the character |.");
    EXPECT_EQ(errorOf<Error>([&] { GenerateKeyPairFiles(dir.path(), std::string(74, 'a'), "passphrase", pump, count); }),
              "The Key Owner cannot be longer than 73 characters.");
    EXPECT_EQ(candidates, 0);
    EXPECT_EQ(pump.calls, 0);
    EXPECT_EQ(FileCount(dir.path()), 0);
}

TEST(KeyGenFiles, WritesBothFilesThatLoadBackAsOnePair)
{
    TempDir dir;
    CountingPump pump;
    int last = 0;
    std::string folder = dir.path();
    folder.pop_back(); // no trailing slash: one is added
    // A small key keeps this fast; the programs always ask for 2048 bits.
    const KeyPairResult r =
        GenerateKeyPairFiles(folder, "Alice Example", "correct horse battery", pump, [&](int n) { last = n; }, 384);
    EXPECT_EQ(r.PrivateKeyFile, dir.file("Private" + r.PrivateKeyID + ".akf"));
    EXPECT_EQ(r.PublicKeyFile, dir.file("Public" + r.PublicKeyID + ".akf"));
    EXPECT_NE(r.PrivateKeyID, r.PublicKeyID);
    EXPECT_GE(r.ElapsedMs, 0);
    EXPECT_GT(last, 0);
    EXPECT_GT(pump.calls, last);
    EXPECT_EQ(modeOf(r.PrivateKeyFile), 0600u);
    EXPECT_EQ(modeOf(r.PublicKeyFile), 0644u);
    EXPECT_EQ(FileCount(dir.path()), 2);

    TPrivateKey priv;
    priv.Passphrase = SecureString("correct horse battery");
    priv.LoadFromFile(r.PrivateKeyFile);
    TPublicKey pub;
    pub.Passphrase = SecureString(FixedProtectionPassphrase());
    pub.LoadFromFile(r.PublicKeyFile);
    EXPECT_EQ(priv.KeyID, r.PrivateKeyID);
    EXPECT_EQ(pub.KeyID, r.PublicKeyID);
    EXPECT_EQ(priv.KeyOwner, "Alice Example");
    EXPECT_EQ(pub.KeyOwner, "Alice Example");
    EXPECT_EQ(priv.KeyCreationDate, r.CreationDate);
    EXPECT_EQ(pub.KeyCreationDate, r.CreationDate);
    EXPECT_EQ(priv.Decrypt(pub.Encrypt("1234abcd")).view(), "1234abcd");
    EXPECT_EQ(zerath::test::readFile(r.PrivateKeyFile).rfind(std::string(kPrivateKeyBeginMarker), 0), 0u);
    EXPECT_EQ(zerath::test::readFile(r.PublicKeyFile).rfind(std::string(kPublicKeyBeginMarker), 0), 0u);
}

TEST(KeyGenFiles, EmptyPassphraseFailsWithTheSaveMessage)
{
    TempDir dir;
    EXPECT_EQ(errorOf<Error>([&] { GenerateKeyPairFiles(dir.path(), "Alice", "", nullPump(), {}, 256); }),
              "Private Key file passphrase cannot be empty");
    EXPECT_EQ(errorOf<Error>([&] { GenerateKeyPairFiles(dir.path(), "", "secret", nullPump(), {}, 256); }),
              "The Key Owner cannot be empty.");
    EXPECT_EQ(FileCount(dir.path()), 0);
}

// The committed sample pair that other tests and fuzz seeds use.
TEST(KeyGenSample, CommittedPairLoadsAndBelongsTogether)
{
    const std::string privPath = zerath::test::dataPath("keys/alice-private.akf");
    const std::string pubPath = zerath::test::dataPath("keys/alice-public.akf");
    if (!fileExists(privPath)) GTEST_SKIP() << "sample pair not present";
    TPrivateKey priv;
    priv.Passphrase = SecureString("correct horse battery");
    priv.LoadFromFile(privPath);
    TPublicKey pub;
    pub.Passphrase = SecureString(FixedProtectionPassphrase());
    pub.LoadFromFile(pubPath);
    EXPECT_EQ(*pub.Modulus, *priv.Modulus);
    EXPECT_EQ(*pub.Exponent, *priv.ExponentE);
    EXPECT_EQ(pub.KeyOwner, priv.KeyOwner);
    EXPECT_EQ(priv.GetPublicKey()->FingerPrint, pub.FingerPrint);
    EXPECT_EQ(priv.Decrypt(pub.Encrypt("c0ffee")).view(), "c0ffee");
    EXPECT_GT(priv.Modulus->BitLength(), 2000);
}

// Run once by hand to (re)make the sample pair:
//   test_pubkey --gtest_also_run_disabled_tests --gtest_filter='*WriteSamplePair*'
TEST(KeyGenSample, DISABLED_WriteSamplePair)
{
    TPrivateKey priv;
    priv.GenerateKeys(2048);
    auto pub = priv.GetPublicKey();
    priv.KeyOwner = pub->KeyOwner = "Alice Example <alice@example.org>";
    priv.Passphrase = SecureString("correct horse battery");
    pub->Passphrase = SecureString(FixedProtectionPassphrase());
    priv.SaveToFile(zerath::test::dataPath("keys/alice-private.akf"));
    pub->SaveToFile(zerath::test::dataPath("keys/alice-public.akf"));
}
