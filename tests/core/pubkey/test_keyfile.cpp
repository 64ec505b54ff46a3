// Key file armour, body, CRC, zlib and cipher steps shared by both key kinds.
#include "pubkey/KeyFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <regex>

#include "TempDir.h"
#include "TestHelpers.h"
#include "common/Error.h"
#include "common/FileIO.h"
#include "pubkey/KeyDateTime.h"
#include "test_keyfile_oracle.h"

using namespace zerath;
using zerath::test::errorOf;
using zerath::test::TempDir;

namespace {

// Number of empty lines between the last armour text line and the end marker.
int emptyLinesBeforeEnd(const std::string& file)
{
    const auto lines = SplitKeyFileLines(file);
    int n = 0;
    for (int i = static_cast<int>(lines.size()) - 2; i >= 0 && lines[static_cast<std::size_t>(i)].empty(); --i) ++n;
    return n;
}

} // namespace

TEST(KeyFileLines, SplitAcceptsCrLfCrAndLf)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitKeyFileLines("a\r\nb\rc\nd"), (V{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitKeyFileLines("a\r\n"), (V{"a"}));
    EXPECT_EQ(SplitKeyFileLines("a\r\r\n\n\r\n"), (V{"a", "", "", ""}));
    EXPECT_EQ(SplitKeyFileLines("\n\r"), (V{"", ""}));
    EXPECT_EQ(SplitKeyFileLines(""), V{});
    EXPECT_EQ(SplitKeyFileLines("\r\n\r\n"), (V{"", ""}));
}

TEST(KeyFileLines, TrimDropsBlanksAndControlsOnly)
{
    EXPECT_EQ(TrimKeyText(" \t\r\n\x01 ab c\x1f \x7f\r\n "), "ab c\x1f \x7f");
    EXPECT_EQ(TrimKeyText(" \r\n"), "");
    EXPECT_EQ(TrimKeyText("\xE9x\xE9"), "\xE9x\xE9"); // bytes above 0x7F are text
}

TEST(KeyFileLines, ArmourDropsEveryHashLineAndJoins)
{
    const std::string file = "#---Begin anything---\r\n#comment\nAAAA\rBB#B\r\n# another\r\n  \r\nCC\r\n\r\n#---End---";
    EXPECT_EQ(ArmouredTextOf(file), "AAAABB#B  CC");
    EXPECT_EQ(ArmouredTextOf("#only\r\n#lines\r\n"), "");
    EXPECT_EQ(ArmouredTextOf("  X  \r\n"), "X");
}

TEST(KeyFileLines, WrapCutsTheTextWithItsLineBreaksInto50)
{
    std::vector<std::string> lines{std::string(120, 'a')};
    WrapKeyLines(lines);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string(50, 'a'));
    EXPECT_EQ(lines[1], std::string(50, 'a'));
    EXPECT_EQ(lines[2], std::string(20, 'a') + "\r\n");

    lines = {std::string(49, 'b')};
    WrapKeyLines(lines);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(49, 'b') + "\r");
    EXPECT_EQ(lines[1], "\n");

    lines = {"x", "y"};
    WrapKeyLines(lines);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "x\r\ny\r\n");

    lines.clear();
    WrapKeyLines(lines);
    EXPECT_TRUE(lines.empty());
}

TEST(KeyFileLines, FormatMatchesTheLayoutAndShowsEmptyLinesBeforeTheEndMarker)
{
    const std::string begin(kPublicKeyBeginMarker), end(kPublicKeyEndMarker);
    for (std::size_t len : {4u, 48u, 49u, 50u, 51u, 99u, 100u, 148u, 149u, 150u, 1392u}) {
        std::string b64(len, 'Q');
        for (std::size_t i = 0; i < len; ++i) b64[i] = "ABCDEFGH"[i % 8];
        const std::string file = FormatKeyFile(begin, end, b64);
        EXPECT_EQ(file, zerath::test::OracleFile(begin, end, b64)) << len;
        const int expected = (len % 50 == 0) ? 2 : (len % 50 == 49) ? 3 : 1;
        EXPECT_EQ(emptyLinesBeforeEnd(file), expected) << len;
        EXPECT_EQ(ArmouredTextOf(file), b64) << len;
        EXPECT_EQ(file.substr(0, begin.size() + 2), begin + "\r\n");
        EXPECT_EQ(file.substr(file.size() - end.size() - 2), end + "\r\n");
    }
}

