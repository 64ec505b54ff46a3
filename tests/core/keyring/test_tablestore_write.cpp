// Changing the delimited table store: edit, post, delete and the file it writes.
#include "common/FileIO.h"
#include "keyring/SdfDataSet.h"

#include "TableStoreSetup.h"
#include "TempDir.h"
#include "TestHelpers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace zerath;
using namespace zerath::test;

namespace {

struct KeyRingFile {
    TempDir dir;
    std::string path = dir.file("ZerathKeys.db");
    TSdfDataSet t;
    explicit KeyRingFile(const std::string& content)
    {
        writeFile(path, content);
        configureKeyRing(t, path);
        t.Open();
    }
    std::vector<std::string> folder() const { return zerath::test::folderNames(dir.path()); }
};

const std::string kPublic = "Public|Bob|1A2B3C4D|2048|2.2.2002|10001||c0ffee|FP1|DEADBEEF";
const std::string kPair = "Pair|Ann|0000AAAA|2048|1.1.2001|10001|d00d|beef|FP2|12345678";

} // namespace

TEST(TableStoreWrite, CloseWithoutChangesLeavesTheFileByteForByte)
{
    const std::string content = std::string("a|b  \nc|\"d|e\"\r\r\n\n  x|y|z|w|v|u|t|s|r|q|p\0tail", 44) + "\r";
    KeyRingFile k(content);
    k.t.First();
    while (k.t.Next()) {
    }
    k.t.Edit();
    k.t.SetFieldAsString("Type", "changed");
    k.t.Cancel(); // a cancelled edit is no change
    k.t.Close();
    EXPECT_EQ(readFile(k.path), content);

    // Read-only tables are never written, modified or not.
    KeyRingFile r(kPublic + "\n");
    r.t.Close();
    r.t.SetReadOnly(true);
    r.t.Open();
    r.t.Delete();
    r.t.Close();
    EXPECT_EQ(readFile(r.path), kPublic + "\n");
}

