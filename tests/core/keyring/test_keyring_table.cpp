#include <gtest/gtest.h>

#include <sys/stat.h>


#include "common/FileIO.h"
#include "keyring/KeyRing.h"
#include "TempDir.h"
#include "TestHelpers.h"

using namespace zerath;
using namespace zerath::test;

namespace {

KeyRecord plainRecord(const std::string& keyId, const std::string& user, const std::string& d = "")
{
    KeyRecord r;
    r.Type = d.empty() ? "Pub" : "Pub/Priv";
    r.UserID = user;
    r.KeyID = keyId;
    r.KeyLength = "2048";
    r.Date = "01/02/2024";
    r.ExponentE = "E" + keyId;
    r.ExponentD = SecureString(d);
    r.ModulusN = "N" + keyId;
    r.FP = "0123456789ABCDEF0123456789ABCDEF" + keyId;
    r.KeyCRC32 = "CRC" + keyId;
    return r;
}

std::string lineOf(const KeyRecord& r)
{
    std::string s;
    for (std::size_t k = 0; k < kKeyRecordFieldCount; ++k) {
        if (k) s += '|';
        s.append(FieldOf(r, k));
    }
    return s;
}

} // namespace

TEST(KeyRing, MainWindowOpenCreatesAnEmptyOwnerOnlyKeyRing)
{
    TempDir d;
    KeyRing ring(d.path().substr(0, d.path().size() - 1)); // without the trailing separator
    EXPECT_EQ(ring.Path(), d.file("ZerathKeys.db"));
    ring.DBOpen(KeyRing::MissingFile::Create);
    ASSERT_TRUE(ring.Active());
    EXPECT_TRUE(fileExists(ring.Path()));
    EXPECT_EQ(fileSize(ring.Path()), 0);
    EXPECT_EQ(modeOf(ring.Path()), 0600u);
    EXPECT_EQ(ring.RecordCount(), 0);
    EXPECT_FALSE(ring.SearchDB("KeyID", "ANY"));
}

TEST(KeyRing, KeyManagerOpenLeavesTheTableClosedWhenTheFileIsMissing)
{
    TempDir d;
    KeyRing ring(d.path());
    ring.DBOpen(KeyRing::MissingFile::LeaveClosed);
    EXPECT_FALSE(ring.Active());
    EXPECT_FALSE(fileExists(ring.Path()));
    EXPECT_FALSE(ring.SearchDB("KeyID", "X"));
}

TEST(KeyRing, InsertWritesOneLinePerKeyAndMakesItCurrent)
{
    TempDir d;
    KeyRing ring(d.path());
    ring.DBOpen();
    const KeyRecord pub = plainRecord("AAAA0001", "Ann");
    const KeyRecord pair = plainRecord("BBBB0002", "Bob", "d0");
    ring.InsertNewRecord(pub);
    EXPECT_EQ(ring.FieldAsString("KeyID"), pub.KeyID);
    EXPECT_TRUE(ring.RecipientSelected());
    ring.InsertNewRecord(pair);
    EXPECT_EQ(ring.CurrentRecord(), pair);
    EXPECT_EQ(ring.CurrentRow(), 1);
    EXPECT_EQ(modeOf(ring.Path()), 0600u);

    const std::string file = readFile(ring.Path());
    EXPECT_EQ(file, lineOf(pub) + "\r\n" + lineOf(pair) + "\r\n");
    // A public key's line holds an empty seventh field: two delimiters in a row.
    EXPECT_NE(lineOf(pub).find(pub.ExponentE + "||" + pub.ModulusN), std::string::npos);

    ASSERT_EQ(ring.RowCount(), 2);
    EXPECT_EQ(ring.RecordAt(0), pub);
    EXPECT_EQ(ring.RecordAt(1), pair);
    EXPECT_EQ(ring.CurrentRow(), 1); // the walk for the grid came back

    // Both read back through a fresh table.
    KeyRing again(d.path());
    again.DBOpen(KeyRing::MissingFile::LeaveClosed);
    ASSERT_TRUE(again.SearchDB("KeyID", pub.KeyID));
    EXPECT_EQ(again.CurrentRecord(), pub);
}

