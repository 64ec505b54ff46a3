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

// Wipe on, the two names of the hard-linked file are left out as well.
TEST(FolderWalk, TakesRegularFilesAndNamesEveryOtherWithItsReason)
{
    Tree t;
    std::map<std::string, std::string> left{
        {"tree/$000003.tmp", kSkipTemporary},      {"tree/sub/.zerath-Ab12Cd.tmp", kSkipTemporary},
        {"tree/data/ZerathKeys.db", kSkipOwnData}, {"tree/data/zerath.ini.lock", kSkipOwnData},
        {"tree/data/PrivateABCD1234.akf", kSkipOwnData}, {"tree/sub/link", kSkipLink},
        {"tree/pipe", kSkipSpecial},               {"tree/old.enc", kSkipEncrypted}};
    std::vector<std::string> taken{"tree/.hidden",       "tree/PublicABCD1234.akf", "tree/a.txt",
                                   "tree/data/note.txt", "tree/sub/b.bin",          "tree/sub/deep/c",
                                   "tree/sub/deep/twin"};
    for (const bool wipe : {false, true}) {
        if (wipe) {
            left["tree/sub/b.bin"] = left["tree/sub/deep/twin"] = kSkipLinked;
            taken = {taken[0], taken[1], taken[2], taken[3], taken[5]};
        }
        const FileSelection s = SelectFiles({t.root}, {false, wipe, t.dir.file("tree/data/")});
        std::vector<std::string> files;
        for (const std::string& f : s.files) files.push_back(t.rel(f));
        std::map<std::string, std::string> skipped;
        for (const SkippedFile& f : s.skipped) skipped[t.rel(f.path)] = f.reason;
        EXPECT_EQ(files, taken);
        EXPECT_EQ(skipped, left);
    }
}

} // namespace
} // namespace zerath::test
