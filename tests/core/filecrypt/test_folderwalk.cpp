// Which files a folder gives a batch, and why each other one is left out.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>

#include "CipherOracle.h"
#include "TempDir.h"
#include "filecrypt/FolderWalk.h"

namespace zerath::test {
namespace {

// The tree of tests/data/filecrypt/folder_walk.txt (nested folders, a hidden
// file, a link, an encrypted file, a hard-linked file, temporaries, the data
// folder), taken without and with the original to be wiped.
TEST(FolderWalk, TakesRegularFilesAndNamesEveryOtherWithItsReason)
{
    TempDir t;
    for (const char* f : {"tree", "tree/sub", "tree/sub/deep", "tree/data"}) ::mkdir(t.file(f).c_str(), 0700);
    const auto rows = readDataRows("filecrypt/folder_walk.txt");
    ASSERT_EQ(rows.size(), 15u);
    for (const auto& r : rows) {
        const std::string path = t.file(r[1]);
        if (r[0] == "file") writeFile(path, "x");
        if (r[0] == "link") ::symlink("a.txt", path.c_str());
        if (r[0] == "fifo") ::mkfifo(path.c_str(), 0600);
        if (r[0] == "hardlink") ::link(t.file("tree/sub/b.bin").c_str(), path.c_str());
    }
    for (const bool wipe : {false, true}) {
        std::vector<std::string> taken;
        std::map<std::string, std::string> left;
        for (const auto& r : rows) (r[wipe ? 3 : 2].empty() ? taken.push_back(r[1]) : void(left[r[1]] = r[wipe ? 3 : 2]));
        std::sort(taken.begin(), taken.end());
        const FileSelection s = SelectFiles({t.file("tree")}, {false, wipe, t.file("tree/data/")});
        std::vector<std::string> files;
        for (const std::string& f : s.files) files.push_back(f.substr(t.path().size()));
        std::map<std::string, std::string> skipped;
        for (const SkippedFile& f : s.skipped) skipped[f.path.substr(t.path().size())] = f.reason;
        EXPECT_EQ(files, taken) << wipe;
        EXPECT_EQ(skipped, left) << wipe;
    }
}

} // namespace
} // namespace zerath::test
