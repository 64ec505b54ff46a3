// Runs the built zerath-cli as a process: every command, its exit codes, its
// output and its messages word for word.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "TempDir.h"

using namespace zerath::test;

namespace {

std::vector<std::string> lines(const std::string& s)
{
    std::vector<std::string> v;
    std::size_t start = 0;
    while (start < s.size()) {
        const std::size_t nl = s.find('\n', start);
        v.push_back(s.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    return v;
}

std::vector<std::string> split(const std::string& s, char sep)
{
    std::vector<std::string> v;
    std::size_t start = 0;
    for (;;) {
        const std::size_t p = s.find(sep, start);
        v.push_back(s.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos) return v;
        start = p + 1;
    }
}

class Cli : public ::testing::Test {
protected:
    TempDir home;
    std::string pw, newPw, wrongPw;
    std::string privateFile, publicFile, privateId, publicId;

    void SetUp() override
    {
        pw = home.file("pw");
        writeFile(pw, "correct horse battery\n");
        newPw = home.file("newpw");
        writeFile(newPw, "a brand new passphrase\r\n");
        wrongPw = home.file("wrong");
        writeFile(wrongPw, "not the passphrase\n");
    }

    void makeAndImportPair()
    {
        CliRun g = cli({"--home", home.path(), "keygen", "--owner", "Cli Tester", "--passphrase-file", pw});
        ASSERT_EQ(g.code, 0) << g.err;
        auto l = lines(g.out);
        ASSERT_EQ(l.size(), 2u);
        privateFile = l[0];
        publicFile = l[1];
        CliRun a = cli({"--home", home.path(), "import", publicFile});
        ASSERT_EQ(a.code, 0) << a.err;
        publicId = lines(a.out).at(0);
        CliRun b = cli({"--home", home.path(), "import", privateFile, "--passphrase-file", "-"}, "correct horse battery\n");
        ASSERT_EQ(b.code, 0) << b.err;
        privateId = lines(b.out).at(0);
    }
};

} // namespace

TEST_F(Cli, UsageAndHelp)
{
    CliRun none = cli({});
    EXPECT_EQ(none.code, 2);
    EXPECT_NE(none.err.find("usage: zerath-cli"), std::string::npos);
    CliRun help = cli({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("encrypt --to KEYID"), std::string::npos);
    for (const char* c : {"keygen", "import", "list", "info", "remove", "export-public", "export-private", "passwd",
                          "encrypt", "decrypt", "shred"}) {
        CliRun h = cli({c, "--help"});
        EXPECT_EQ(h.code, 0) << c;
        EXPECT_NE(h.out.find(std::string("zerath-cli ") + c), std::string::npos) << c;
    }
    EXPECT_EQ(cli({"frobnicate"}).code, 2);
    EXPECT_EQ(cli({"--home", home.path(), "encrypt", "file"}).code, 2);           // no --to
    EXPECT_EQ(cli({"--home", home.path(), "list", "--bogus"}).code, 2);
    EXPECT_EQ(cli({"--home", home.path(), "encrypt", "--to", "X", "--level", "7", "f"}).code, 2);
    EXPECT_EQ(cli({"--home", home.path(), "encrypt", "--to", "X", "--cipher", "des", "f"}).code, 2);
}

TEST_F(Cli, KeysFromGenerationToRemoval)
{
    makeAndImportPair();
    struct stat st {};
    ASSERT_EQ(::stat(privateFile.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(home.file("ZerathKeys.db").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(privateFile, home.file("Private" + privateId + ".akf"));
    EXPECT_EQ(publicFile, home.file("Public" + publicId + ".akf"));

    CliRun list = cli({"--home", home.path(), "list"});
    ASSERT_EQ(list.code, 0);
    auto rows = lines(list.out);
    ASSERT_EQ(rows.size(), 2u);
    auto pubRow = split(rows[0], '\t');
    ASSERT_EQ(pubRow.size(), 5u);
    EXPECT_EQ(pubRow[0], "Pub");
    EXPECT_EQ(pubRow[1], "Cli Tester");
    EXPECT_EQ(pubRow[2], publicId);
    EXPECT_EQ(pubRow[3], "2048");
    EXPECT_EQ(split(rows[1], '\t')[0], "Pub/Priv");

    CliRun info = cli({"--home", home.path(), "info", privateId});
    ASSERT_EQ(info.code, 0);
    auto il = lines(info.out);
    ASSERT_GE(il.size(), 10u);
    EXPECT_EQ(il[0], "Type: Pub/Priv");
    EXPECT_EQ(il[1], "Username: Cli Tester");
    EXPECT_EQ(il[2], "key ID: " + privateId);
    EXPECT_EQ(il[3], "Length: 2048");
    EXPECT_EQ(il[6], "Fingerprint:");
    EXPECT_EQ(il[8].size(), 20u);
    EXPECT_EQ(il[9].substr(12), privateId);

    // A duplicate import is refused with the key manager's warning.
    CliRun dup = cli({"--home", home.path(), "import", publicFile});
    EXPECT_EQ(dup.code, 1);
    EXPECT_EQ(dup.err, "The Key with ID: " + publicId + " already exists.\n To add this key, remove the previous key.\n");
    CliRun wrong = cli({"--home", home.path(), "import", privateFile, "--passphrase-file", wrongPw});
    EXPECT_EQ(wrong.code, 1);
    EXPECT_EQ(wrong.err, "Uncorrect passphrase, Error Importing key file, operation aborted\n");
    writeFile(home.file("junk.akf"), "not a key\n");
    CliRun junk = cli({"--home", home.path(), "import", home.file("junk.akf")});
    EXPECT_EQ(junk.code, 1);
    EXPECT_EQ(junk.err, "Unknown key file, operation aborted\n");

    // Exports: the public key of the pair, then the private key.
    CliRun ep = cli({"--home", home.path(), "export-public", privateId, home.file("exported-pub.akf")});
    ASSERT_EQ(ep.code, 0) << ep.err;
    CliRun ev = cli({"--home", home.path(), "export-private", privateId, home.file("exported-priv.akf"),
                  "--passphrase-file", pw});
    ASSERT_EQ(ev.code, 0) << ev.err;
    ASSERT_EQ(::stat(home.file("exported-priv.akf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    CliRun bad = cli({"--home", home.path(), "export-private", privateId, home.file("x.akf"), "--passphrase-file", wrongPw});
    EXPECT_EQ(bad.code, 1);
    EXPECT_EQ(bad.err, "Uncorrect Private Key passphrase?\n");
    CliRun again = cli({"--home", home.path(), "import", home.file("exported-pub.akf")});
    EXPECT_EQ(again.code, 0) << again.err;

    // Passphrase change: old fails afterwards, new works.
    CliRun pwWrong = cli({"--home", home.path(), "passwd", privateId, "--passphrase-file", wrongPw,
                       "--new-passphrase-file", newPw});
    EXPECT_EQ(pwWrong.code, 1);
    EXPECT_EQ(pwWrong.err, "Uncorrect passphrase, operation aboted\n");
    writeFile(home.file("short"), "short\n");
    CliRun pwShort = cli({"--home", home.path(), "passwd", privateId, "--passphrase-file", pw,
                       "--new-passphrase-file", home.file("short")});
    EXPECT_EQ(pwShort.code, 1);
    EXPECT_EQ(pwShort.err, "The new passphrase length must have 8 characters minimum! \n");
    CliRun pwOk = cli({"--home", home.path(), "passwd", privateId, "--passphrase-file", pw, "--new-passphrase-file", newPw});
    EXPECT_EQ(pwOk.code, 0) << pwOk.err;
    EXPECT_EQ(pwOk.out, "Passphrase was changed succussfully \n");
    EXPECT_EQ(cli({"--home", home.path(), "export-private", privateId, home.file("y.akf"), "--passphrase-file", pw}).code, 1);
    EXPECT_EQ(cli({"--home", home.path(), "export-private", privateId, home.file("y.akf"), "--passphrase-file", newPw}).code, 0);

    // Removal.
    CliRun rm = cli({"--home", home.path(), "remove", publicId});
    EXPECT_EQ(rm.code, 0) << rm.err;
    EXPECT_EQ(lines(cli({"--home", home.path(), "list"}).out).size(), 2u);
    CliRun gone = cli({"--home", home.path(), "info", publicId});
    EXPECT_EQ(gone.code, 1);
    EXPECT_EQ(gone.err, "The key " + publicId + " is not in the key ring.\n");
}

TEST_F(Cli, EncryptDecryptAndShred)
{
    makeAndImportPair();
    const std::string plain = home.file("letter.txt");
    std::string content;
    for (int i = 0; i < 5000; ++i) content += "line " + std::to_string(i) + "\n";
    writeFile(plain, content);

    for (const std::string cipher : {"0", "rc6", "MARS", "serpent", "4"}) {
        CliRun e = cli({"--home", home.path(), "encrypt", "--to", publicId, "--cipher", cipher, "--level", "2", "--force", plain});
        ASSERT_EQ(e.code, 0) << cipher << e.err;
        EXPECT_EQ(e.out, plain + ".enc\n");
        CliRun d = cli({"--home", home.path(), "decrypt", "--key", privateId, "--passphrase-file", pw, "--force",
                     plain + ".enc"});
        ASSERT_EQ(d.code, 0) << d.err;
        EXPECT_EQ(readFile(plain), content);
    }
    EXPECT_EQ(readFile(plain + ".enc")[0], char(4));

    // Without --force an existing output is refused with the question's text.
    CliRun refused = cli({"--home", home.path(), "encrypt", "--to", publicId, plain});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(refused.err, "Output file \"letter.txt.enc\" already exists. Overwrite?\n");
    CliRun refusedDec = cli({"--home", home.path(), "decrypt", "--key", privateId, "--passphrase-file", pw, plain + ".enc"});
    EXPECT_EQ(refusedDec.code, 1);
    EXPECT_EQ(refusedDec.err, "Output file \"letter.txt\" already exists. Overwrite?\n");

    // --key naming a public key only: the key pair the file was made for opens it.
    CliRun wrongKey =
        cli({"--home", home.path(), "decrypt", "--key", publicId, "--passphrase-file", pw, "--force", plain + ".enc"});
    EXPECT_EQ(wrongKey.code, 0) << wrongKey.err;

    // Failures word for word.
    CliRun wrongPass = cli({"--home", home.path(), "decrypt", "--key", privateId, "--passphrase-file", wrongPw, "--force",
                         plain + ".enc"});
    EXPECT_EQ(wrongPass.code, 1);
    EXPECT_EQ(wrongPass.err, "Uncorrect Passphrase for the private key. Decryption aborted\n");
    CliRun missing = cli({"--home", home.path(), "encrypt", "--to", publicId, home.file("nope.txt")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, "File to encrypt does not exists or the name is empty.\n");

    // --wipe removes the source after success.
    CliRun w = cli({"--home", home.path(), "encrypt", "--to", publicId, "--wipe", "--force", plain});
    EXPECT_EQ(w.code, 0) << w.err;
    EXPECT_FALSE(::access(plain.c_str(), F_OK) == 0);

    // Shred: several files, a missing one fails with its message.
    writeFile(home.file("a"), "aaa");
    writeFile(home.file("b"), std::string(3000, 'b'));
    CliRun s = cli({"--home", home.path(), "shred", "--passes", "6", home.file("a"), home.file("b")});
    EXPECT_EQ(s.code, 0) << s.err;
    EXPECT_NE(::access(home.file("a").c_str(), F_OK), 0);
    EXPECT_NE(::access(home.file("b").c_str(), F_OK), 0);
    CliRun sm = cli({"--home", home.path(), "shred", home.file("a")});
    EXPECT_EQ(sm.code, 1);
    EXPECT_EQ(sm.err, "Cannot find " + home.file("a") + " !\n");
}
