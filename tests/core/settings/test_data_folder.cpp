#include "settings/DataFolder.h"

#include "Environment.h"
#include "TempDir.h"
#include "TestHelpers.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace zerath;
using zerath::test::EnvironmentScope;
using zerath::test::TempDir;
using zerath::test::writeFile;

namespace {

// One start of a program: what the user set, what lies beside the executable.
struct RuleCase {
    const char* name;
    const char* homeOption;    // "" = no --home
    const char* zerathHome;    // nullptr = unset; "@" = the scratch folder
    const char* besideExe;     // file placed in the executable's folder, or nullptr
    bool exeWritable;
    const char* xdgDataHome;   // nullptr = unset; "@" = the scratch folder
    const char* expected;      // "exe", "xdg", "home-default", or a literal folder
};

const RuleCase kRuleCases[] = {
    {"HomeOptionWinsOverEnvironment", "/srv/mine", "/srv/env", "ZerathKeys.db", true, "@", "/srv/mine/"},
    {"EnvironmentWinsOverPortable", "", "/srv/env/", "ZerathKeys.db", true, "@", "/srv/env/"},
    {"PortableKeyRing", "", nullptr, "ZerathKeys.db", true, "@", "exe"},
    {"PortableSettings", "", nullptr, "zerath.ini", true, "@", "exe"},
    {"EmptyEnvironmentIsUnset", "", "", "zerath.ini", true, "@", "exe"},
    {"UnwritablePortableFolder", "", nullptr, "ZerathKeys.db", false, "@", "xdg"},
    {"NothingBesideExecutable", "", nullptr, nullptr, true, "@", "xdg"},
    {"XdgUnset", "", nullptr, nullptr, true, nullptr, "home-default"},
    {"XdgRelativeIsIgnored", "", nullptr, nullptr, true, "relative/data", "home-default"},
};

class DataFolderRule : public ::testing::TestWithParam<RuleCase> {};

} // namespace

TEST_P(DataFolderRule, PicksTheFolder)
{
    const RuleCase& c = GetParam();
    TempDir exe, scratch;
    const auto env = [&](const char* v) -> std::optional<std::string> {
        if (!v) return std::nullopt;
        return std::string(v) == "@" ? scratch.path() : std::string(v);
    };
    EnvironmentScope scope({{"ZERATH_HOME", env(c.zerathHome)},
                            {"XDG_DATA_HOME", env(c.xdgDataHome)},
                            {"HOME", scratch.file("home")}});
    if (c.besideExe) writeFile(exe.file(c.besideExe), "");
    if (!c.exeWritable) scope.makeUnwritable(exe.path());

    const std::string expected = std::string(c.expected) == "exe" ? exe.path()
                                 : std::string(c.expected) == "xdg" ? scratch.file("zerath/")
                                 : std::string(c.expected) == "home-default" ? scratch.file("home/.local/share/zerath/")
                                                                             : std::string(c.expected);
    EXPECT_EQ(ResolveDataFolder(c.homeOption, exe.path()), expected);
    // The executable's folder given without its trailing separator counts the same.
    EXPECT_EQ(ResolveDataFolder(c.homeOption, exe.path().substr(0, exe.path().size() - 1)), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DataFolderRule, ::testing::ValuesIn(kRuleCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DataFolder, FolderInPlaceOfAPortableFileDoesNotCount)
{
    TempDir exe, scratch;
    EnvironmentScope scope({{"XDG_DATA_HOME", scratch.path()}});
    ASSERT_EQ(::mkdir(exe.file("ZerathKeys.db").c_str(), 0700), 0);
    EXPECT_EQ(ResolveDataFolder("", exe.path()), scratch.file("zerath/"));
}

TEST(DataFolder, CreatedOwnerOnlyWithItsParents)
{
    TempDir scratch;
    const std::string folder = scratch.file("a/b/zerath/");
    CreateDataFolder(folder);
    EXPECT_EQ(zerath::test::modeOf(folder) & 0777, 0700u);
    EXPECT_EQ(zerath::test::modeOf(scratch.file("a")) & 0777, 0700u);
    // An existing folder is kept as it is.
    ASSERT_EQ(::chmod(folder.c_str(), 0750), 0);
    CreateDataFolder(scratch.file("a/b/zerath"));
    EXPECT_EQ(zerath::test::modeOf(folder) & 0777, 0750u);
    // A file where the folder should be is an error.
    writeFile(scratch.file("plain"), "x");
    EXPECT_NE(zerath::test::errorOf([&] { CreateDataFolder(scratch.file("plain/zerath")); }),
              zerath::test::kNoError);
}