TEST(KeyFileIni, SectionsAndKeysMatchWithoutCaseFirstOneWins)
{
    const std::string body = "; note\r\n"
                             "Orphan=1\r\n"
                             "[PublicKey]\r\n"
                             "KeyOwner = Alice B \r\n"
                             "modulus=abc\r\n"
                             "Modulus=second\r\n"
                             "NoEquals\r\n"
                             "Empty=\r\n"
                             "Eq=a=b\r\n"
                             "[Other]\r\n"
                             "Modulus=other\r\n"
                             "[PUBLICKEY]\r\n"
                             "Exponent=later\r\n";
    KeyIniText ini(body);
    EXPECT_EQ(ini.Read("publickey", "KEYOWNER").view(), "Alice B");
    EXPECT_EQ(ini.Read("PublicKey", "Modulus").view(), "abc");
    EXPECT_EQ(ini.Read("PublicKey", "Empty").view(), "");
    EXPECT_EQ(ini.Read("PublicKey", "Eq").view(), "a=b");
    EXPECT_EQ(ini.Read("PublicKey", "Missing").view(), "");
    EXPECT_EQ(ini.Read("PublicKey", "Exponent").view(), ""); // only the first section of a name counts
    EXPECT_EQ(ini.Read("Other", "modulus").view(), "other");
    EXPECT_EQ(ini.Read("PrivateKey", "Modulus").view(), "");
    EXPECT_EQ(ini.Read("", "Orphan").view(), "");
    // Lone CR and LF line ends work too.
    KeyIniText mixed("[S]\rA=1\nB=2");
    EXPECT_EQ(mixed.Read("s", "a").view(), "1");
    EXPECT_EQ(mixed.Read("s", "b").view(), "2");
}

TEST(KeyFileCrc, CheckStripsAMatchingCrcAndRefusesAnyOther)
{
    const std::string body = "[PublicKey]\r\nKeyOwner=x\r\n";
    EXPECT_EQ(KeyCRCText(body), zerath::test::OracleCrc(body));
    EXPECT_EQ(KeyCRCText("123456789"), "CBF43926");
    EXPECT_EQ(KeyCRCText(""), "00000000");

    SecureString good(body + KeyCRCText(body));
    EXPECT_TRUE(CheckKeyCRC(good));
    EXPECT_EQ(good.view(), body);

    std::string lower = KeyCRCText(body);
    for (auto& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower != KeyCRCText(body)) {
        SecureString s(body + lower);
        EXPECT_EQ(errorOf<Error>([&] { CheckKeyCRC(s); }), "Key file Corrupted, operation aborted");
    }
    SecureString changed("[PublicKey]\r\nKeyOwner=y\r\n" + KeyCRCText(body));
    EXPECT_EQ(errorOf<Error>([&] { CheckKeyCRC(changed); }), "Key file Corrupted, operation aborted");
    SecureString shortText("ABC");
    EXPECT_EQ(errorOf<Error>([&] { CheckKeyCRC(shortText); }), "Key file Corrupted, operation aborted");
    SecureString onlyCrc("00000000");
    EXPECT_TRUE(CheckKeyCRC(onlyCrc));
    EXPECT_TRUE(onlyCrc.empty());
}

