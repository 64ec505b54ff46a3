// The delimited table store: files read as records (cases under
// tests/data/keyring), the key ring's widths, the lines it writes back, and the
// options the program itself never sets.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "TableStoreSetup.h"
#include "TempDir.h"
#include "TestHelpers.h"
#include "common/FileIO.h"
#include "keyring/SdfDataSet.h"

using namespace zerath;
using namespace zerath::test;

namespace {

std::string unescape(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        if (c == 'x') {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c == '0' ? '\0' : c;
        }
    }
    return out;
}

// Every record, its fields joined by '/'.
std::vector<std::string> recordsOf(TFixedFormatDataSet& t, const std::vector<std::string>& fields)
{
    std::vector<std::string> out;
    if (t.RecordCount() == 0) return out;
    t.First();
    do {
        std::string r;
        for (std::size_t i = 0; i < fields.size(); ++i) r += (i ? "/" : "") + t.FieldAsString(fields[i]);
        out.push_back(r);
    } while (t.Next());
    return out;
}

TEST(TableStore, FilesReadAsTheirRecords)
{
    std::ifstream data(dataPath("keyring/table_lines.txt"));
    std::string line, input;
    std::vector<std::string> expected;
    int cases = 0;
    auto check = [&] {
        if (input.empty()) return;
        TempDir dir;
        writeFile(dir.file("t.db"), input);
        TSdfDataSet t;
        configureTable(t, dir.file("t.db"), {"A", "B", "C"});
        t.Open();
        EXPECT_EQ(recordsOf(t, {"A", "B", "C"}), expected) << "file: " << input;
        ++cases;
        input.clear();
        expected.clear();
    };
    while (std::getline(data, line)) {
        if (line.rfind("in: ", 0) == 0) input = unescape(line.substr(4));
        else if (line.rfind("out: ", 0) == 0) expected.push_back(line.substr(5));
        else if (line.empty()) check();
    }
    check();
    EXPECT_GE(cases, 7);
}

TEST(TableStore, KeyRingFieldsAreCutToTheirDeclaredSizes)
{
    TempDir dir;
    const std::string longE(800, 'e'), longFP(200, 'f');
    writeFile(dir.file("k.db"), "Public|Alice <a@b>||2048|1.1.2001|" + longE + "||n|" + longFP + "|0123456789ABCDEF0123456789\r\n");
    TSdfDataSet t;
    configureKeyRing(t, dir.file("k.db"));
    t.Open();
    EXPECT_EQ(t.FieldAsString("ExponentE"), longE.substr(0, 750));
    EXPECT_EQ(t.FieldAsString("FP"), longFP.substr(0, 147));
    EXPECT_EQ(t.FieldAsString("keycrc32"), "0123456789ABCDEF0123"); // names match in any case
    t.Close();

    writeFile(dir.file("k.db"), "Pair|Ann|0000AAAA|2048|1.1.2001|10001|d00d|beef|FP2|12345678\r\n");
    t.Open();
    t.Edit();
    t.SetFieldAsString("UserID", " \tAnn|Lee\x01 ");
    for (const char* f : {"ExponentD", "ModulusN", "FP", "KeyCRC32"}) t.SetFieldAsString(f, "");
    t.Post();
    t.Close();
    // Trailing empty fields are dropped; a value with the delimiter is quoted and trimmed.
    EXPECT_EQ(readFile(dir.file("k.db")), "Pair|\"Ann|Lee\"|0000AAAA|2048|1.1.2001|10001\r\n");
    EXPECT_EQ(modeOf(dir.file("k.db")), 0600u);

    // Short lines give narrow fields: a declared size never reaches the next field.
    writeFile(dir.file("n.db"), "ab|cd\r\n");
    configureTable(t, dir.file("n.db"), {"A", "B"});
    t.SetFieldSize("A", 73);
    t.Open();
    t.Edit();
    t.SetFieldAsString("A", "0123456789");
    t.Post();
    EXPECT_EQ(t.FieldAsString("A") + "/" + t.FieldAsString("B"), "01234/cd");
}

TEST(TableStore, ChangesAreWrittenAtCloseAndOnlyThen)
{
    TempDir dir;
    const std::string path = dir.file("ZerathKeys.db");
    const std::string untouched = std::string("a|b  \nc|\"d|e\"\r\r\n\n  x|y\0tail", 24) + "\r";
    writeFile(path, untouched);
    TSdfDataSet t;
    configureKeyRing(t, path);
    t.Open();
    t.Edit();
    t.SetFieldAsString("Type", "changed");
    t.Cancel();
    t.Close();
    EXPECT_EQ(readFile(path), untouched);

    writeFile(path, "r1|a\nr2|b\r  \rr3\r\nr4");
    t.Open();
    t.Next();
    t.Delete(); // the following record takes its place
    EXPECT_EQ(t.FieldAsString("Type"), "");
    t.Last();
    t.Delete(); // past the end: back by one
    EXPECT_EQ(t.FieldAsString("Type"), "r3");
    t.First();
    t.Edit();
    t.SetFieldAsString("UserID", "A2");
    t.Next(); // moving posts the edit
    t.Edit();
    t.SetFieldAsString("Type", "unposted");
    EXPECT_EQ(readFile(path), "r1|a\nr2|b\r  \rr3\r\nr4");
    t.Close(); // an unposted edit is dropped
    EXPECT_EQ(readFile(path), "r1|A2\r\n  \r\nr3\r\n");
    EXPECT_EQ(folderNames(dir.path()), std::vector<std::string>{"ZerathKeys.db"});

    // A linked key ring stays a link; its target is written.
    ASSERT_EQ(::symlink(path.c_str(), dir.file("link.db").c_str()), 0);
    configureKeyRing(t, dir.file("link.db"));
    t.Open();
    t.Delete();
    t.Close();
    EXPECT_FALSE(isRegularFile(dir.file("link.db")));
    EXPECT_EQ(readFile(path), "  \r\nr3\r\n");
}

