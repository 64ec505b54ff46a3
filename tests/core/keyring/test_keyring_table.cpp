#include <gtest/gtest.h>
#include <sys/stat.h>

#include "KeyRingFixture.h"
#include "TestHelpers.h"
#include "common/FileIO.h"
#include "keyring/KeyRing.h"

using namespace zerath;
using namespace zerath::test;

namespace {

// The records as the key ring file holds them, one line each.
std::string linesOf(const std::vector<KeyRecord>& records)
{
    std::string s;
    for (const KeyRecord& r : records) {
        for (std::size_t k = 0; k < kKeyRecordFieldCount; ++k) s.append(k ? "|" : "").append(FieldOf(r, k));
        s += "\r\n";
    }
    return s;
}

struct KeyRingTable : ::testing::Test {
    TempDir d;
    KeyRing ring{d.path()};
    const KeyRecord a = sampleRecord("AAAA0001", "Ann", "dd01"), b = sampleRecord("BBBB0002", "Bob"), c = sampleRecord("CCCC0003", "Bob");
    std::string text() { return readFile(ring.Path()); }
};

TEST_F(KeyRingTable, InsertWritesItsLineAtOnceAndRefusesValuesThatBreakIt)
{
    ring.DBOpen(KeyRing::MissingFile::Create);
    ring.InsertNewRecord(b);
    EXPECT_TRUE(ring.RecipientSelected());
    ring.InsertNewRecord(a);
    EXPECT_EQ(ring.CurrentRecord(), a);
    EXPECT_EQ(ring.CurrentRow(), 1);
    EXPECT_EQ(text(), linesOf({b, a}));
    EXPECT_NE(text().find(b.ExponentE + "||" + b.ModulusN), std::string::npos); // a public key's empty field
    ::chmod(ring.Path().c_str(), 0644);
    ring.InsertNewRecord(c);
    EXPECT_EQ(modeOf(ring.Path()), 0600u); // owner-only after an insert too
    // Values that would not read back as written: nothing is written.
    for (const std::string& bad : {std::string("Eve|Mallory"), std::string("Eve\r\nX"), std::string("Eve\0X", 5),
                                   std::string(" Eve"), std::string(74, 'o')}) {
        EXPECT_EQ(errorOf<UserMessage>([&] { ring.InsertNewRecord(sampleRecord("EEEE0005", bad)); }),
                  "Cannot add new key to database");
        EXPECT_TRUE(ring.Active());
    }
    EXPECT_EQ(text(), linesOf({b, a, c}));
    KeyRing again(d.path());
    again.DBOpen();
    ASSERT_TRUE(again.SearchDB("KeyID", b.KeyID));
    EXPECT_EQ(again.CurrentRecord(), b);
}

TEST_F(KeyRingTable, SearchIsExactFirstOfTwoAndLeavesTheLastWhenNotFound)
{
    writeFile(ring.Path(), linesOf({a, b, c, sampleRecord("dddd0004", "Last")}));
    int changes = 0;
    ring.OnDataChange = [&] { ++changes; };
    ring.DBOpen();
    changes = 0;
    EXPECT_TRUE(ring.SearchDB("UserID", "Bob"));
    EXPECT_EQ(changes, 2); // the move to the first record and the outcome, not every record passed
    EXPECT_EQ(ring.FieldAsString("KeyID"), "BBBB0002");
    EXPECT_FALSE(ring.SearchDB("KeyID", "DDDD0004")); // differs in case only
    EXPECT_EQ(ring.FieldAsString("KeyID"), "dddd0004");
    EXPECT_FALSE(ring.RecipientSelected());
    EXPECT_FALSE(ring.SearchDB("KeyID", "AAAA000") || ring.SearchDB("KeyID", "AAAA00011"));
    EXPECT_TRUE(ring.SearchDB("KeyID", "AAAA0001"));
    EXPECT_TRUE(ring.RecipientSelected());
    ring.Next();
    EXPECT_FALSE(ring.RecipientSelected());
}

TEST_F(KeyRingTable, EditsAndDeletionsAreWrittenAtCloseOrWithTheNextInsert)
{
    writeFile(ring.Path(), linesOf({a, b}));
    ring.DBOpen();
    ASSERT_TRUE(ring.SearchDB("KeyID", "AAAA0001"));
    int heard = 0;
    ring.OnDataChange = [&] { // a window's handler that reads every row must not lose the edit
        ++heard;
        (void)ring.Rows();
        (void)ring.CurrentRow();
    };
    ring.UpdateExponentD("newD");
    ring.OnDataChange = nullptr;
    EXPECT_EQ(heard, 1);
    EXPECT_EQ(text(), linesOf({a, b}));
    ring.Close();
    KeyRecord edited = a;
    edited.ExponentD = SecureString("newD");
    EXPECT_EQ(text(), linesOf({edited, b}));
    for (const std::string& bad : {std::string(751, 'd'), std::string(" d"), std::string("d|e")}) {
        KeyRing editor(d.path()); // an exponent that would not read back is never written
        editor.DBOpen();
        ASSERT_TRUE(editor.SearchDB("KeyID", "AAAA0001"));
        editor.UpdateExponentD(bad);
        EXPECT_NE(errorOf([&] { editor.Close(); }), kNoError);
        EXPECT_EQ(text(), linesOf({edited, b}));
    }

    ring.DBOpen();
    ASSERT_TRUE(ring.SearchDB("KeyID", "AAAA0001"));
    ring.DeleteCurrent();
    EXPECT_EQ(ring.RecordAt(0).KeyID + std::to_string(ring.RecordCount()) + std::to_string(ring.CurrentRow()), "BBBB000210");
    EXPECT_EQ(text(), linesOf({edited, b}));
    ring.InsertNewRecord(c);
    EXPECT_EQ(ring.FieldAsString("KeyID"), "CCCC0003");
    EXPECT_EQ(text(), linesOf({b, c}));
    ring.Close();
    EXPECT_EQ(text(), linesOf({b, c}));
}

TEST(KeyRing, LinesSplitAsTheStoreReadsThem)
{
    EXPECT_EQ(SplitKeyRingLines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitKeyRingLines(std::string_view("a\r\n\r\nb\0c\n", 10)), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(SplitKeyRingLines("").empty());
}

} // namespace
