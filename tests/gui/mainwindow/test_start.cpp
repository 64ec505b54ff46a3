// Program start: the data folder the desktop program picks, and files named on
// its command line reaching their fields or the import dialog.
#include <gtest/gtest.h>

#include <QLineEdit>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "TempDir.h"
#include "TestHelpers.h"
#include "app/AppContext.h"
#include "common/Warnings.h"
#include "settings/DataFolder.h"
#include "windows/CryptForm.h"

using zerath::test::TempDir;

namespace {

struct FolderCase {
    const char* name;
    const char* besideProgram; // file already beside the executable, or nullptr
    bool programFolderWritable, zerathHomeSet;
    const char* expected; // "env", "program", "xdg" or "home" (~/.local/share/zerath)
    // What another user could have done: the mode of the program's folder (or
    // of the ZERATH_HOME folder) and of the file, a foreign group.
    mode_t folderMode = 0, fileMode = 0;
    gid_t folderGroup = gid_t(-1);
    const char* warning = nullptr; // part of the warning given, nullptr: none
    bool relativeXdg = false;
};

const FolderCase kFolderCases[] = {
    {"EnvironmentFirst", "ZerathKeys.db", true, true, "env"},
    {"PortableSettings", "zerath.ini", true, false, "program"},
    {"PortableKeyRingUnwritable", "ZerathKeys.db", false, false, "xdg"},
    {"FreshInstall", nullptr, true, false, "xdg"},
    {"PortableFolderOthersWrite", "ZerathKeys.db", true, false, "xdg", 0777, 0, gid_t(-1), "written by other users"},
    {"PortableKeyRingOthersWrite", "ZerathKeys.db", true, false, "xdg", 0, 0646, gid_t(-1), "db: it can be written"},
    {"PortableFolderOfASharedGroup", "zerath.ini", true, false, "xdg", 0770, 0, 54321, "written by a group"},
    {"HomeOthersWrite", nullptr, true, true, "env", 0777, 0, gid_t(-1), "can be written by other users"},
    {"RelativeXdgDataHome", nullptr, true, false, "home", 0, 0, gid_t(-1), nullptr, true},
};

class DataFolderRule : public ::testing::TestWithParam<FolderCase> {};

QString q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

TEST_P(DataFolderRule, PicksAndCreatesTheFolder)
{
    const FolderCase& c = GetParam();
    TempDir program, scratch;
    const std::string env = scratch.file("env/"), folderOfRow = c.zerathHomeSet ? env : program.path();
    if (c.zerathHomeSet && c.folderMode) ::mkdir(env.c_str(), 0700); // made by the user beforehand
    if (c.besideProgram) zerath::test::writeFile(program.file(c.besideProgram), "");
    // A foreign group needs the right to give the folder away (root).
    if (c.folderGroup != gid_t(-1) && ::chown(folderOfRow.c_str(), uid_t(-1), c.folderGroup) != 0)
        GTEST_SKIP() << "cannot give a folder to another group here";
    if (c.folderMode) ::chmod(folderOfRow.c_str(), c.folderMode);
    if (c.fileMode) ::chmod(program.file(c.besideProgram).c_str(), c.fileMode);
    ::setenv("XDG_DATA_HOME", c.relativeXdg ? "relative/share" : scratch.path().c_str(), 1);
    const std::string savedHome = std::getenv("HOME");
    ::setenv("HOME", scratch.file("home").c_str(), 1);
    c.zerathHomeSet ? ::setenv("ZERATH_HOME", env.c_str(), 1) : ::unsetenv("ZERATH_HOME");
    if (!c.programFolderWritable) zerath::SetFolderWritableCheck([](const std::string&) { return false; });
    std::vector<std::string> warnings;
    zerath::SetWarningSink([&](const std::string& text) { warnings.push_back(text); });

    const QString folder = AppContext::dataFolderFor(q(program.path()));
    zerath::SetWarningSink(nullptr);
    zerath::SetFolderWritableCheck(nullptr);
    for (const char* name : {"XDG_DATA_HOME", "ZERATH_HOME"}) ::unsetenv(name);
    ::setenv("HOME", savedHome.c_str(), 1);

    const std::string e = c.expected;
    const std::string expected = e == "env" ? env : e == "program" ? program.path()
                                 : scratch.file(e == "home" ? "home/.local/share/zerath/" : "zerath/");
    EXPECT_EQ(folder, q(expected));
    // Made owner-only when it had to be made (the program's folder already was).
    if (!c.folderMode) EXPECT_EQ(zerath::test::modeOf(expected) & 0777, 0700u);
    ASSERT_EQ(warnings.size(), c.warning ? 1u : 0u);
    if (c.warning) EXPECT_TRUE(warnings[0].find(folderOfRow) != std::string::npos && // the folder is named
                               warnings[0].find(c.warning) != std::string::npos) << warnings[0];
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
