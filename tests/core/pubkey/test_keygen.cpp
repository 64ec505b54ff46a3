// Key pair generation and the raw RSA operations: a generated pair against
// GMP, the committed sample pair for the operations.
#include "pubkey/KeyPairGenerator.h"

#include <gtest/gtest.h>

#include "BigIntOracle.h"
#include "TempDir.h"
#include "TestHelpers.h"
#include "TestUi.h"
#include "pubkey/KeyFile.h"

namespace zerath {
namespace {

using namespace zerath::test;

mpz_class mpz(const std::optional<TBigint>& v) { return toMpz(*v); }

const TPrivateKey& sample()
{
    static const TPrivateKey k = loadPrivateKey(keyFileOf(TestKey::AlicePair));
    return k;
}

TEST(KeyGen, PairHasEveryPropertyOfTheConstruction)
{
    // The only 2048-bit generation of the program: other tests use the committed pair.
    TPrivateKey k;
    KeyGenPrimes primes;
    CountingPump pump;
    int candidates = 0;
    k.GenerateKeys(2048, pump, [&](int n) { candidates = n; }, &primes);
    const mpz_class p = toMpz(primes.P), q = toMpz(primes.Q), n = mpz(k.Modulus), e = mpz(k.ExponentE), d = mpz(k.ExponentD);
    EXPECT_NE(p, q);
    EXPECT_EQ(n, p * q);
    for (const mpz_class* prime : {&p, &q}) {
        EXPECT_GT(mpz_probab_prime_p(prime->get_mpz_t(), 30), 0);
        EXPECT_LE(mpz_sizeinbase(prime->get_mpz_t(), 2), 1024u);
    }
    EXPECT_GT(mpz_sizeinbase(n.get_mpz_t(), 2), 2000u);
    EXPECT_TRUE(e >= 3 && e < mpz_class("FFFF0000", 16) && mpz_probab_prime_p(e.get_mpz_t(), 30) > 0);
    const mpz_class phi = (p - 1) * (q - 1);
    EXPECT_EQ(mpz_class(gcd(e, phi)), 1);
    EXPECT_EQ(mpz_class((d * e) % phi), 1);
    EXPECT_TRUE(d > 0 && d < phi);
    EXPECT_EQ(k.KeyID, k.FingerPrint.substr(32));
    const auto pub = k.GetPublicKey();
    EXPECT_NE(pub->FingerPrint, k.FingerPrint);
    EXPECT_EQ(pub->KeyID, pub->FingerPrint.substr(32));
    // The pump runs once per round and once per candidate; progress counts candidates.
    EXPECT_GE(candidates, 2);
    EXPECT_GE(pump.calls, candidates + 1);
}

// The committed pair: its public key is the one saved beside it, and both
// operations agree with GMP, blinded or not, for inputs below and above n.
TEST(Rsa, SamplePairAgreesWithGmp)
{
    const TPrivateKey& k = sample();
    const TPublicKey pub = loadPublicKey(keyFileOf(TestKey::AlicePublic));
    EXPECT_EQ(k.GetPublicKey()->FingerPrint, pub.FingerPrint);
    const mpz_class n = mpz(k.Modulus), e = mpz(k.ExponentE), d = mpz(k.ExponentD);
    gmp_randclass rng(gmp_randinit_default);
    rng.seed(12345);
    std::vector<mpz_class> inputs{0, 1, 2, n - 1, n, n + 1, n * n + 3, rng.get_z_bits(256)};
    for (int i = 0; i < 8; ++i) inputs.push_back(rng.get_z_range(n));
    for (const mpz_class& m : inputs) {
        mpz_class c, back;
        mpz_powm(c.get_mpz_t(), m.get_mpz_t(), e.get_mpz_t(), n.get_mpz_t());
        mpz_powm(back.get_mpz_t(), m.get_mpz_t(), d.get_mpz_t(), n.get_mpz_t());
        const std::string text = m.get_str(16);
        EXPECT_EQ(pub.Encrypt(text), c.get_str(16)) << text;
        EXPECT_EQ(k.Decrypt(text).view(), back.get_str(16)) << text;
        EXPECT_EQ(k.DecryptUnblinded(text).view(), back.get_str(16)) << text;
        if (m < n) EXPECT_EQ(k.Decrypt(c.get_str(16)).view(), text);
    }
    // Blinding gives the plain result even when e is not d's partner, and none without e.
    TPrivateKey odd = k;
    odd.ExponentE->AddSmall(2);
    EXPECT_EQ(odd.Decrypt("123456789ABCDEF").view(), k.DecryptUnblinded("123456789abcdef").view());
    odd.ExponentE.reset();
    EXPECT_EQ(odd.Decrypt("123456789abcdef").view(), k.DecryptUnblinded("123456789abcdef").view());
}

TEST(Rsa, BadInputIsRefused)
{
    const TPublicKey pub(TBigint::CreateFromInt64(3), TBigint::CreateFromInt64(0x37)), zeroModulus(TBigint::CreateFromInt64(3), TBigint::CreateFromInt64(0));
    for (const char* bad : {"2 ", "", "0x2", "xyz"}) {
        EXPECT_EQ(errorOf<Error>([&] { pub.Encrypt(bad); }), "RSA Encryption Error") << bad;
        EXPECT_EQ(errorOf<Error>([&] { sample().Decrypt(bad); }), "RSA Decryption Error") << bad;
    }
    EXPECT_EQ(errorOf<Error>([&] { zeroModulus.Encrypt("2"); }), "RSA Encryption Error");
    EXPECT_EQ(errorOf<Error>([&] { TPrivateKey().Decrypt("12"); }), "RSA Decryption Error");
}

TEST(KeyGenFiles, WritesBothFilesThatLoadBackAsOnePair)
{
    TempDir dir;
    std::string folder = dir.path();
    folder.pop_back(); // no trailing slash: one is added
    // A small key keeps this fast; the programs always ask for 2048 bits.
    const KeyPairResult r = GenerateKeyPairFiles(folder, "Alice Example", "correct horse battery", nullPump(), {}, 384);
    EXPECT_EQ(r.PrivateKeyFile, dir.file("Private" + r.PrivateKeyID + ".akf"));
    EXPECT_EQ(r.PublicKeyFile, dir.file("Public" + r.PublicKeyID + ".akf"));
    EXPECT_EQ(modeOf(r.PrivateKeyFile), 0600u);
    EXPECT_EQ(modeOf(r.PublicKeyFile), 0644u);
    const TPrivateKey priv = loadPrivateKey(r.PrivateKeyFile);
    const TPublicKey pub = loadPublicKey(r.PublicKeyFile);
    EXPECT_EQ(priv.KeyID, r.PrivateKeyID);
    EXPECT_EQ(pub.KeyID, r.PublicKeyID);
    EXPECT_EQ(pub.KeyOwner, "Alice Example");
    EXPECT_EQ(priv.Decrypt(pub.Encrypt("1234abcd")).view(), "1234abcd");

    // Taken names get the first free counter.
    const std::string p = dir.file("PrivateABCD1234.akf");
    for (const char* taken : {"PrivateABCD1234.akf", "PrivateABCD1234_1.akf", "PrivateABCD1234_3.akf"}) writeFile(dir.file(taken), "x");
    EXPECT_EQ(UniqueKeyFileName(p), dir.file("PrivateABCD1234_2.akf"));
}

TEST(KeyGenFiles, BadInputIsRefusedBeforeAnythingIsGenerated)
{
    TempDir dir;
    CountingPump pump;
    for (const auto& c : std::vector<std::pair<std::string, std::string>>{
             {"Al|ce", "The Key Owner cannot contain the character |."},
             {std::string(74, 'a'), "The Key Owner cannot be longer than 73 characters."}})
        EXPECT_EQ(errorOf<Error>([&] { GenerateKeyPairFiles(dir.path(), c.first, "passphrase", pump, {}); }), c.second);
    EXPECT_EQ(pump.calls, 0);
    EXPECT_EQ(errorOf<Error>([&] { GenerateKeyPairFiles(dir.path(), "Alice", "", nullPump(), {}, 256); }),
              "Private Key file passphrase cannot be empty");
    EXPECT_TRUE(folderNames(dir.path()).empty());
}

} // namespace
} // namespace zerath
