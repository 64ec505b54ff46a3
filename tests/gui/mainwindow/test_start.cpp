// Program start: the data folder the desktop program picks, and files named on
// its command line reaching their fields or the import dialog.
#include <gtest/gtest.h>

#include <QLineEdit>

#include <cstdlib>

#include "TempDir.h"
#include "TestHelpers.h"
#include "app/AppContext.h"
#include "settings/DataFolder.h"
#include "windows/CryptForm.h"

using zerath::test::TempDir;

namespace {

struct FolderCase {
    const char* name;
    const char* besideProgram; // file already beside the executable, or nullptr
    bool programFolderWritable, zerathHomeSet;
    const char* expected; // "env", "program" or "xdg"
};

const FolderCase kFolderCases[] = {
    {"EnvironmentFirst", "ZerathKeys.db", true, true, "env"},
    {"PortableSettings", "zerath.ini", true, false, "program"},
    {"PortableKeyRingUnwritable", "ZerathKeys.db", false, false, "xdg"},
    {"FreshInstall", nullptr, true, false, "xdg"},
};

class DataFolderRule : public ::testing::TestWithParam<FolderCase> {};

QString q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

TEST_P(DataFolderRule, PicksAndCreatesTheFolder)
{
    const FolderCase& c = GetParam();
    TempDir program, scratch;
    if (c.besideProgram) zerath::test::writeFile(program.file(c.besideProgram), "");
    ::setenv("XDG_DATA_HOME", scratch.path().c_str(), 1);
    c.zerathHomeSet ? ::setenv("ZERATH_HOME", scratch.file("env").c_str(), 1) : ::unsetenv("ZERATH_HOME");
    if (!c.programFolderWritable) zerath::SetFolderWritableCheck([](const std::string&) { return false; });

    const QString folder = AppContext::dataFolderFor(q(program.path()));
    zerath::SetFolderWritableCheck(nullptr);
    for (const char* name : {"XDG_DATA_HOME", "ZERATH_HOME"}) ::unsetenv(name);

    const std::string e = c.expected;
    const std::string expected = e == "env" ? scratch.file("env/") : e == "program" ? program.path() : scratch.file("zerath/");
    EXPECT_EQ(folder, q(expected));
    // Made owner-only when it had to be made (the program's folder already was).
    EXPECT_EQ(zerath::test::modeOf(expected) & 0777, 0700u);
}

INSTANTIATE_TEST_SUITE_P(Cases, DataFolderRule, ::testing::ValuesIn(kFolderCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StartFiles, EachKindLandsInItsPlace)
{
    TempDir dir;
    for (const char* name : {"notes.txt", "later.txt", "notes.txt.enc", "KEY.AKF"})
        zerath::test::writeFile(dir.file(name), "x");
    // A private key file under another name is known by its first line.
    zerath::test::writeFile(dir.file("mine.txt"), zerath::test::readFile(zerath::test::dataPath("keys/alice-private.akf")));

    TCryptForm::setShowSplash(false);
    AppContext ctx(q(dir.path()));
    TCryptForm w(ctx);
    QStringList offered;
    ctx.importKeyFile = [&](QWidget*, const QString& file) { offered << file; };

    w.openFiles({q(dir.file("notes.txt.enc")), q(dir.file("notes.txt")), q(dir.file("mine.txt")), q(dir.file("later.txt"))});
    EXPECT_EQ(w.EncFileEdit->text(), q(dir.file("notes.txt")));
    EXPECT_EQ(w.DecFileEdit->text(), q(dir.file("notes.txt.enc")));
    w.openFiles({q(dir.file("KEY.AKF")), q(dir.file("mine.txt"))});
    EXPECT_EQ(offered, QStringList({q(dir.file("mine.txt")), q(dir.file("KEY.AKF"))}));
}
