#include <gtest/gtest.h>
#include <sys/stat.h>

#include "CipherOracle.h"
#include "TempDir.h"
#include "TestHelpers.h"
#include "settings/Settings.h"

using namespace zerath;
using namespace zerath::test;

TEST(Settings, ValuesAndTheirDefaults)
{
    TempDir dir;
    Settings s(dir.path().substr(0, dir.path().size() - 1)); // the folder without its separator
    const auto rows = readDataRows("settings/values.txt");
    ASSERT_EQ(rows.size(), 10u);
    for (const auto& r : rows) {
        writeFile(dir.file("zerath.ini"), unescapeText(r[0]));
        EXPECT_EQ(s.stealthyCipher(), r[1] == "1") << r[0];
        EXPECT_EQ(std::to_string(s.compressionLevel()) + " " + std::to_string(s.shredCount()), r[2] + " " + r[3]) << r[0];
    }
    removeFile(dir.file("zerath.ini"));
    ASSERT_EQ(mkdir(dir.file("zerath.ini").c_str(), 0700), 0); // a folder reads as defaults
    EXPECT_EQ(s.shredCount(), 4);
}

TEST(Settings, SavingWritesOwnerOnlyAndKeepsEverythingElse)
{
    TempDir dir;
    Settings s(dir.path());
    s.SaveOptions(-1, 10);
    s.SaveStealthyCipher(true);
    EXPECT_EQ(readFile(s.path()), "[CompressionLevel]\nlevel=-1\n\n[FileShredder]\nCount=10\n\n[StealthyCipher]\nActivate=1\n");
    EXPECT_EQ(modeOf(s.path()), 0600u);

    const std::string before = "; Zerath\r\n[StealthyCipher]\r\nActivate=0\r\n\r\n[CompressionLevel]\r\n"
                               "Other=x\r\nLEVEL=3\r\n\r\n[Window]\r\nLeft=10\r\n";
    writeFile(s.path(), before);
    s.SaveOptions(0, 6); // the key takes the program's spelling; everything else stays
    EXPECT_EQ(readFile(s.path()), "; Zerath\r\n[StealthyCipher]\r\nActivate=0\r\n\r\n[CompressionLevel]\r\n"
                                  "Other=x\r\nlevel=0\r\n\r\n[Window]\r\nLeft=10\r\n\r\n[FileShredder]\r\nCount=6\r\n");
    // A key missing from an existing section goes to the end of that section.
    writeFile(s.path(), "[FileShredder]\nOther=1\n\n[X]\ny=2");
    s.SaveOptions(2, 4);
    EXPECT_EQ(readFile(s.path()), "[FileShredder]\nOther=1\nCount=4\n\n[X]\ny=2\n\n[CompressionLevel]\nlevel=2\n");
    EXPECT_EQ(errorOf([&] { Settings(dir.file("missing")).SaveOptions(1, 4); }), "File not found");
}

TEST(Settings, ClampPassCount)
{
    const std::pair<int, int> cases[] = {{4, 4},   {6, 6},  {10, 10}, {5, 4},         {7, 6},        {11, 10},
                                         {1000, 10}, {3, 4}, {-5, 4}, {INT32_MIN, 4}, {65536 + 8, 8}, {65536 + 3, 4}};
    for (auto [in, out] : cases) EXPECT_EQ(Settings::ClampPassCount(in), out) << in;
}
