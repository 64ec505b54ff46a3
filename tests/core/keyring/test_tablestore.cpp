// The delimited table store as the key ring uses it: files read as records
// (cases under tests/data/keyring), the key ring's widths, the lines it writes back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "TempDir.h"
#include "TestHelpers.h"
#include "common/FileIO.h"
#include "keyring/KeyRecord.h"
#include "keyring/KeyRingText.h"
#include "keyring/SdfDataSet.h"
#include "pubkey/BigInt.h"

using namespace zerath;
using namespace zerath::test;

namespace {

void configure(TSdfDataSet& t, const std::string& path, const std::vector<std::string>& schema)
{
    t.SetFileName(path);
    t.SetDelimiter('|');
    t.SetSchema(schema);
}

// Set up the way the key ring uses it, not yet opened.
void configureKeyRing(TSdfDataSet& t, const std::string& path)
{
    std::vector<std::string> schema;
    for (const auto& f : kKeyRecordFields) schema.emplace_back(f.name);
    configure(t, path, schema);
    for (const auto& f : kKeyRecordFields) t.SetFieldSize(std::string(f.name), f.declaredSize);
}

// Every record, its fields joined by '/'.
std::vector<std::string> recordsOf(TFixedFormatDataSet& t, const std::vector<std::string>& fields)
{
    std::vector<std::string> out;
    for (bool more = t.RecordCount() > 0 && (t.First(), true); more; more = t.Next()) {
        std::string r;
        for (std::size_t i = 0; i < fields.size(); ++i) r += (i ? "/" : "") + t.FieldAsString(fields[i]);
        out.push_back(r);
    }
    return out;
}

TEST(TableStore, FilesReadAsTheirRecords)
{
    std::ifstream data(dataPath("keyring/table_lines.txt"));
    std::string line, input;
    std::vector<std::string> expected;
    std::size_t damaged = 0; // the first line the key ring cannot read whole, 0 for none
    int cases = 0;
    auto check = [&] {
        if (input.empty()) return;
        EXPECT_EQ(FirstDamagedLine(input).value_or(0), damaged) << "file: " << input;
        TempDir dir;
        writeFile(dir.file("t.db"), input);
        TSdfDataSet t;
        configure(t, dir.file("t.db"), {"A", "B", "C"});
        t.Open();
        EXPECT_EQ(recordsOf(t, {"A", "B", "C"}), expected) << "file: " << input;
        ++cases;
        input.clear();
        expected.clear();
        damaged = 0;
    };
    while (std::getline(data, line)) {
        if (line.rfind("in: ", 0) == 0) input = unescapeText(line.substr(4));
        else if (line.rfind("out: ", 0) == 0) expected.push_back(line.substr(5));
        else if (line.rfind("damaged: ", 0) == 0) damaged = std::stoul(line.substr(9));
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
    configure(t, dir.file("n.db"), {"A", "B"});
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

// Number texts beyond the limit are refused before any parsing.
TEST(HostileSizes, LongNumberTextsAreRefusedBeforeParsing)
{
    EXPECT_EQ(TBigint::CreateFromKeyText(std::string(1024, 'f')).BitLength(), 4096);
    // Parsed first, the stray leading "g" would be the complaint.
    EXPECT_EQ(errorOf([] { TBigint::CreateFromKeyText("g" + std::string(1024, 'f')); }), "Number too long");
    EXPECT_EQ(errorOf([] { TBigint::CreateFromKeyText("g" + std::string(900000, 'f')); }), "Number too long");
}

// A record image holds its own values, not the widest line's width ten times.
TEST(HostileSizes, ARecordImageHoldsOnlyItsOwnValues)
{
    TempDir dir;
    const std::string shortLine = "Pub|Alice Example|0BADC0DE|2048|1.1.2001";
    writeFile(dir.file("ZerathKeys.db"), "Pub|" + std::string(3u << 20, 'x') + "\r\n" + shortLine + "\r\n");
    TSdfDataSet table;
    configureKeyRing(table, dir.file("ZerathKeys.db"));
    table.Open();
    EXPECT_EQ(table.FieldAsString("UserID"), std::string(73, 'x'));
    ASSERT_TRUE(table.Next());
    EXPECT_LE(table.ImageSize(), shortLine.size());
    EXPECT_EQ(table.FieldAsString("KeyID"), "0BADC0DE");
}

} // namespace
