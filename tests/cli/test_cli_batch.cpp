// zerath-cli with several files: each file's outcome, the exit code, the key
// pair found without --key, and what inspect tells of a file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CliRunner.h"
#include "TempDir.h"
#include "TestHelpers.h"

namespace zerath::test {
namespace {

TEST(CliBatch, SeveralFilesWithAFailingOneAndTheKeyPairFoundWithoutKey)
{
    TempDir home;
    writeFile(home.file("pw"), "correct horse battery\n");
    const CliRun imported = cli({"--home", home.path(), "import", dataPath("keys/alice-private.akf"),
                                 "--passphrase-file", home.file("pw")});
    ASSERT_EQ(imported.code, 0) << imported.err;
    const std::string id = imported.out.substr(0, imported.out.find('\n'));
    writeFile(home.file("a.txt"), "alpha");
    writeFile(home.file("b.txt"), "beta");

    const std::string a = home.file("a.txt"), b = home.file("b.txt"), none = home.file("none.txt");
    const CliRun enc = cli({"--home", home.path(), "encrypt", "--to", id, "--cipher", "0", a, none, b});
    EXPECT_EQ(enc.code, 1);
    EXPECT_EQ(enc.out, a + ".enc\n" + b + ".enc\n");
    EXPECT_EQ(enc.err, none + ": File to encrypt does not exists or the name is empty.\n");
    EXPECT_EQ(cli({"--home", home.path(), "encrypt", "--to", id, a, b}).code, 1); // both refused

    const CliRun inspect = cli({"--home", home.path(), "inspect", a + ".enc"});
    EXPECT_EQ(inspect.out.substr(0, 24), "Cipher: Rijndael (AES)\nW");
    EXPECT_NE(inspect.out.find("Made for: " + id + " Alice Example <alice@example.org>\n"), std::string::npos);

    std::remove(a.c_str());
    const CliRun dec = cli({"--home", home.path(), "decrypt", "--passphrase-file", "-", a + ".enc", b + ".enc"},
                           "correct horse battery\n");
    EXPECT_EQ(dec.code, 1);
    EXPECT_EQ(dec.out, a + "\n");
    EXPECT_EQ(dec.err, b + ".enc: kept the existing b.txt\n");
    EXPECT_EQ(readFile(a), "alpha");
    const CliRun ok = cli({"--home", home.path(), "decrypt", "--passphrase-file", home.file("pw"), "--force",
                           a + ".enc", b + ".enc"});
    EXPECT_EQ(ok.code, 0) << ok.err;

    const CliRun stranger = cli({"--home", TempDir().path(), "inspect", a + ".enc"});
    EXPECT_NE(stranger.out.find("Made for: no key in the key ring (check value "), std::string::npos);
}

// A tree with the data folder inside it: encrypted with -r and --wipe, then
// decrypted back, every output beside its source and every file left out named.
TEST(CliBatch, AFolderTreeRoundTripsWithRecursive)
{
    TempDir top;
    const std::string tree = top.file("tree"), home = tree + "/data";
    for (const std::string& d : {tree, tree + "/sub", tree + "/sub/deep", home}) ::mkdir(d.c_str(), 0700);
    writeFile(top.file("pw"), "correct horse battery\n");
    const CliRun imported =
        cli({"--home", home, "import", dataPath("keys/alice-private.akf"), "--passphrase-file", top.file("pw")});
    ASSERT_EQ(imported.code, 0) << imported.err;
    const std::string id = imported.out.substr(0, imported.out.find('\n'));
    const std::vector<std::string> plain{"/.hidden", "/sub/deep/c.bin", "/sub/b.txt"};
    for (const std::string& f : plain) writeFile(tree + f, "content of " + f);
    writeFile(tree + "/old.enc", "kept as it is");
    writeFile(tree + "/shared", "two names");
    ::link((tree + "/shared").c_str(), (tree + "/sub/shared-too").c_str());
    ::symlink("sub/b.txt", (tree + "/link").c_str());

    const CliRun noR = cli({"--home", home, "encrypt", "--to", id, tree});
    EXPECT_EQ(noR.code, 2);
    EXPECT_EQ(noR.err.substr(0, noR.err.find('\n')), "zerath-cli: " + tree + " is a folder; add -r to take the files beneath it");

    const CliRun enc = cli({"--home", home, "encrypt", "--to", id, "--wipe", "-r", tree});
    EXPECT_EQ(enc.code, 0) << enc.err;
    EXPECT_EQ(enc.out, tree + "/.hidden.enc\n" + tree + "/sub/b.txt.enc\n" + tree + "/sub/deep/c.bin.enc\n");
    const std::string own = ": skipped: Zerath's own data file\n", linked = ": skipped: has other hard links, which the wipe would destroy too\n";
    EXPECT_EQ(enc.err, tree + "/link: skipped: symbolic link, not followed\n" + tree +
                           "/old.enc: skipped: already encrypted\n" + tree + "/shared" + linked + home +
                           "/ZerathKeys.db" + own + home + "/ZerathKeys.db.lock" + own + tree + "/sub/shared-too" +
                           linked);
    EXPECT_EQ(folderNames(tree + "/sub"), (std::vector<std::string>{"b.txt.enc", "deep", "shared-too"}));
    EXPECT_EQ(readFile(tree + "/shared"), "two names");

    std::remove((tree + "/old.enc").c_str());
    const CliRun dec = cli({"--home", home, "decrypt", "--passphrase-file", top.file("pw"), "--recursive", tree});
    EXPECT_EQ(dec.code, 0) << dec.err;
    for (const std::string& f : plain) EXPECT_EQ(readFile(tree + f), "content of " + f);
}

} // namespace
} // namespace zerath::test
