#include <gtest/gtest.h>

#include <cryptopp/twofish.h>

#include "FourCipherOracle.h"
#include "symcrypto/Twofish.h"

namespace zerath {
namespace {

using namespace fourtest;

struct TwofishProbe : TDCP_twofish {
    bool scheduleClear() const { return allZero(SubKeys) && allZero(SBoxMds); }
};

TEST(Twofish, ClassValues)
{
    TDCP_twofish c;
    EXPECT_EQ(c.Id(), 6);
    EXPECT_EQ(c.Algorithm(), "Twofish");
    EXPECT_EQ(c.MaxKeySize(), 256);
    EXPECT_EQ(c.BlockSize(), 128);
}

TEST(Twofish, KnownAnswersAndSelfTest)
{
    expectVectorFile<TDCP_twofish>("twofish_vectors.txt");
    TDCP_twofish c;
    EXPECT_TRUE(c.CheckVectors());
}

// The 49-round iteration, written out here apart from CheckVectors.
TEST(Twofish, FortyNineRoundIteration)
{
    struct Case {
        unsigned bits;
        const char* expected;
    };
    for (const Case& t : {Case{256, "37fe26ff1cf66175f5ddf4c33b97a205"}, Case{192, "e75449212beef9f4a390bd860a640941"},
                          Case{128, "5d9d4eeffa9151575524f115815a12e0"}}) {
        std::uint8_t K[32] = {}, P[16] = {}, C[16];
        for (int round = 0; round < 49; ++round) {
            TDCP_twofish c;
            c.SetKey(K, t.bits, nullptr);
            if (t.bits == 256) std::memmove(K + 16, K, 16);
            if (t.bits == 192) std::memmove(K + 16, K, 8);
            std::memcpy(K, P, 16);
            c.EncryptBlock(P, C);
            std::memcpy(P, C, 16);
        }
        EXPECT_EQ(toHex(P, 16), t.expected) << t.bits << "-bit key";
    }
}

TEST(Twofish, SameAsCryptoppForRandomKeys)
{
    // Other lengths are filled with zero bytes to the next of 16, 24, 32 bytes.
    expectSameBlocksForKeyLengths<TDCP_twofish, CryptoPP::Twofish>(21, 31, 3, 300);
}

TEST(Twofish, CbcSameAsCryptopp)
{
    expectSameCbc<TDCP_twofish, CryptoPP::Twofish>(40, 27);
}

TEST(Twofish, KeySizes)
{
    expectKeySizeLimit<TDCP_twofish>(256);
}

TEST(Twofish, WipeClearsSchedule)
{
    expectWipeClears<TwofishProbe>();
}

} // namespace
} // namespace zerath
