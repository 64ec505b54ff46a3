#include <gtest/gtest.h>

#include <cryptopp/rc6.h>

#include "FourCipherOracle.h"
#include "symcrypto/Rc6.h"

namespace zerath {
namespace {

using namespace fourtest;

struct Rc6Probe : TDCP_rc6 {
    bool scheduleClear() const { return allZero(KeyData); }
};

TEST(Rc6, ClassValues)
{
    TDCP_rc6 c;
    EXPECT_EQ(c.Id(), 4);
    EXPECT_EQ(c.Algorithm(), "RC6");
    EXPECT_EQ(c.MaxKeySize(), 2048);
    EXPECT_EQ(c.BlockSize(), 128);
}

TEST(Rc6, KnownAnswersAndSelfTest)
{
    expectVectorFile<TDCP_rc6>("rc6_vectors.txt");
    TDCP_rc6 c;
    EXPECT_TRUE(c.CheckVectors());
}

TEST(Rc6, SameAsCryptoppForRandomKeysOfEveryLength)
{
    expectSameBlocksForKeyLengths<TDCP_rc6, CryptoPP::RC6>(1, 255, 2, 100);
}

TEST(Rc6, CbcSameAsCryptopp)
{
    expectSameCbc<TDCP_rc6, CryptoPP::RC6>(40, 7);
}

TEST(Rc6, KeySizes)
{
    expectKeySizeLimit<TDCP_rc6>(2048);
    // The largest key round-trips; a trailing half byte is not used.
    std::mt19937_64 rng(5);
    const Bytes key = randomBytes(rng, 256), block = randomBytes(rng, 16);
    TDCP_rc6 c;
    c.SetKey(key.data(), 2048, nullptr);
    std::uint8_t out[16], back[16];
    c.EncryptBlock(block.data(), out);
    c.DecryptBlock(out, back);
    EXPECT_EQ(toHex(back, 16), toHex(block));
    TDCP_rc6 whole, withNibble;
    whole.SetKey(key.data(), 120, nullptr);
    withNibble.SetKey(key.data(), 124, nullptr);
    std::uint8_t a[16], b[16];
    whole.EncryptBlock(block.data(), a);
    withNibble.EncryptBlock(block.data(), b);
    EXPECT_EQ(toHex(a, 16), toHex(b, 16));
}

TEST(Rc6, WipeClearsSchedule)
{
    expectWipeClears<Rc6Probe>();
}

} // namespace
} // namespace zerath
