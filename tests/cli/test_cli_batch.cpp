// zerath-cli with several files: each file's outcome, the exit code, the key
// pair found without --key, and what inspect tells of a file.
#include <gtest/gtest.h>

#include "CliRunner.h"
#include "TempDir.h"

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
    EXPECT_EQ(dec.err, "zerath-cli: " + b + ".enc: Output file \"b.txt\" already exists. Overwrite?\n");
    EXPECT_EQ(readFile(a), "alpha");
    const CliRun ok = cli({"--home", home.path(), "decrypt", "--passphrase-file", home.file("pw"), "--force",
                           a + ".enc", b + ".enc"});
    EXPECT_EQ(ok.code, 0) << ok.err;

    const CliRun stranger = cli({"--home", TempDir().path(), "inspect", a + ".enc"});
    EXPECT_NE(stranger.out.find("Made for: no key in the key ring (check value "), std::string::npos);
}

} // namespace
} // namespace zerath::test
