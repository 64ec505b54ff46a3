// Hostile sizes: number texts beyond the limit are refused before any parsing,
// and a record image holds its own values, not the widest line's width ten times.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "TestHelpers.h"
#include "keyring/KeyRecord.h"
#include "keyring/SdfDataSet.h"
#include "pubkey/BigInt.h"

using namespace zerath;
using namespace zerath::test;

TEST(HostileSizes, LongNumberTextsAreRefusedBeforeParsing)
{
    EXPECT_EQ(TBigint::CreateFromKeyText(std::string(1024, 'f')).BitLength(), 4096);
    // Parsed first, the stray leading "g" would be the complaint.
    EXPECT_EQ(errorOf([] { TBigint::CreateFromKeyText("g" + std::string(1024, 'f')); }), "Number too long");
    EXPECT_EQ(errorOf([] { TBigint::CreateFromKeyText("g" + std::string(900000, 'f')); }), "Number too long");
}

TEST(HostileSizes, ARecordImageHoldsOnlyItsOwnValues)
{
    TempDir dir;
    const std::string shortLine = "Pub|Alice Example|0BADC0DE|2048|1.1.2001";
    writeFile(dir.file("ZerathKeys.db"), "Pub|" + std::string(3u << 20, 'x') + "\r\n" + shortLine + "\r\n");
    TSdfDataSet table;
    table.SetFileName(dir.file("ZerathKeys.db"));
    table.SetDelimiter('|');
    std::vector<std::string> schema;
    for (const auto& f : kKeyRecordFields) {
        schema.emplace_back(f.name);
        table.SetFieldSize(std::string(f.name), f.declaredSize);
    }
    table.SetSchema(schema);
    table.Open();
    EXPECT_EQ(table.FieldAsString("UserID"), std::string(73, 'x'));
    ASSERT_TRUE(table.Next());
    EXPECT_LE(table.ImageSize(), shortLine.size());
    EXPECT_EQ(table.FieldAsString("KeyID"), "0BADC0DE");
}