TEST(KeyRing, SearchIsExactCaseSensitiveFirstOfTwoAndLeavesTheLastWhenNotFound)
{
    TempDir d;
    writeFile(d.file("ZerathKeys.db"), lineOf(plainRecord("AAAA0001", "Ann")) + "\r\n" +
                                           lineOf(plainRecord("BBBB0002", "Same")) + "\r\n" +
                                           lineOf(plainRecord("CCCC0003", "Same")) + "\r\n" +
                                           lineOf(plainRecord("dddd0004", "Last")) + "\r\n");
    KeyRing ring(d.path());
    int changes = 0;
    ring.OnDataChange = [&] { ++changes; };
    ring.DBOpen();
    changes = 0;

    // The handler sees the move to the first record and the outcome, not every
    // record passed over.
    EXPECT_TRUE(ring.SearchDB("KeyID", "BBBB0002"));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(ring.FieldAsString("UserID"), "Same");
    EXPECT_TRUE(ring.RecipientSelected());

    EXPECT_TRUE(ring.SearchDB("UserID", "Same"));
    EXPECT_EQ(ring.FieldAsString("KeyID"), "BBBB0002");

    changes = 0;
    EXPECT_FALSE(ring.SearchDB("KeyID", "DDDD0004")); // differs in case only
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(ring.FieldAsString("KeyID"), "dddd0004"); // the last record stays current
    // ... but the caller can tell it is not the one asked for.
    EXPECT_FALSE(ring.RecipientSelected());

    EXPECT_FALSE(ring.SearchDB("KeyID", "AAAA000"));
    EXPECT_FALSE(ring.SearchDB("KeyID", "AAAA00011"));
    EXPECT_TRUE(ring.SearchDB("KeyID", "AAAA0001"));
    ring.Next();
    EXPECT_FALSE(ring.RecipientSelected()); // moved away from the found record
}

TEST(KeyRing, CursorMovesKeepTheRowsAndChangesReadThemAgain)
{
    TempDir d;
    writeFile(d.file("ZerathKeys.db"), lineOf(plainRecord("AAAA0001", "Ann", "dd01")) + "\r\n" +
                                           lineOf(plainRecord("BBBB0002", "Bob")) + "\r\n" +
                                           lineOf(plainRecord("CCCC0003", "Cid")) + "\r\n");
    KeyRing ring(d.path());
    ring.DBOpen();
    // A grid's handler asks for the rows at every notice.
    std::vector<std::string> firstIds;
    ring.OnDataChange = [&] { firstIds.push_back(ring.Rows().empty() ? "" : ring.Rows()[0].KeyID); };
    const KeyRecord* rows = ring.Rows().data();
    ASSERT_TRUE(ring.SearchDB("KeyID", "CCCC0003"));
    ring.First();
    ring.Next();
    EXPECT_EQ(ring.Rows().data(), rows); // not read again for a move
    EXPECT_EQ(ring.CurrentRow(), 1);

    ring.First();
    ring.DeleteCurrent();
    ASSERT_EQ(ring.RowCount(), 2);
    EXPECT_EQ(ring.Rows()[0].KeyID, "BBBB0002");
    EXPECT_EQ(firstIds.back(), "BBBB0002"); // the handler saw the rows after the deletion
    ASSERT_TRUE(ring.SearchDB("KeyID", "CCCC0003"));
    EXPECT_EQ(ring.CurrentRow(), 1);
    ring.UpdateExponentD("newD");
    EXPECT_EQ(ring.RecordAt(1).ExponentD, SecureString("newD"));
    ring.Close();
    EXPECT_TRUE(ring.Rows().empty());
    EXPECT_EQ(firstIds.back(), "");
}

