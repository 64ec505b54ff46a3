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
    EXPECT_EQ(enc.err, "zerath-cli: " + none + ": File to encrypt does not exists or the name is empty.\n");
    EXPECT_EQ(cli({"--home", home.path(), "encrypt", "--to", id, a, b}).code, 1); // both refused

    const CliRun inspect = cli({"--home", home.path(), "inspect", a + ".enc"});
    EXPECT_EQ(inspect.out.substr(0, 24), "Cipher: Rijndael (AES)\nW");
    EXPECT_NE(inspect.out.find("Made for: " + id + " Alice Example <alice@example.org>\n"), std::string::npos);

    std::remove(a.c_str());
    const CliRun dec = cli({"--home", home.path(), "decrypt", "--passphrase-file", "-", a + ".enc", b + ".enc"},
                           "correct horse battery\n");
    EXPECT_EQ(dec.code, 1);
    EXPECT_EQ(dec.out, a + "\n");
    EXPECT_EQ(dec.err, "zerath-cli: " + b + ".enc: kept the existing b.txt\n");
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
    const std::string tree = top.file("tree"), home = tree + "/data", pw = top.file("pw");
    for (const std::string& d : {tree, tree + "/sub", tree + "/sub/deep", home}) ::mkdir(d.c_str(), 0700);
    writeFile(pw, "correct horse battery\n");
    const CliRun imported = cli({"--home", home, "import", dataPath("keys/alice-private.akf"), "--passphrase-file", pw});
    const std::string id = imported.out.substr(0, imported.out.find('\n'));
    const std::vector<std::string> plain{"/.hidden", "/sub/b.txt", "/sub/deep/c.bin"};
    for (const std::string& f : plain) writeFile(tree + f, f);
    writeFile(tree + "/old.enc", "kept as it is");
    ::link((tree + "/old.enc").c_str(), (tree + "/sub/twin").c_str());
    ::symlink("sub/b.txt", (tree + "/link").c_str());
    const CliRun noR = cli({"--home", home, "encrypt", "--to", id, tree});
    EXPECT_EQ(noR.code, 2);
    EXPECT_EQ(noR.err.find("zerath-cli: " + tree + " is a folder; add -r"), 0u);

    const CliRun enc = cli({"--home", home, "encrypt", "--to", id, "--wipe", "-r", tree});
    EXPECT_EQ(enc.out, tree + plain[0] + ".enc\n" + tree + plain[1] + ".enc\n" + tree + plain[2] + ".enc\n");
    EXPECT_EQ(enc.err, tree + "/link: skipped: symbolic link, not followed\n" + tree +
                           "/old.enc: skipped: already encrypted\n" + home + "/ZerathKeys.db: skipped: Zerath's own data file\n" +
                           home + "/ZerathKeys.db.lock: skipped: Zerath's own data file\n" + tree +
                           "/sub/twin: skipped: has other hard links, which the wipe would destroy too\n");
    std::remove((tree + "/old.enc").c_str());
    std::remove((tree + "/sub/twin").c_str());
    EXPECT_EQ(cli({"--home", home, "decrypt", "--passphrase-file", pw, "--recursive", tree}).code, 0);
    for (const std::string& f : plain) EXPECT_EQ(readFile(tree + f), f);
}

} // namespace
} // namespace zerath::test
