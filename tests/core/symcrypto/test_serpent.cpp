#include <gtest/gtest.h>

#include <cryptopp/serpent.h>

#include "FourCipherOracle.h"
#include "symcrypto/Serpent.h"

namespace zerath {
namespace {

using namespace fourtest;

struct SerpentProbe : TDCP_serpent {
    bool scheduleClear() const { return allZero(KeyData); }
};

TEST(Serpent, ClassValues)
{
    TDCP_serpent c;
    EXPECT_EQ(c.Id(), 26);
    EXPECT_EQ(c.Algorithm(), "Serpent");
    EXPECT_EQ(c.MaxKeySize(), 256);
    EXPECT_EQ(c.BlockSize(), 128);
}

TEST(Serpent, KnownAnswersAndSelfTest)
{
    expectVectorFile<TDCP_serpent>("serpent_vectors.txt");
    TDCP_serpent c;
    EXPECT_TRUE(c.CheckVectors());
}

// The bitsliced circuits give the S-box tables of the Serpent paper, and the
// inverse circuits undo them.
TEST(Serpent, BitslicedSBoxesMatchTables)
{
    static const int table[8][16] = {
        {3, 8, 15, 1, 10, 6, 5, 11, 14, 13, 4, 2, 7, 0, 9, 12}, {15, 12, 2, 7, 9, 0, 5, 10, 1, 11, 14, 8, 6, 13, 3, 4},
        {8, 6, 7, 9, 3, 12, 10, 15, 13, 1, 14, 4, 0, 11, 5, 2}, {0, 15, 11, 8, 12, 9, 6, 3, 13, 1, 2, 4, 10, 7, 5, 14},
        {1, 15, 8, 3, 12, 0, 11, 6, 2, 5, 4, 10, 9, 14, 7, 13}, {15, 5, 2, 11, 4, 10, 9, 12, 0, 3, 14, 8, 13, 6, 7, 1},
        {7, 2, 12, 5, 8, 4, 6, 11, 14, 9, 1, 15, 13, 3, 10, 0}, {1, 13, 15, 0, 14, 8, 2, 11, 7, 4, 12, 10, 9, 3, 5, 6}};
    for (int box = 0; box < 8; ++box) {
        // Bit position v of the four words holds the nibble v.
        std::uint32_t x[4] = {};
        for (int v = 0; v < 16; ++v)
            for (int i = 0; i < 4; ++i)
                if ((v >> i) & 1) x[i] |= 1u << v;
        std::uint32_t y[4] = {x[0], x[1], x[2], x[3]};
        TDCP_serpent::ApplySBox(box, y);
        for (int v = 0; v < 16; ++v) {
            int out = 0;
            for (int i = 0; i < 4; ++i) out |= int((y[i] >> v) & 1) << i;
            EXPECT_EQ(out, table[box][v]) << "S" << box << "(" << v << ")";
        }
        TDCP_serpent::ApplyInverseSBox(box, y);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(y[i] & 0xFFFF, x[i]) << "inverse S" << box;
    }
}

TEST(Serpent, SameAsCryptoppForRandomKeys)
{
    // Short keys: one 1 bit after the last key byte.
    expectSameBlocksForKeyLengths<TDCP_serpent, CryptoPP::Serpent>(11, 31, 3, 200);
}

TEST(Serpent, CbcSameAsCryptopp)
{
    expectSameCbc<TDCP_serpent, CryptoPP::Serpent>(40, 17);
}

TEST(Serpent, KeySizes)
{
    expectKeySizeLimit<TDCP_serpent>(256);
}

TEST(Serpent, WipeClearsSchedule)
{
    expectWipeClears<SerpentProbe>();
}

} // namespace
} // namespace zerath