TEST(TableStoreWrite, ModifiedCloseRewritesEveryLineWithCrLf)
{
    KeyRingFile k("line one|a\nline two|b\r  \rlast|c");
    k.t.Next();
    k.t.Edit();
    k.t.SetFieldAsString("UserID", "B2");
    k.t.Post();
    EXPECT_TRUE(k.t.Modified());
    k.t.Close();
    EXPECT_EQ(readFile(k.path), "line one|a\r\nline two|B2\r\n  \r\nlast|c\r\n");
    struct stat st;
    ASSERT_EQ(stat(k.path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(k.folder(), std::vector<std::string>{"ZerathKeys.db"});
}

TEST(TableStoreWrite, PostNormalisesTheLine)
{
    KeyRingFile k(kPublic + "\r\n" + kPair + "\r\n  a  |  b  |c\r\n");
    // A public-only key keeps its empty ExponentD because later fields are not empty.
    k.t.Edit();
    k.t.Post();
    k.t.Next();
    // Trailing empty fields are dropped; a value with the delimiter is quoted;
    // leading and trailing blanks and control characters are removed.
    k.t.Edit();
    k.t.SetFieldAsString("ExponentD", "");
    k.t.SetFieldAsString("ModulusN", "");
    k.t.SetFieldAsString("FP", "");
    k.t.SetFieldAsString("KeyCRC32", "");
    k.t.SetFieldAsString("UserID", " \tAnn|Lee\x01 ");
    k.t.Post();
    EXPECT_EQ(k.t.FieldAsString("UserID"), "Ann|Lee");
    k.t.Next();
    k.t.Edit();
    k.t.SetFieldAsString("Date", " ");
    k.t.Post();
    EXPECT_EQ(k.t.RecNo(), 3);
    k.t.Close();
    EXPECT_EQ(readFile(k.path), kPublic + "\r\n" + "Pair|\"Ann|Lee\"|0000AAAA|2048|1.1.2001|10001\r\n" + "a|b|c\r\n");
}

TEST(TableStoreWrite, SettingAFieldCutsToTheDeclaredSize)
{
    const std::string pad(2000, 'p');
    KeyRingFile k(kPair + "|" + pad + "\r\n"); // a wide line makes wide fields
    k.t.Edit();
    k.t.SetFieldAsString("KeyCRC32", std::string(30, '9'));
    k.t.SetFieldAsString("ExponentD", std::string(900, 'd'));
    k.t.SetFieldAsString("UserID", std::string(80, 'u'));
    EXPECT_EQ(k.t.FieldAsString("KeyCRC32"), std::string(20, '9'));
    k.t.Post();
    EXPECT_EQ(k.t.FieldAsString("ExponentD"), std::string(750, 'd'));
    k.t.Close();
    const std::string expect = "Pair|" + std::string(73, 'u') + "|0000AAAA|2048|1.1.2001|10001|" +
                               std::string(750, 'd') + "|beef|FP2|" + std::string(20, '9') + "\r\n";
    EXPECT_EQ(readFile(k.path), expect);
}

TEST(TableStoreWrite, DeleteMovesTheCursor)
{
    KeyRingFile k("r1\r\nr2\r\nr3\r\nr4\r\n");
    auto& t = k.t;
    t.Next(); // r2
    t.Delete();
    EXPECT_EQ(t.FieldAsString("Type"), "r3"); // the following record takes its place
    EXPECT_EQ(t.RecNo(), 3);
    t.Last();
    t.Delete();
    EXPECT_EQ(t.FieldAsString("Type"), "r3"); // past the end: back by one
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_THROW(t.GotoBookmark(2), Error);
    t.GotoBookmark(1);
    t.Delete();
    t.Delete();
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_EQ(t.RecNo(), -1);
    EXPECT_EQ(t.FieldAsString("Type"), "");
    try {
        t.Delete();
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "No Records");
    }
    t.Close();
    EXPECT_EQ(readFile(k.path), "");
}

TEST(TableStoreWrite, EditingAndMoving)
{
    KeyRingFile k("a\r\nb\r\n");
    k.t.Edit();
    k.t.SetFieldAsString("Type", "A");
    k.t.Next(); // moving posts the edit
    EXPECT_EQ(k.t.State(), TDataSetState::Browse);
    k.t.First();
    EXPECT_EQ(k.t.FieldAsString("Type"), "A");
    k.t.Edit();
    k.t.SetFieldAsString("Type", "Z");
    k.t.Cancel();
    EXPECT_EQ(k.t.FieldAsString("Type"), "A");
    k.t.Edit();
    k.t.SetFieldAsString("Type", "unposted");
    k.t.Close(); // an unposted edit is dropped
    EXPECT_EQ(readFile(k.path), "A\r\nb\r\n");
}

TEST(TableStoreWrite, FailedWriteKeepsThePreviousFileAndTheOpenTable)
{
    std::string content;
    for (int i = 0; i < 200; ++i) content += kPair + "\r\n";
    KeyRingFile k(content);
    k.t.Delete();
    for (FaultPlan plan : {FaultPlan{1000, -1, -1}, FaultPlan{-1, 0, -1}, FaultPlan{-1, -1, 0}}) {
        FaultGuard g(plan);
        EXPECT_THROW(k.t.Close(), EFileError);
        EXPECT_EQ(readFile(k.path), content);
        EXPECT_EQ(k.folder(), std::vector<std::string>{"ZerathKeys.db"});
        EXPECT_TRUE(k.t.Active());
        EXPECT_EQ(k.t.RecordCount(), 199);
    }
    // The previous file still opens as a table.
    TSdfDataSet other;
    configureTable(other, k.path, kKeySchema);
    other.Open();
    EXPECT_EQ(other.RecordCount(), 200);
    other.Close();
    // Once the disk recovers the close succeeds.
    k.t.Close();
    EXPECT_FALSE(k.t.Active());
    EXPECT_EQ(readFile(k.path).size(), content.size() - kPair.size() - 2);
}

TEST(TableStoreWrite, LinkedKeyRingStaysALink)
{
    TempDir dir;
    writeFile(dir.file("real.db"), "x\r\ny\r\n");
    ASSERT_EQ(symlink(dir.file("real.db").c_str(), dir.file("link.db").c_str()), 0);
    TSdfDataSet t;
    t.SetFileName(dir.file("link.db"));
    t.SetDelimiter('|');
    t.Open();
    t.Delete();
    t.Close();
    EXPECT_FALSE(isRegularFile(dir.file("link.db")));
    EXPECT_EQ(readFile(dir.file("real.db")), "y\r\n");
}
