// Reading the delimited table store: lines, items, quoting, widths, cursor.
#include "common/FileIO.h"
#include "keyring/SdfDataSet.h"

#include "TableStoreSetup.h"
#include "TempDir.h"
#include "TestHelpers.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace zerath;
using namespace zerath::test;

namespace {

// The values of fields f1..fn of every record, joined for easy comparison.
std::vector<std::string> recordsOf(TSdfDataSet& t, const std::vector<std::string>& fields)
{
    std::vector<std::string> out;
    if (t.RecordCount() == 0) return out;
    t.First();
    do {
        std::string r;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i) r += '/';
            r += t.FieldAsString(fields[i]);
        }
        out.push_back(r);
    } while (t.Next());
    return out;
}

struct Sdf3 {
    TempDir dir;
    TSdfDataSet t;
    explicit Sdf3(const std::string& content, char delim = '|')
    {
        writeFile(dir.file("t.db"), content);
        configureTable(t, dir.file("t.db"), {"A", "B", "C"}, delim);
        t.Open();
    }
    std::vector<std::string> rows() { return recordsOf(t, {"A", "B", "C"}); }
};

} // namespace

TEST(TableStoreRead, EmptyKeyRingHasNoRecordsAndWidth250)
{
    TempDir dir;
    writeFile(dir.file("ZerathKeys.db"), "");
    TSdfDataSet t;
    configureKeyRing(t, dir.file("ZerathKeys.db"));
    t.Open();
    EXPECT_TRUE(t.Active());
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_EQ(t.RecNo(), -1);
    EXPECT_TRUE(t.Eof());
    EXPECT_TRUE(t.Bof());
    ASSERT_EQ(t.FieldDefs().size(), 10u);
    for (const auto& f : t.FieldDefs()) EXPECT_EQ(f.width, 250u) << f.name;
    EXPECT_EQ(t.RecordWidth(), 2500u);
    EXPECT_EQ(t.FieldAsString("KeyID"), "");
    EXPECT_FALSE(t.Next());
    EXPECT_FALSE(t.Prior());
    EXPECT_EQ(errorOf([&] { t.Edit(); }), "No Records");
    EXPECT_EQ(errorOf([&] { t.Delete(); }), "No Records");
    EXPECT_EQ(errorOf([&] { t.GotoBookmark(1); }), "Bookmark not found");
    EXPECT_TRUE(t.Active()); // errors leave the table open
    t.Close();
    EXPECT_EQ(readFile(dir.file("ZerathKeys.db")), "");
}

