#include <gtest/gtest.h>

#include "KeyFileOracle.h"
#include "KeyRingFixture.h"
#include "TestHelpers.h"
#include "symcrypto/FieldProtection.h"
#include "keyring/KeyRecord.h"

using namespace zerath;
using namespace zerath::test;

TEST(KeyRecord, KeyLengthIsTheNearestMultipleOf256BitsHalvesToEven)
{
    const std::pair<std::size_t, const char*> cases[] = {{512, "2048"}, {511, "2048"}, {256, "1024"}, {480, "2048"},
                                                         {416, "1536"}, {417, "1792"}, {96, "512"},   {32, "0"},
                                                         {0, "0"}};
    for (auto [digits, bits] : cases) EXPECT_EQ(KeyLengthFromDigits(digits), bits) << digits;
}

TEST(KeyRecord, RecordCheckValueIsCrcOfSevenClearFieldsInOrder)
{
    const std::string joined = std::string("Pub") + "c0ffee" + "10001" + "Bob" + "FP40" + "ID8" + "1/2/2024";
    const std::string expected = OracleCrc(joined);
    EXPECT_EQ(KeyRecordCRC("Pub", "c0ffee", "10001", "Bob", "FP40", "ID8", "1/2/2024"), expected);
    EXPECT_FALSE(VerifyKeyRecordCRC("Pub", "c0ffee", "10001", "Bob ", "FP40", "ID8", "1/2/2024", expected));
}

TEST(KeyRecord, KeyTypeReadsTheFirstLine)
{
    TempDir d;
    const std::pair<const char*, const char*> files[] = {{"#Public Key and Private Key\r\nrest", "Pub/Priv"},
                                                         {"hello\nPublic Key\n", "Unknown"},
                                                         {"", "Unknown"},
                                                         {"x Public Key\ry", "Pub"}};
    for (auto [content, type] : files) {
        writeFile(d.file("k"), content);
        EXPECT_EQ(KeyType(d.file("k")), type) << content;
    }
    EXPECT_THROW(KeyType(d.file("missing")), EFileError);
}

TEST(KeyRecord, StoredRecordsCarryTheirCheckAndFailItWhenAltered)
{
    const KeyRecord clear = ImportPrivKey(keyFileOf(TestKey::AlicePair), kAlicePassphrase);
    const KeyRecord pub = ImportPubKey(keyFileOf(TestKey::AlicePublic), FixedProtectionPassphrase());
    EXPECT_EQ(clear.KeyID, clear.FP.substr(32));
    EXPECT_EQ(clear.ModulusN, pub.ModulusN);
    const KeyRecord stored = ProtectKeyRecord(clear, kAlicePassphrase);
    EXPECT_EQ(stored.ExponentD.view(), ProtectField(clear.ExponentD, kAlicePassphrase));
    EXPECT_EQ(stored.ModulusN, ProtectField(clear.ModulusN, FixedProtectionPassphrase()));
    EXPECT_TRUE(VerifyStoredKeyRecord(stored));
    for (std::string KeyRecord::*field : {&KeyRecord::UserID, &KeyRecord::KeyID, &KeyRecord::Date, &KeyRecord::FP}) {
        KeyRecord altered = stored;
        altered.*field += "x";
        EXPECT_FALSE(VerifyStoredKeyRecord(altered));
    }
    EXPECT_THROW(ImportPrivKey(keyFileOf(TestKey::AlicePair), "wrong"), Error);
    EXPECT_THROW(ImportPubKey(keyFileOf(TestKey::AlicePair), kAlicePassphrase), Error);
}
