#include <gtest/gtest.h>

#include <zlib.h>

#include "common/FileIO.h"
#include "test_keyring_fixture.h"

using namespace zerath;
using namespace zerath::test;

TEST(KeyRecord, KeyLengthIsTheNearestMultipleOf256BitsHalvesToEven)
{
    EXPECT_EQ(KeyLengthFromDigits(512), "2048");
    EXPECT_EQ(KeyLengthFromDigits(511), "2048");
    EXPECT_EQ(KeyLengthFromDigits(256), "1024");
    EXPECT_EQ(KeyLengthFromDigits(480), "2048"); // 7.5 -> 8
    EXPECT_EQ(KeyLengthFromDigits(416), "1536"); // 6.5 -> 6
    EXPECT_EQ(KeyLengthFromDigits(417), "1792");
    EXPECT_EQ(KeyLengthFromDigits(96), "512");   // 1.5 -> 2
    EXPECT_EQ(KeyLengthFromDigits(32), "0");     // 0.5 -> 0
    EXPECT_EQ(KeyLengthFromDigits(0), "0");
}

TEST(KeyRecord, RecordCheckValueIsCrcOfSevenClearFieldsInOrder)
{
    const std::string joined = std::string("Pub") + "c0ffee" + "10001" + "Bob" + "FP40" + "ID8" + "1/2/2024";
    const auto crc = crc32(0L, reinterpret_cast<const Bytef*>(joined.data()), static_cast<uInt>(joined.size()));
    char expected[9];
    std::snprintf(expected, sizeof expected, "%08lX", crc);
    const std::string got = KeyRecordCRC("Pub", "c0ffee", "10001", "Bob", "FP40", "ID8", "1/2/2024");
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(VerifyKeyRecordCRC("Pub", "c0ffee", "10001", "Bob", "FP40", "ID8", "1/2/2024", got));
    std::string lower = got;
    for (auto& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower != got) {
        EXPECT_FALSE(VerifyKeyRecordCRC("Pub", "c0ffee", "10001", "Bob", "FP40", "ID8", "1/2/2024", lower));
    }
    EXPECT_FALSE(VerifyKeyRecordCRC("Pub", "c0ffee", "10001", "Bob ", "FP40", "ID8", "1/2/2024", got));
}

TEST(KeyRecord, KeyTypeReadsTheFirstLine)
{
    TempDir d;
    EXPECT_EQ(KeyType(testKeys().publicFile), "Pub");
    EXPECT_EQ(KeyType(testKeys().privateFile), "Pub/Priv");
    writeFile(d.file("both"), "#Public Key and Private Key\r\nrest");
    EXPECT_EQ(KeyType(d.file("both")), "Pub/Priv");
    writeFile(d.file("second"), "hello\nPublic Key\n");
    EXPECT_EQ(KeyType(d.file("second")), "Unknown");
    writeFile(d.file("empty"), "");
    EXPECT_EQ(KeyType(d.file("empty")), "Unknown");
    writeFile(d.file("cr"), "x Public Key\ry");
    EXPECT_EQ(KeyType(d.file("cr")), "Pub");
    EXPECT_THROW(KeyType(d.file("missing")), EFileError);
}

TEST(KeyRecord, PairAndPublicRecordsDifferInKeyIdFingerprintAndType)
{
    const KeyRecord& pair = clearPairRecord();
    const KeyRecord& pub = clearPublicRecord();
    EXPECT_EQ(pair.Type, "Pub/Priv");
    EXPECT_EQ(pub.Type, "Pub");
    EXPECT_NE(pair.KeyID, pub.KeyID);
    EXPECT_NE(pair.FP, pub.FP);
    EXPECT_EQ(pair.ModulusN, pub.ModulusN);
    EXPECT_EQ(pair.ExponentE, pub.ExponentE);
    EXPECT_EQ(pair.Date, pub.Date);
    EXPECT_EQ(pub.UserID, testKeys().owner);
    EXPECT_TRUE(pub.ExponentD.empty());
    EXPECT_FALSE(pair.ExponentD.empty());
    for (const KeyRecord* r : {&pair, &pub}) {
        ASSERT_EQ(r->FP.size(), 40u);
        EXPECT_EQ(r->KeyID, r->FP.substr(32));
        EXPECT_EQ(r->KeyLength, KeyLengthFromDigits(r->ModulusN.size()));
        EXPECT_EQ(r->ModulusN.find_first_of("ABCDEF"), std::string::npos);
        EXPECT_TRUE(VerifyKeyRecordCRC(r->Type, r->ModulusN, r->ExponentE, r->UserID, r->FP, r->KeyID, r->Date,
                                       r->KeyCRC32));
    }
}

TEST(KeyRecord, ProtectionOfStoredFields)
{
    const KeyRecord stored = storedPairRecord();
    const KeyRecord& clear = clearPairRecord();
    const std::string_view fixed = FixedProtectionPassphrase();
    EXPECT_EQ(stored.ModulusN, ProtectField(clear.ModulusN, fixed));
    EXPECT_EQ(stored.ExponentE, ProtectField(clear.ExponentE, fixed));
    EXPECT_EQ(stored.KeyCRC32, ProtectField(clear.KeyCRC32, fixed));
    EXPECT_EQ(stored.ExponentD.view(), ProtectField(clear.ExponentD, kTestPassphrase));
    EXPECT_EQ(stored.KeyCRC32.size(), 12u);
    EXPECT_LE(stored.ModulusN.size(), 750u);
    EXPECT_EQ(stored.UserID, clear.UserID);
    EXPECT_TRUE(VerifyStoredKeyRecord(stored));
    EXPECT_TRUE(storedPublicRecord().ExponentD.empty());
    EXPECT_TRUE(VerifyStoredKeyRecord(storedPublicRecord()));

    KeyRecord altered = stored;
    altered.UserID += "x";
    EXPECT_FALSE(VerifyStoredKeyRecord(altered));
}

TEST(KeyRecord, LoadErrorsPassThrough)
{
    EXPECT_THROW(ImportPubKey(testKeys().otherPublicFile, FixedProtectionPassphrase()), Error);
    EXPECT_THROW(ImportPrivKey(testKeys().privateFile, "wrong"), Error);
    // A private key file read as a public key has no PublicKey section.
    EXPECT_THROW(ImportPubKey(testKeys().privateFile, kTestPassphrase), Error);
}
