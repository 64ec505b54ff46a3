#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TempDir.h"
#include "TestHelpers.h"
#include "settings/Settings.h"

using namespace zerath;
using namespace zerath::test;

TEST(Settings, ValuesAndTheirDefaults)
{
    struct Row {
        std::string ini;
        bool stealthy;
        int level, count;
    };
    const Row rows[] = {
        {"", true, 1, 4},
        {"[StealthyCipher]\r\nActivate=0\r\n[CompressionLevel]\r\nlevel = 3 \r\n[FileShredder]\r\nCount=8\r\n", false, 3, 8},
        {"[stealthycipher]\nACTIVATE=FaLsE\n[compressionlevel]\nLEVEL=-7\n[fileshredder]\ncount=+6\n", false, -7, 6},
        {"[StealthyCipher]\nActivate=yes\n[StealthyCipher]\nActivate=0\n", true, 1, 4}, // the first key counts
        {"[StealthyCipher]\nActivate=2\n", true, 1, 4},
        {"[StealthyCipher]\nActivate=TRUE\n", true, 1, 4},
        {"[CompressionLevel]\nlevel=3.0\n[FileShredder]\nCount=2147483648\n", true, 1, 4},
        {"[CompressionLevel]\nlevel=- 1\n[FileShredder]\nCount=9x\n", true, 1, 4},
        {"[CompressionLevel]\nlevel=-2147483648\n[FileShredder]\nCount=2147483647\n", true, INT32_MIN, INT32_MAX},
        {"level=3\n[Other]\nlevel=2\n[CompressionLevel]\n;level=3\nlevel=0\nlevel=2\n", true, 0, 4},
    };
    TempDir dir;
    Settings s(dir.path().substr(0, dir.path().size() - 1)); // the folder without its separator
    for (const Row& r : rows) {
        writeFile(dir.file("zerath.ini"), r.ini);
        EXPECT_EQ(s.stealthyCipher(), r.stealthy) << r.ini;
        EXPECT_EQ(s.compressionLevel(), r.level) << r.ini;
        EXPECT_EQ(s.shredCount(), r.count) << r.ini;
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
