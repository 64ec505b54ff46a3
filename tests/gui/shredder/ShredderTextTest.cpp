#include <gtest/gtest.h>

#include <QLocale>

#include <fcntl.h>
#include <unistd.h>

#include "TempDir.h"
#include "windows/ShredderText.h"

using zerath::test::TempDir;
using zerath::test::writeFile;

namespace {

class LocaleScope {
public:
    explicit LocaleScope(const QLocale& l) : m_old(QLocale()) { QLocale::setDefault(l); }
    ~LocaleScope() { QLocale::setDefault(m_old); }

private:
    QLocale m_old;
};

TEST(ShredderText, SizeTextsUsePowersOfTen)
{
    LocaleScope english(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(FormatSizeText(0), "0 bytes");
    EXPECT_EQ(FormatSizeText(999), "999 bytes");
    EXPECT_EQ(FormatSizeText(1000), "1.00 Kb");
    EXPECT_EQ(FormatSizeText(1536), "1.54 Kb");
    EXPECT_EQ(FormatSizeText(1024), "1.02 Kb");
    EXPECT_EQ(FormatSizeText(999999), "1000.00 Kb"); // no group separator
    EXPECT_EQ(FormatSizeText(1000000), "1.00 Mb");
    EXPECT_EQ(FormatSizeText(1234567), "1.23 Mb");
    // A vanished file counts -1 bytes; totals beyond 32 bits stay right.
    EXPECT_EQ(FormatSizeText(-1), "-1 bytes");
    EXPECT_EQ(FormatSizeText(Q_INT64_C(5000000000)), "5000.00 Mb");
    EXPECT_EQ(FormatSizeText(Q_INT64_C(3) << 31), "6442.45 Mb");
}

TEST(ShredderText, SizeTextsTakeTheLocalesDecimalSeparator)
{
    LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FormatSizeText(1536), "1,54 Kb");
    EXPECT_EQ(FormatSizeText(999999), "1000,00 Kb");
    EXPECT_EQ(FormatSizeText(999), "999 bytes");
}

TEST(ShredderText, PathsLongerThan58CharactersAreShortened)
{
    const QString p58 = "/" + QString(57, 'a');
    EXPECT_EQ(ShortenPathText(p58), p58);
    EXPECT_EQ(ShortenPathText(""), "");
    EXPECT_EQ(ShortenPathText("/"), "/");

    QString p59;
    for (int i = 0; i < 59; ++i)
        p59 += QChar('A' + i % 26);
    const QString s = ShortenPathText(p59);
    EXPECT_EQ(s.size(), 58);
    EXPECT_EQ(s, p59.left(30) + "..." + p59.right(25));
    EXPECT_EQ(s.mid(30, 3), "...");

    const QString longPath = "/home/someone/Documents/Very long folder name/and another one/last";
    EXPECT_EQ(ShortenPathText(longPath), "/home/someone/Documents/Very l...name/and another one/last");

    // Characters outside the basic plane are counted whole and never split.
    QString wide;
    for (int i = 0; i < 60; ++i)
        wide += QString::fromUcs4(U"\U0001F512");
    const QString ws = ShortenPathText(wide);
    EXPECT_EQ(ws.toUcs4().size(), 58);
    EXPECT_TRUE(ws.startsWith(QString::fromUcs4(U"\U0001F512")));
    EXPECT_TRUE(ws.endsWith(QString::fromUcs4(U"\U0001F512")));
    QString wide58;
    for (int i = 0; i < 58; ++i)
        wide58 += QString::fromUcs4(U"\U0001F512");
    EXPECT_EQ(ShortenPathText(wide58), wide58);
}

TEST(ShredderText, FileSizesAre64BitAndMissingFilesCountMinusOne)
{
    TempDir dir;
    writeFile(dir.file("k.bin"), std::string(1536, 'x'));
    writeFile(dir.file("empty"), "");
    EXPECT_EQ(GetFileSizeOf(QString::fromStdString(dir.file("k.bin"))), 1536);
    EXPECT_EQ(GetFileSizeOf(QString::fromStdString(dir.file("empty"))), 0);
    EXPECT_EQ(GetFileSizeOf(QString::fromStdString(dir.file("missing"))), -1);
    EXPECT_EQ(GetFileSizeOf(QString()), -1);

    // A sparse file of 3 GiB takes no room but reports its full size.
    const std::string big = dir.file("big.bin");
    const int fd = ::open(big.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t(3) << 30), 0);
    ::close(fd);
    EXPECT_EQ(GetFileSizeOf(QString::fromStdString(big)), Q_INT64_C(3) << 30);
}

TEST(ShredderText, PathInFolder)
{
    EXPECT_EQ(PathInFolder("/tmp/x", "a.txt"), "/tmp/x/a.txt");
    EXPECT_EQ(PathInFolder("/", "a.txt"), "/a.txt");
    EXPECT_EQ(PathInFolder("/tmp/x/", "a.txt"), "/tmp/x/a.txt");
    EXPECT_EQ(PathInFolder("", "a.txt"), "a.txt");
}

} // namespace