TEST(KeyFileFingerPrint, Sha1InUpperCaseHexAndKeyIdIsItsTail)
{
    EXPECT_EQ(CalcFingerPrint("abc"), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(CalcFingerPrint(""), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
    EXPECT_EQ(CalcKeyID("A9993E364706816ABA3E25717850C26C9CD0D89D"), "9CD0D89D");
}

TEST(KeyFileOwner, BarAndLengthAbove73AreRefused)
{
    EXPECT_NO_THROW(CheckKeyOwnerName(std::string(73, 'x')));
    EXPECT_NO_THROW(CheckKeyOwnerName("Alice Example <alice@example.org>"));
    EXPECT_EQ(errorOf<Error>([] { CheckKeyOwnerName(std::string(74, 'x')); }),
              "The Key Owner cannot be longer than 73 characters.");
    EXPECT_EQ(errorOf<Error>([] { CheckKeyOwnerName("Ali|ce"); }), "The Key Owner cannot contain the character |.");
    EXPECT_EQ(errorOf<Error>([] { CheckKeyOwnerName(std::string(80, '|')); }),
              "The Key Owner cannot contain the character |.");
}

TEST(KeyFileZlib, Level9StreamIsZlibsOwnAndInflatesBack)
{
    std::mt19937 rng(7);
    for (std::size_t len : {0u, 1u, 100u, 5000u}) {
        std::string data(len, '\0');
        for (auto& c : data) c = static_cast<char>("abcdef0123\r\n"[rng() % 12]);
        const SecureBytes z = CompressBest(data);
        EXPECT_EQ(std::string(z.begin(), z.end()), zerath::test::OracleCompress9(data)) << len;
        EXPECT_EQ(DecompressCapped(z.data(), z.size(), 1 << 20).view(), data) << len;
    }
}

TEST(KeyFileZlib, BombTruncationAndTrailingBytesAreRefused)
{
    const std::string zeros(4u << 20, '\0');
    const std::string bomb = zerath::test::OracleCompress9(zeros);
    ASSERT_LT(bomb.size(), 10000u);
    EXPECT_THROW(DecompressCapped(bomb.data(), bomb.size(), kMaxKeyBodyBytes), Error);
    EXPECT_EQ(DecompressCapped(bomb.data(), bomb.size(), zeros.size()).size(), zeros.size());

    const std::string good = zerath::test::OracleCompress9("hello key body");
    EXPECT_THROW(DecompressCapped(good.data(), good.size() - 1, 1000), Error);
    const std::string trailing = good + "X";
    EXPECT_THROW(DecompressCapped(trailing.data(), trailing.size(), 1000), Error);
    std::string badAdler = good;
    badAdler.back() ^= 1;
    EXPECT_THROW(DecompressCapped(badAdler.data(), badAdler.size(), 1000), Error);
    EXPECT_THROW(DecompressCapped("", 0, 1000), Error);
}

TEST(KeyFileCipher, SealMatchesAnIndependentCfb8AndOpensBack)
{
    const std::string body = "[PublicKey]\r\nKeyOwner=Bob\r\nModulus=37\r\nExponent=3\r\nCDate=01/02/2024\r\n"
                             "CTime=03:04:05\r\n";
    const std::string pass = "correct horse battery";
    const std::string armour = SealKeyBody(body, pass);
    EXPECT_EQ(armour, zerath::test::OracleSeal(body, pass));
    EXPECT_EQ(OpenKeyBody(armour, pass).view(), TrimKeyText(body));
    // A wrong passphrase gives a stream zlib refuses.
    EXPECT_EQ(errorOf<Error>([&] { OpenKeyBody(armour, "correct horse batterz"); }),
              "RSA Key decryption Error. Corrupted key file!");
    EXPECT_EQ(errorOf<Error>([&] { OpenKeyBody("not base64 !!", pass); }), "RSA Key decryption Error. Corrupted key file!");
    EXPECT_EQ(errorOf<Error>([&] { OpenKeyBody("", pass); }), "RSA Key decryption Error. Corrupted key file!");
    // A bomb sealed under the right passphrase is refused as a corrupted file.
    const std::string bombArmour = zerath::test::OracleBase64Encode(
        zerath::test::OracleCfb8(zerath::test::OracleCompress9(std::string(3u << 20, 'A')), pass, true));
    EXPECT_EQ(errorOf<Error>([&] { OpenKeyBody(bombArmour, pass); }), "RSA Key decryption Error. Corrupted key file!");
}

TEST(KeyFileIo, WrittenThroughATemporaryWithTheGivenMode)
{
    TempDir dir;
    const std::string path = dir.file("k.akf");
    WriteKeyFile(path, kPrivateKeyBeginMarker, kPrivateKeyEndMarker, "QUJD", kOwnerOnly);
    struct stat st{};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(zerath::test::readFile(path), FormatKeyFile(kPrivateKeyBeginMarker, kPrivateKeyEndMarker, "QUJD"));
    EXPECT_EQ(ReadKeyFileArmour(path), "QUJD");

    // A failing write leaves the earlier file as it was and no temporary behind.
    FaultPlan plan;
    plan.failAfterBytes = 10;
    FaultInjection::set(plan);
    EXPECT_THROW(WriteKeyFile(path, kPrivateKeyBeginMarker, kPrivateKeyEndMarker, "WFla", kOwnerOnly), EFileError);
    FaultInjection::clear();
    EXPECT_EQ(ReadKeyFileArmour(path), "QUJD");
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(KeyFileIo, HugeFileIsRefusedBeforeItIsRead)
{
    TempDir dir;
    const std::string path = dir.file("huge.akf");
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t(4) << 30), 0); // sparse: 4 GiB that were never written
    ::close(fd);
    EXPECT_EQ(errorOf<Error>([&] { ReadKeyFileArmour(path); }), "File too large");
    EXPECT_EQ(errorOf<Error>([&] { ReadKeyFileArmour(dir.file("missing.akf")); }), "File not found");
}

TEST(KeyDateTimeText, FixedDayMonthYearAnd24HourForms)
{
    std::tm t{};
    t.tm_mday = 7;
    t.tm_mon = 2;
    t.tm_year = 124;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 1;
    const KeyDateTime k = FormatKeyDateTime(t);
    EXPECT_EQ(k.Date, "07/03/2024");
    EXPECT_EQ(k.Time, "09:05:01");
    t.tm_hour = 23;
    EXPECT_EQ(FormatKeyDateTime(t).Time, "23:05:01");
    const KeyDateTime now = CurrentKeyDateTime();
    EXPECT_TRUE(std::regex_match(now.Date, std::regex("[0-3][0-9]/[01][0-9]/[0-9]{4}"))) << now.Date;
    EXPECT_TRUE(std::regex_match(now.Time, std::regex("[0-2][0-9]:[0-5][0-9]:[0-6][0-9]"))) << now.Time;
}
