#include "common/FileIO.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"

#include "TempDir.h"
#include "TestHelpers.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace zerath;
using zerath::test::FaultGuard;
using zerath::test::readFile;
using zerath::test::TempDir;
using zerath::test::writeFile;

TEST(Settings, DefaultsWithoutAFile)
{
    TempDir dir;
    Settings s(dir.path());
    EXPECT_EQ(s.path(), dir.file("zerath.ini"));
    EXPECT_TRUE(s.stealthyCipher());
    EXPECT_EQ(s.compressionLevel(), 1);
    EXPECT_EQ(s.shredCount(), 4);
    // Without a trailing separator the same file is meant.
    EXPECT_EQ(Settings(dir.path().substr(0, dir.path().size() - 1)).path(), dir.file("zerath.ini"));
    // A folder in place of the file reads as defaults too.
    ASSERT_EQ(mkdir(dir.file("zerath.ini").c_str(), 0700), 0);
    EXPECT_EQ(s.shredCount(), 4);
}

TEST(Settings, ReadsValuesAndDefaultsForMalformedOnes)
{
    TempDir dir;
    Settings s(dir.path());
    writeFile(s.path(), "[StealthyCipher]\r\nActivate=0\r\n[CompressionLevel]\r\nlevel = 3 \r\n"
                        "[FileShredder]\r\nCount=8\r\n");
    EXPECT_FALSE(s.stealthyCipher());
    EXPECT_EQ(s.compressionLevel(), 3);
    EXPECT_EQ(s.shredCount(), 8);

    writeFile(s.path(), "[stealthycipher]\nACTIVATE=FaLsE\n[compressionlevel]\nLEVEL=-7\n[fileshredder]\ncount=+6\n");
    EXPECT_FALSE(s.stealthyCipher());
    EXPECT_EQ(s.compressionLevel(), -7);
    EXPECT_EQ(s.shredCount(), 6);

    for (const char* bad : {"yes", "2", "", "0x1", "1 1"}) {
        writeFile(s.path(), std::string("[StealthyCipher]\nActivate=") + bad + "\n[StealthyCipher]\nActivate=0\n");
        EXPECT_TRUE(s.stealthyCipher()) << bad;
    }
    writeFile(s.path(), "[StealthyCipher]\nActivate=TRUE\n");
    EXPECT_TRUE(s.stealthyCipher());
    writeFile(s.path(), "[StealthyCipher]\nActivate=1\n");
    EXPECT_TRUE(s.stealthyCipher());

    for (const char* bad : {"three", "3.0", "", "2147483648", "-2147483649", "9x", "- 1"}) {
        writeFile(s.path(), std::string("[CompressionLevel]\nlevel=") + bad + "\n[FileShredder]\nCount=" + bad + "\n");
        EXPECT_EQ(s.compressionLevel(), 1) << bad;
        EXPECT_EQ(s.shredCount(), 4) << bad;
    }
    writeFile(s.path(), "[CompressionLevel]\nlevel=-2147483648\n[FileShredder]\nCount=2147483647\n");
    EXPECT_EQ(s.compressionLevel(), INT32_MIN);
    EXPECT_EQ(s.shredCount(), INT32_MAX);

    // Keys under another section, comments and the first of two keys.
    writeFile(s.path(), "level=3\n[Other]\nlevel=2\n[CompressionLevel]\n;level=0\nlevel=0\nlevel=2\n");
    EXPECT_EQ(s.compressionLevel(), 0);
    EXPECT_EQ(s.shredCount(), 4);
}