TEST(TableStoreRead, MissingFile)
{
    TempDir dir;
    TSdfDataSet t;
    configureKeyRing(t, dir.file("ZerathKeys.db"));
    EXPECT_EQ(errorOf([&] { t.Open(); }), "File not found");
    EXPECT_FALSE(t.Active());
    EXPECT_FALSE(fileExists(dir.file("ZerathKeys.db")));
    EXPECT_THROW(t.Open(), EFileError);

    t.SetFileMustExist(false);
    t.Open();
    EXPECT_EQ(t.RecordCount(), 0);
    struct stat st;
    ASSERT_EQ(stat(dir.file("ZerathKeys.db").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(st.st_size, 0);
    t.Close();

    // A missing folder cannot be created into.
    TSdfDataSet u;
    u.SetFileMustExist(false);
    u.SetFileName(dir.file("no/such/ZerathKeys.db"));
    EXPECT_EQ(errorOf([&] { u.Open(); }), "File not found");
    EXPECT_FALSE(u.Active());
}

TEST(TableStoreRead, LineEndsBlankLinesAndNul)
{
    Sdf3 lf("a|b\nc|d\n");
    EXPECT_EQ(lf.rows(), (std::vector<std::string>{"a/b/", "c/d/"}));
    Sdf3 cr("a\rb\r\nc\n\rd");
    EXPECT_EQ(cr.rows(), (std::vector<std::string>{"a//", "b//", "c//", "//", "d//"}));
    EXPECT_EQ(cr.t.RecordCount(), 5); // the blank line is a record
    Sdf3 nul(std::string("a|b\r\nc|d\0e|f\r\ng\r\n", 17));
    EXPECT_EQ(nul.rows(), (std::vector<std::string>{"a/b/", "c/d/"}));
    Sdf3 blanks("\r\n\r\nx\r\n");
    EXPECT_EQ(blanks.rows(), (std::vector<std::string>{"//", "//", "x//"}));
}

TEST(TableStoreRead, ItemsAgainstSchema)
{
    // Fewer items leave the rest empty; more are ignored; an empty item in the
    // middle is an empty field.
    Sdf3 s("a\r\na|b|c|d|e\r\na||c\r\n|b\r\na|\r\n");
    EXPECT_EQ(s.rows(), (std::vector<std::string>{"a//", "a/b/c", "a//c", "/b/", "a//"}));
}

TEST(TableStoreRead, QuotingRules)
{
    Sdf3 s("a|\"b|c\"|d\r\n"        // quoted item holding the delimiter
           "a|\"b\r\n"              // no closing quote: the quote stays
           "\"x\"z|y|w\r\n"         // no quote closes: the rest of the line, opening quote too
           "\"a\"\"b\"|c\r\n"       // doubled quotes are not collapsed
           "\"\"|\"\"|e\r\n"        // empty quoted items
           "  \"q\"|r\r\n"          // the quote after skipped blanks still opens
           "p|\"q\"\r\n");          // closing quote at the end of the line
    EXPECT_EQ(s.rows(), (std::vector<std::string>{"a/b|c/d", "a/\"b/", "\"x\"z|y|w//", "a\"\"b/c/", "//e",
                                                  "q/r/", "p/q/"}));
    EXPECT_EQ(TSdfDataSet::SplitLine("a|\"b", '|').at(1).size(), 2u);
}

TEST(TableStoreRead, LeadingControlsAndTrailingBlanks)
{
    Sdf3 s("  a  |\t\x01 b|c \r\n");
    EXPECT_EQ(s.rows(), (std::vector<std::string>{"a/b/c"}));

    TempDir dir;
    writeFile(dir.file("t.db"), "  a  |b \r\n");
    TSdfDataSet t;
    configureTable(t, dir.file("t.db"), {"A", "B"});
    t.SetTrimSpace(false);
    t.Open();
    EXPECT_EQ(t.FieldAsString("A"), "a  " + std::string(t.FieldDefs()[0].width - 3, ' '));
}

TEST(TableStoreRead, KeyRingLineAndDeclaredSizes)
{
    TempDir dir;
    const std::string longE(800, 'e'), longFP(200, 'f');
    const std::string line = "Public|Alice <a@b>||2048|1.1.2001|" + longE + "||n|" + longFP + "|0123456789ABCDEF0123456789";
    writeFile(dir.file("ZerathKeys.db"), line + "\r\n");
    TSdfDataSet t;
    configureKeyRing(t, dir.file("ZerathKeys.db"));
    t.Open();
    EXPECT_EQ(t.FieldAsString("Type"), "Public");
    EXPECT_EQ(t.FieldAsString("UserID"), "Alice <a@b>");
    EXPECT_EQ(t.FieldAsString("KeyID"), "");
    EXPECT_EQ(t.FieldAsString("ExponentE"), longE.substr(0, 750));
    EXPECT_EQ(t.FieldAsString("ExponentD"), "");
    EXPECT_EQ(t.FieldAsString("FP"), longFP.substr(0, 147));
    EXPECT_EQ(t.FieldAsString("KeyCRC32"), "0123456789ABCDEF0123");
    EXPECT_EQ(t.FieldAsString("keycrc32"), "0123456789ABCDEF0123"); // names match in any case
    EXPECT_EQ(errorOf([&] { t.FieldAsString("Nope"); }), "Field 'Nope' not found");
    for (const auto& f : t.FieldDefs()) EXPECT_EQ(f.width, line.size());
}

TEST(TableStoreRead, DeclaredSizeStaysWithinTheWidth)
{
    // Short lines give narrow fields; a declared size of 73 must not reach into
    // the neighbouring field.
    TempDir dir;
    writeFile(dir.file("t.db"), "ab|cd\r\n");
    TSdfDataSet t;
    configureTable(t, dir.file("t.db"), {"A", "B"});
    t.SetFieldSize("A", 73);
    t.SetFieldSize("B", 73);
    t.Open();
    ASSERT_EQ(t.FieldDefs()[0].width, 5u);
    t.Edit();
    t.SetFieldAsString("A", "0123456789");
    EXPECT_EQ(t.FieldAsString("A"), "01234");
    EXPECT_EQ(t.FieldAsString("B"), "cd");
    t.Post();
    EXPECT_EQ(t.FieldAsString("A"), "01234");
    EXPECT_EQ(t.FieldAsString("B"), "cd");
}

TEST(TableStoreRead, SchemaWidthsAndGeneratedNames)
{
    TempDir dir;
    writeFile(dir.file("t.db"), "abcdefgh|ij|k\r\nshort\r\n");
    TSdfDataSet t;
    configureTable(t, dir.file("t.db"), {" A = 3", "", "B=x", "C=-2", "D=0"});
    t.Open();
    ASSERT_EQ(t.FieldDefs().size(), 4u);
    EXPECT_EQ(t.FieldDefs()[0].name, "A");
    EXPECT_EQ(t.FieldDefs()[0].width, 3u);
    EXPECT_EQ(t.FieldDefs()[1].width, 13u); // not a number: the longest line
    EXPECT_EQ(t.FieldDefs()[2].width, 13u);
    EXPECT_EQ(t.FieldDefs()[3].width, 0u);
    EXPECT_EQ(t.FieldAsString("A"), "abc");
    EXPECT_EQ(t.FieldAsString("B"), "ij");
    EXPECT_EQ(t.FieldAsString("D"), "");
    t.Close();

    // No schema: names Field1..FieldN from the first line's items.
    TSdfDataSet g;
    g.SetFileName(dir.file("t.db"));
    g.SetDelimiter('|');
    g.Open();
    ASSERT_EQ(g.Schema(), (std::vector<std::string>{"Field1", "Field2", "Field3"}));
    EXPECT_EQ(g.FieldAsString("Field3"), "k");
    g.Close();

    // An empty schema on an empty file is the single field "Line".
    writeFile(dir.file("e.db"), "");
    TSdfDataSet e;
    e.SetFileName(dir.file("e.db"));
    e.Open();
    ASSERT_EQ(e.FieldDefs().size(), 1u);
    EXPECT_EQ(e.FieldDefs()[0].name, "Line");
    EXPECT_EQ(e.FieldDefs()[0].width, 250u);
}

TEST(TableStoreRead, FirstLineAsSchema)
{
    TempDir dir;
    writeFile(dir.file("h.db"), "Name,Age\r\nann,30\r\nbob,40\r\n");
    TSdfDataSet t;
    t.SetFileName(dir.file("h.db"));
    t.SetFirstLineAsSchema(true);
    t.Open();
    EXPECT_EQ(t.Schema(), (std::vector<std::string>{"Name", "Age"}));
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(t.FieldAsString("Name"), "ann");
    EXPECT_EQ(t.RecNo(), 2);
    t.Delete();
    t.Delete();
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_EQ(t.RecNo(), -1);
    t.Close();
    EXPECT_EQ(readFile(dir.file("h.db")), "Name,Age\r\n");

    // Only the header: no records. A blank first line turns the option off.
    TSdfDataSet h;
    h.SetFileName(dir.file("h.db"));
    h.SetFirstLineAsSchema(true);
    h.Open();
    EXPECT_EQ(h.RecordCount(), 0);
    h.Close();
    writeFile(dir.file("b.db"), " \r\nx,y\r\n");
    TSdfDataSet b;
    b.SetFileName(dir.file("b.db"));
    b.SetFirstLineAsSchema(true);
    b.SetSchema({"P", "Q"});
    b.Open();
    EXPECT_FALSE(b.FirstLineAsSchema());
    EXPECT_EQ(b.RecordCount(), 2);
}

TEST(TableStoreRead, CursorAndBookmarks)
{
    Sdf3 s("1\r\n2\r\n3\r\n");
    auto& t = s.t;
    EXPECT_EQ(t.RecordCount(), 3);
    t.First();
    EXPECT_TRUE(t.Bof());
    EXPECT_FALSE(t.Eof());
    EXPECT_EQ(t.RecNo(), 1);
    EXPECT_FALSE(t.Prior());
    EXPECT_TRUE(t.Next());
    EXPECT_FALSE(t.Bof());
    EXPECT_EQ(t.FieldAsString("A"), "2");
    EXPECT_TRUE(t.Next());
    EXPECT_FALSE(t.Next());
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(t.FieldAsString("A"), "3"); // the end leaves the last record current
    EXPECT_EQ(t.RecNo(), 3);
    EXPECT_TRUE(t.Prior());
    EXPECT_EQ(t.RecNo(), 2);
    t.Last();
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(t.RecNo(), 3);
    t.GotoBookmark(1);
    EXPECT_EQ(t.FieldAsString("A"), "1");
    EXPECT_EQ(errorOf([&] { t.GotoBookmark(4); }), "Bookmark not found");
    EXPECT_EQ(t.FieldAsString("A"), "1");

    int changes = 0;
    t.OnDataChange = [&] { ++changes; };
    t.Next();
    t.Edit();
    t.SetFieldAsString("A", "x");
    t.Post();
    EXPECT_EQ(changes, 4);

    t.Close();
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(t.RecNo(), -1);
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_THROW(t.First(), Error);
}

TEST(TableStoreRead, PropertiesOnlyWhileClosed)
{
    Sdf3 s("a");
    const std::string msg = "Cannot perform this operation on an open dataset";
    EXPECT_EQ(errorOf([&] { s.t.SetFileName("x"); }), msg);
    EXPECT_EQ(errorOf([&] { s.t.SetDelimiter(','); }), msg);
    EXPECT_EQ(errorOf([&] { s.t.SetSchema({}); }), msg);
    EXPECT_EQ(errorOf([&] { s.t.SetFieldSize("A", 3); }), msg);
    EXPECT_EQ(errorOf([&] { s.t.SetFieldAsString("A", "v"); }), "Dataset not in edit or insert mode");
}

TEST(TableStoreRead, FixedColumnsInTheBaseClass)
{
    TempDir dir;
    writeFile(dir.file("f.txt"), "abcdefgh\r\n12\r\n");
    TFixedFormatDataSet t;
    t.SetFileName(dir.file("f.txt"));
    t.SetSchema({"A=3", "B=4"});
    t.Open();
    EXPECT_EQ(t.RecordWidth(), 7u);
    EXPECT_EQ(t.FieldAsString("A"), "abc");
    EXPECT_EQ(t.FieldAsString("B"), "defg");
    t.Next();
    EXPECT_EQ(t.FieldAsString("A"), "12");
    EXPECT_EQ(t.FieldAsString("B"), "");
    t.Edit();
    t.SetFieldAsString("B", "xy");
    t.Post();
    t.Close();
    EXPECT_EQ(readFile(dir.file("f.txt")), "abcdefgh\r\n12 xy  \r\n");
}

TEST(TableStoreRead, HostileSizesAreRefused)
{
    TempDir dir;
    // One very long line would make every one of ten fields that wide.
    writeFile(dir.file("wide.db"), std::string(4u << 20, 'w') + "\r\n");
    TSdfDataSet t;
    configureKeyRing(t, dir.file("wide.db"));
    EXPECT_EQ(errorOf([&] { t.Open(); }), "Record too wide");
    EXPECT_FALSE(t.Active());

    writeFile(dir.file("big.db"), std::string(TFixedFormatDataSet::kMaxFileSize + 1, '\n'));
    TSdfDataSet b;
    configureKeyRing(b, dir.file("big.db"));
    EXPECT_EQ(errorOf([&] { b.Open(); }), "File too large");
    EXPECT_FALSE(b.Active());
}
