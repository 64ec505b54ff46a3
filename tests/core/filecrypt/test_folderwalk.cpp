// Which files a folder gives a batch, and why each other one is left out.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>

#include "TempDir.h"
#include "filecrypt/FolderWalk.h"

namespace zerath::test {
namespace {

// A tree with something of each kind: nested folders, a hidden file, a link,
// an encrypted file, a hard-linked file, temporaries, and the data folder.
struct Tree {
    TempDir dir;
    std::string root = dir.file("tree");
    Tree()
    {
        for (const char* f : {"tree", "tree/sub", "tree/sub/deep", "tree/data"}) ::mkdir(dir.file(f).c_str(), 0700);
        for (const char* f : {"tree/a.txt", "tree/.hidden", "tree/sub/b.bin", "tree/sub/deep/c", "tree/old.enc",
                              "tree/sub/.zerath-Ab12Cd.tmp", "tree/$000003.tmp", "tree/data/ZerathKeys.db",
                              "tree/data/zerath.ini.lock", "tree/data/PrivateABCD1234.akf", "tree/data/note.txt",
                              "tree/PublicABCD1234.akf"})
            writeFile(dir.file(f), "x");
        ::symlink("a.txt", dir.file("tree/sub/link").c_str());
        ::link(dir.file("tree/sub/b.bin").c_str(), dir.file("tree/sub/deep/twin").c_str());
        ::mkfifo(dir.file("tree/pipe").c_str(), 0600);
    }
    std::string rel(const std::string& p) const { return p.substr(dir.path().size()); }
};

struct WalkCase {
    const char* name;
    bool decrypt, wipe;
    std::vector<std::string> files;
    std::map<std::string, std::string> skipped; // path → reason
};

class FolderWalk : public testing::TestWithParam<WalkCase> {};

TEST_P(FolderWalk, TakesRegularFilesAndNamesEveryOtherWithItsReason)
{
    const WalkCase& c = GetParam();
    Tree t;
    const FileSelection s = SelectFiles({t.root}, {c.decrypt, c.wipe, t.dir.file("tree/data/")});
    std::vector<std::string> files;
    for (const std::string& f : s.files) files.push_back(t.rel(f));
    EXPECT_EQ(files, c.files);
    std::map<std::string, std::string> skipped;
    for (const SkippedFile& f : s.skipped) skipped[t.rel(f.path)] = f.reason;
    EXPECT_EQ(skipped, c.skipped);
    EXPECT_TRUE(s.hadFolder);
}

const std::map<std::string, std::string> kAlwaysLeft{
    {"tree/$000003.tmp", kSkipTemporary},      {"tree/sub/.zerath-Ab12Cd.tmp", kSkipTemporary},
    {"tree/data/ZerathKeys.db", kSkipOwnData}, {"tree/data/zerath.ini.lock", kSkipOwnData},
    {"tree/data/PrivateABCD1234.akf", kSkipOwnData}, {"tree/sub/link", kSkipLink}, {"tree/pipe", kSkipSpecial}};

std::map<std::string, std::string> plus(std::map<std::string, std::string> m,
                                        const std::map<std::string, std::string>& more)
{
    m.insert(more.begin(), more.end());
    return m;
}

INSTANTIATE_TEST_SUITE_P(
    Trees, FolderWalk,
    testing::Values(
        WalkCase{"Encrypt", false, false,
                 {"tree/.hidden", "tree/PublicABCD1234.akf", "tree/a.txt", "tree/data/note.txt", "tree/sub/b.bin",
                  "tree/sub/deep/c", "tree/sub/deep/twin"},
                 plus(kAlwaysLeft, {{"tree/old.enc", kSkipEncrypted}})},
        WalkCase{"EncryptAndWipe", false, true,
                 {"tree/.hidden", "tree/PublicABCD1234.akf", "tree/a.txt", "tree/data/note.txt", "tree/sub/deep/c"},
                 plus(kAlwaysLeft, {{"tree/old.enc", kSkipEncrypted},
                                    {"tree/sub/b.bin", kSkipLinked},
                                    {"tree/sub/deep/twin", kSkipLinked}})},
        WalkCase{"Decrypt", true, false, {"tree/old.enc"},
                 plus(kAlwaysLeft, {{"tree/.hidden", kSkipNotEncrypted},
                                    {"tree/PublicABCD1234.akf", kSkipNotEncrypted},
                                    {"tree/a.txt", kSkipNotEncrypted},
                                    {"tree/data/note.txt", kSkipNotEncrypted},
                                    {"tree/sub/b.bin", kSkipNotEncrypted},
                                    {"tree/sub/deep/c", kSkipNotEncrypted},
                                    {"tree/sub/deep/twin", kSkipNotEncrypted}})}),
    [](const testing::TestParamInfo<WalkCase>& i) { return std::string(i.param.name); });

TEST(FolderWalkArguments, AFileIsTakenAsGivenAndAMissingFolderEntryIsNamed)
{
    Tree t;
    const FileSelection s = SelectFiles({t.dir.file("tree/old.enc"), t.dir.file("tree/sub/deep")}, {});
    EXPECT_EQ(s.files, (std::vector<std::string>{t.dir.file("tree/old.enc"), t.dir.file("tree/sub/deep/c"),
                                                 t.dir.file("tree/sub/deep/twin")}));
    EXPECT_EQ(SelectFiles({t.dir.file("tree/a.txt")}, {}).hadFolder, false);
    EXPECT_EQ(cannotBeRead(EACCES), "cannot be read: permission denied");
}

} // namespace
} // namespace zerath::test
