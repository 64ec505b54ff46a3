// The private operation's fixed-window exponentiation against GMP: random odd
// moduli of many sizes, exponents of every length up to past the modulus's,
// and the committed key pair's blinded and plain decryption.
#include <gmpxx.h>
#include <gtest/gtest.h>

#include "KeyRingFixture.h"
#include "TempDir.h"
#include "pubkey/PrivateKey.h"

using namespace zerath;
using namespace zerath::test;

namespace {

TBigint fromGmp(const mpz_class& v) { return TBigint::CreateFromString(v.get_str(16), 16); }

} // namespace

TEST(PrivateOperation, FixedWindowsGiveWhatGmpGives)
{
    gmp_randclass rng(gmp_randinit_mt);
    rng.seed(20261206);
    for (unsigned bits : {3u, 64u, 65u, 127u, 521u, 1023u, 2048u}) {
        for (int round = 0; round < 12; ++round) {
            const mpz_class n = rng.get_z_bits(bits) | (mpz_class(1) << (bits - 1)) | 1;
            const mpz_class base = round == 0 ? mpz_class(n - 1) : mpz_class(rng.get_z_range(n - 1) + 1);
            const mpz_class exp = mpz_class(rng.get_z_bits(1 + mpz_class(rng.get_z_range(bits + 40)).get_ui())) + 1;
            mpz_class expected;
            mpz_powm(expected.get_mpz_t(), base.get_mpz_t(), exp.get_mpz_t(), n.get_mpz_t());
            TBigint x = fromGmp(base);
            x.PowModSecret(fromGmp(exp), fromGmp(n));
            ASSERT_EQ(x.ToString(16), expected.get_str(16)) << bits << " bits, round " << round;
        }
    }
}

TEST(PrivateOperation, DecryptionGivesWhatGmpGives)
{
    TPrivateKey key;
    key.Passphrase = SecureString(std::string(kAlicePassphrase));
    key.LoadFromFile(keyFileOf(TestKey::AlicePair));
    const mpz_class n(key.Modulus->ToString(16), 16), d(key.ExponentD->ToString(16), 16);
    gmp_randclass rng(gmp_randinit_mt);
    rng.seed(7);
    for (int round = 0; round < 4; ++round) {
        const mpz_class c = rng.get_z_range(n);
        mpz_class m;
        mpz_powm(m.get_mpz_t(), c.get_mpz_t(), d.get_mpz_t(), n.get_mpz_t());
        EXPECT_EQ(key.Decrypt(c.get_str(16)).view(), m.get_str(16));
        EXPECT_EQ(key.DecryptUnblinded(c.get_str(16)).view(), m.get_str(16));
    }
}