// Options the program never sets, each with what it must do.
struct OptionCase {
    const char* name;
    const char* file;
    std::function<std::string(TSdfDataSet&, const std::string& path)> run;
    std::string expected;
};
void PrintTo(const OptionCase& c, std::ostream* os) { *os << c.name; }

const std::vector<OptionCase> kOptions = {
    {"first line as schema", "Name,Age\r\nann,30\r\nbob,40\r\n",
     [](TSdfDataSet& t, const std::string& path) {
         t.SetFirstLineAsSchema(true);
         t.Open();
         std::string r = t.FieldAsString("Name") + " " + std::to_string(t.RecordCount()) + " ";
         t.Delete();
         t.Delete();
         t.Close();
         return r + readFile(path);
     },
     "ann 2 Name,Age\r\n"},
    {"generated field names", "abcdefgh|ij|k\r\n",
     [](TSdfDataSet& t, const std::string&) {
         t.SetDelimiter('|');
         t.Open();
         return t.Schema().back() + "=" + t.FieldAsString("Field3");
     },
     "Field3=k"},
    {"widths in the schema", "abcdefgh|ij|k\r\nshort\r\n",
     [](TSdfDataSet& t, const std::string&) {
         configureTable(t, t.FileName(), {" A = 3", "", "B=x", "D=0"});
         t.Open();
         return t.FieldAsString("A") + "/" + t.FieldAsString("B") + "/" + t.FieldAsString("D") + "/" +
                std::to_string(t.FieldDefs().size());
     },
     "abc/ij//3"},
    {"read-only", "x\r\ny\r\n",
     [](TSdfDataSet& t, const std::string& path) {
         t.SetReadOnly(true);
         t.Open();
         t.Delete();
         t.Close();
         return readFile(path);
     },
     "x\r\ny\r\n"},
    {"bookmarks", "1\r\n2\r\n3\r\n",
     [](TSdfDataSet& t, const std::string&) {
         t.Open();
         t.Last();
         t.GotoBookmark(1);
         const std::string first = t.FieldAsString("Field1");
         return first + errorOf([&] { t.GotoBookmark(4); }) + t.FieldAsString("Field1");
     },
     "1Bookmark not found1"},
    {"blanks kept", "  a  |b \r\n",
     [](TSdfDataSet& t, const std::string&) {
         configureTable(t, t.FileName(), {"A", "B"});
         t.SetTrimSpace(false);
         t.Open();
         return t.FieldAsString("A").substr(0, 5) + "|";
     },
     "a    |"},
    {"created when missing, owner-only", nullptr,
     [](TSdfDataSet& t, const std::string& path) {
         t.SetFileMustExist(false);
         t.Open();
         return std::to_string(t.RecordCount()) + " " + std::to_string(modeOf(path));
     },
     "0 384"},
    {"a missing file", nullptr,
     [](TSdfDataSet& t, const std::string& path) { return errorOf([&] { t.Open(); }) + std::to_string(fileExists(path)); },
     "File not found0"},
};

class TableStoreOptions : public ::testing::TestWithParam<OptionCase> {};

TEST_P(TableStoreOptions, DoWhatTheySay)
{
    TempDir dir;
    const std::string path = dir.file("t.db");
    if (GetParam().file) writeFile(path, GetParam().file);
    TSdfDataSet t;
    t.SetFileName(path);
    EXPECT_EQ(GetParam().run(t, path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Options, TableStoreOptions, ::testing::ValuesIn(kOptions));

TEST(TableStore, FixedColumnsInTheBaseClass)
{
    TempDir dir;
    writeFile(dir.file("f.txt"), "abcdefgh\r\n12\r\n");
    TFixedFormatDataSet t;
    t.SetFileName(dir.file("f.txt"));
    t.SetSchema({"A=3", "B=4"});
    t.Open();
    EXPECT_EQ(recordsOf(t, {"A", "B"}), (std::vector<std::string>{"abc/defg", "12/"}));
    t.Edit();
    t.SetFieldAsString("B", "xy");
    t.Post();
    t.Close();
    EXPECT_EQ(readFile(dir.file("f.txt")), "abcdefgh\r\n12 xy  \r\n");
}

} // namespace