TEST(KeyRing, DeletionAndEditAreWrittenAtClose)
{
    TempDir d;
    const KeyRecord a = plainRecord("AAAA0001", "Ann", "dd01"), b = plainRecord("BBBB0002", "Bob");
    const std::string original = lineOf(a) + "\r\n" + lineOf(b) + "\r\n";
    writeFile(d.file("ZerathKeys.db"), original);
    KeyRing ring(d.path());
    ring.DBOpen();
    ASSERT_TRUE(ring.SearchDB("KeyID", "AAAA0001"));
    // A window's handler that reads every row must not lose the edit.
    int heard = 0;
    ring.OnDataChange = [&] {
        ++heard;
        (void)ring.Rows();
        (void)ring.CurrentRow();
    };
    ring.UpdateExponentD("newD");
    ring.OnDataChange = nullptr;
    EXPECT_EQ(heard, 1);
    EXPECT_EQ(ring.FieldAsString("ExponentD"), "newD");
    EXPECT_EQ(readFile(ring.Path()), original);
    ring.Close();
    KeyRecord edited = a;
    edited.ExponentD = SecureString("newD");
    EXPECT_EQ(readFile(ring.Path()), lineOf(edited) + "\r\n" + lineOf(b) + "\r\n");

    ring.DBOpen();
    ASSERT_TRUE(ring.SearchDB("KeyID", "AAAA0001"));
    ring.DeleteCurrent();
    EXPECT_EQ(ring.RecordCount(), 1);
    EXPECT_EQ(ring.RecordAt(0).KeyID, "BBBB0002");
    EXPECT_EQ(ring.CurrentRow(), 0);
    ring.Close();
    EXPECT_EQ(readFile(ring.Path()), lineOf(b) + "\r\n");
}

TEST(KeyRing, InsertAfterDeleteKeepsNeitherTheRemovedLineNorAStaleCopy)
{
    TempDir d;
    const KeyRecord a = plainRecord("AAAA0001", "Ann"), b = plainRecord("BBBB0002", "Bob"),
                    c = plainRecord("CCCC0003", "Cid");
    writeFile(d.file("ZerathKeys.db"), lineOf(a) + "\r\n" + lineOf(b) + "\r\n");
    KeyRing ring(d.path());
    ring.DBOpen(KeyRing::MissingFile::LeaveClosed);
    ASSERT_TRUE(ring.SearchDB("KeyID", "AAAA0001"));
    ring.DeleteCurrent();
    ring.InsertNewRecord(c);
    EXPECT_EQ(ring.FieldAsString("KeyID"), "CCCC0003");
    EXPECT_EQ(readFile(ring.Path()), lineOf(b) + "\r\n" + lineOf(c) + "\r\n");
    ring.Close();
    EXPECT_EQ(readFile(ring.Path()), lineOf(b) + "\r\n" + lineOf(c) + "\r\n");
}

TEST(KeyRing, InsertRefusesValuesThatWouldBreakTheLine)
{
    TempDir d;
    const KeyRecord a = plainRecord("AAAA0001", "Ann");
    writeFile(d.file("ZerathKeys.db"), lineOf(a) + "\r\n");
    KeyRing ring(d.path());
    ring.DBOpen();
    for (const std::string& bad : {std::string("Eve|Mallory"), std::string("Eve\r\nX"), std::string("Eve\0X", 5)}) {
        try {
            ring.InsertNewRecord(plainRecord("EEEE0005", bad));
            FAIL() << "no error";
        } catch (const UserMessage& m) {
            EXPECT_EQ(m.kind(), UserMessage::PlainBox);
            EXPECT_STREQ(m.what(), "Cannot add new key to database");
        }
        EXPECT_EQ(readFile(ring.Path()), lineOf(a) + "\r\n");
        EXPECT_TRUE(ring.Active());
    }
}

TEST(KeyRing, LinesSplitAsTheStoreReadsThem)
{
    EXPECT_EQ(SplitKeyRingLines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitKeyRingLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(SplitKeyRingLines(std::string_view("a\nb\0c\n", 6)), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(SplitKeyRingLines("").empty());
}