TEST(Settings, SaveOptionsWritesLevelThenCount)
{
    TempDir dir;
    Settings s(dir.path());
    s.SaveOptions(-1, 10); // a level with nothing chosen is written as it is
    EXPECT_EQ(readFile(s.path()), "[CompressionLevel]\nlevel=-1\n\n[FileShredder]\nCount=10\n");
    EXPECT_EQ(s.compressionLevel(), -1);
    EXPECT_EQ(s.shredCount(), 10);
    struct stat st;
    ASSERT_EQ(stat(s.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    s.SaveStealthyCipher(false);
    EXPECT_FALSE(s.stealthyCipher());
    s.SaveStealthyCipher(true);
    EXPECT_EQ(readFile(s.path()),
              "[CompressionLevel]\nlevel=-1\n\n[FileShredder]\nCount=10\n\n[StealthyCipher]\nActivate=1\n");
}

TEST(Settings, UpdatesKeepOtherSectionsAndKeys)
{
    TempDir dir;
    Settings s(dir.path());
    const std::string before = "; Zerath\r\n[StealthyCipher]\r\nActivate=0\r\n\r\n[CompressionLevel]\r\n"
                               "Other=x\r\nLEVEL=3\r\n\r\n[Window]\r\nLeft=10\r\n";
    writeFile(s.path(), before);
    s.SaveOptions(3, 8); // the key takes the program's spelling; everything else stays
    std::string expect = before + "\r\n[FileShredder]\r\nCount=8\r\n";
    expect.replace(expect.find("LEVEL"), 5, "level");
    EXPECT_EQ(readFile(s.path()), expect);
    s.SaveOptions(0, 6);
    EXPECT_EQ(readFile(s.path()), "; Zerath\r\n[StealthyCipher]\r\nActivate=0\r\n\r\n[CompressionLevel]\r\n"
                                  "Other=x\r\nlevel=0\r\n\r\n[Window]\r\nLeft=10\r\n\r\n[FileShredder]\r\nCount=6\r\n");
    EXPECT_FALSE(s.stealthyCipher());

    // A key missing from an existing section goes to the end of that section.
    writeFile(s.path(), "[FileShredder]\nOther=1\n\n[X]\ny=2");
    s.SaveOptions(2, 4);
    EXPECT_EQ(readFile(s.path()), "[FileShredder]\nOther=1\nCount=4\n\n[X]\ny=2\n\n[CompressionLevel]\nlevel=2\n");
}

TEST(Settings, FailedWriteKeepsThePreviousFile)
{
    TempDir dir;
    Settings s(dir.path());
    const std::string before = "[CompressionLevel]\nlevel=3\n[FileShredder]\nCount=8\n";
    writeFile(s.path(), before);
    for (FaultPlan plan : {FaultPlan{10, -1, -1}, FaultPlan{-1, 0, -1}, FaultPlan{-1, -1, 0}}) {
        {
            FaultGuard g(plan);
            EXPECT_THROW(s.SaveOptions(0, 10), EFileError);
        }
        FaultGuard g(plan);
        EXPECT_THROW(s.SaveStealthyCipher(false), EFileError);
    }
    EXPECT_EQ(readFile(s.path()), before);
    EXPECT_EQ(s.shredCount(), 8);

    // A folder that does not exist cannot take the file.
    Settings nowhere(dir.file("missing"));
    try {
        nowhere.SaveOptions(1, 4);
        ADD_FAILURE();
    } catch (const EFileError& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
}

TEST(Settings, ClampPassCount)
{
    const std::pair<int, int> cases[] = {{4, 4},   {6, 6},  {8, 8},   {10, 10},      {5, 5 - 1}, {7, 6},
                                         {9, 8},   {11, 10}, {1000, 10}, {3, 4},     {0, 4},     {-5, 4},
                                         {INT32_MIN, 4}, {INT32_MAX, 4}, {65536 + 8, 8}, {65536 + 3, 4}};
    for (auto [in, out] : cases) EXPECT_EQ(Settings::ClampPassCount(in), out) << in;
}

TEST(IniFile, Basics)
{
    IniFile ini("[A]\nk = v \n[ b ]\nK=w\n");
    EXPECT_EQ(ini.value("a", "K").value(), "v");
    EXPECT_EQ(ini.value("B", "k").value(), "w");
    EXPECT_FALSE(ini.value("C", "k"));
    EXPECT_FALSE(ini.value("A", "x"));
    ini.setValue("b", "K", "z");
    EXPECT_EQ(ini.text(), "[A]\nk = v \n[ b ]\nK=z\n");
    EXPECT_EQ(IniFile("").text(), "");
}
