#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "SymTestUtil.h"
#include "common/Error.h"
#include "symcrypto/Crc32.h"

using namespace zerath;
using namespace zerath::symtest;

TEST(Crc32, TableByRule)
{
    EXPECT_EQ(CRC32Table[0], 0u);
    EXPECT_EQ(CRC32Table[1], 0x77073096u);
    EXPECT_EQ(CRC32Table[128], 0xEDB88320u);
    EXPECT_EQ(CRC32Table[255], 0x2D02EF8Du);
    EXPECT_EQ(CRC32TableCheckValue(CRC32Table), 0x6FCF9E13u);
    EXPECT_NO_THROW(VerifyCRC32Table(CRC32Table));
}

TEST(Crc32, KnownValuesAndText)
{
    std::uint32_t crc = 1;
    EXPECT_TRUE(CalcCRC32("123456789", crc));
    EXPECT_EQ(crc, 0xCBF43926u);
    EXPECT_EQ(CRC32ToText(crc), "CBF43926");
    EXPECT_TRUE(CalcCRC32("", crc));
    EXPECT_EQ(crc, 0u);
    EXPECT_EQ(CRC32ToText(0), "00000000");
    EXPECT_EQ(CRC32ToText(0xABCDu), "0000ABCD");
    EXPECT_EQ(CRC32ToText(0xFFFFFFFFu), "FFFFFFFF");
    EXPECT_TRUE(CalcCRC32("The quick brown fox jumps over the lazy dog", crc));
    EXPECT_EQ(crc, 0x414FA339u);
}

TEST(Crc32, UpdateInPiecesAndAgainstZlib)
{
    std::mt19937_64 rng(7);
    for (int iter = 0; iter < 300; ++iter) {
        const Bytes m = randomBytes(rng, rng() % 3000);
        const std::string text(m.begin(), m.end());
        std::uint32_t crc = 0;
        ASSERT_TRUE(CalcCRC32(text, crc));
        EXPECT_EQ(crc, static_cast<std::uint32_t>(::crc32(0L, m.data(), static_cast<uInt>(m.size()))));
        const std::size_t cut = m.empty() ? 0 : rng() % m.size();
        std::uint32_t reg = CRC32Update(m.data(), cut, 0xFFFFFFFFu);
        reg = CRC32Update(m.data() + cut, m.size() - cut, reg);
        EXPECT_EQ(~reg, crc);
    }
}

TEST(Crc32, DamagedTableIsReported)
{
    std::uint32_t bad[256];
    std::memcpy(bad, CRC32Table, sizeof bad);
    bad[77] ^= 0x00010000u;
    const std::uint32_t v = CRC32TableCheckValue(bad);
    ASSERT_NE(v, 0x6FCF9E13u);
    try {
        VerifyCRC32Table(bad);
        FAIL() << "damaged table accepted";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "CRC32 Table CRC32 is " + CRC32ToText(v) + ", expecting $6FCF9E13");
        const std::string msg = e.what();
        EXPECT_EQ(msg.size(), std::strlen("CRC32 Table CRC32 is ") + 8 + std::strlen(", expecting $6FCF9E13"));
        const std::string hex = msg.substr(21, 8);
        EXPECT_TRUE(std::all_of(hex.begin(), hex.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F'); }));
    }
}
