// zerath-cli's commands run in process against a key ring made from the
// committed key files: exact standard output, standard error and exit code.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <iostream>
#include <set>
#include <sstream>

#include "FileOracle.h"
#include "KeyRingFixture.h"
#include "TestHelpers.h"
#include "keyring/KeyManager.h"
#include "keyring/KeyRing.h"

int zerathCliMain(int argc, char** argv);

using namespace zerath;
using namespace zerath::test;

namespace {

struct CliRun {
    int code = -1;
    std::string out, err;
};

// Runs the program's main with the arguments; standard input from a string.
CliRun cli(std::vector<std::string> args, const std::string& input = "")
{
    TempDir io;
    writeFile(io.file("in"), input);
    const int savedIn = ::dup(0);
    const int in = ::open(io.file("in").c_str(), O_RDONLY);
    ::dup2(in, 0);
    ::close(in);
    std::ostringstream out, err;
    auto* oldOut = std::cout.rdbuf(out.rdbuf());
    auto* oldErr = std::cerr.rdbuf(err.rdbuf());
    args.insert(args.begin(), "zerath-cli");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    CliRun r;
    r.code = zerathCliMain(static_cast<int>(argv.size()), argv.data());
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);
    ::dup2(savedIn, 0);
    ::close(savedIn);
    r.out = out.str();
    r.err = err.str();
    return r;
}

std::string replaced(std::string s, const std::map<std::string, std::string>& names)
{
    for (const auto& [from, to] : names)
        for (std::size_t at; (at = s.find(from)) != std::string::npos;) s.replace(at, from.size(), to);
    return s;
}

class Cli : public ::testing::Test {
protected:
    KeyRingFixture keys;
    std::string home = keys.home();
    std::map<std::string, std::string> names;
    void SetUp() override
    {
        writeFile(keys.file("pw"), std::string(kAlicePassphrase) + "\n");
        writeFile(keys.file("wrong"), "not the passphrase\n");
        writeFile(keys.file("newpw"), "a brand new passphrase\r\n");
        writeFile(keys.file("short"), "short\n");
        writeFile(keys.file("junk.akf"), "not a key\n");
        writeFile(keys.file("letter.txt"), std::string(5000, 'l'));
        names = {{"$H/", home},
                 {"$PUB", keys.idOf(TestKey::AlicePublic)},
                 {"$PAIR", keys.idOf(TestKey::AlicePair)},
                 {"$BOB", keyFileOf(TestKey::BobPublic)},
                 {"$BPAIR", keyFileOf(TestKey::BobPair)}};
    }
    CliRun run(const std::string& args, const std::string& input = "")
    {
        std::vector<std::string> v{"--home", home};
        std::istringstream words(replaced(args, names));
        for (std::string w; words >> w;) v.push_back(w);
        return cli(v, input);
    }
};

struct Step {
    const char* args;
    const char* input;
    int code;
    const char* out;
    const char* err; // ending in "..." compares the start only
};

TEST_F(Cli, CommandsInTurn)
{
    const Step steps[] = {
        {"import $BOB", "", 0, "CF8922D8\n", ""},
        {"import $BOB", "", 1, "", "The Key with ID: CF8922D8 already exists.\n To add this key, remove the previous key.\n"},
        {"import $BPAIR --passphrase-file $H/wrong", "", 1, "",
         "Uncorrect passphrase, Error Importing key file, operation aborted\n"},
        {"import $BPAIR --passphrase-file -", "bob battery staple\n", 0, "26542751\n", ""},
        {"import $H/junk.akf", "", 1, "", "Unknown key file, operation aborted\n"},
        {"export-public CF8922D8 $H/bob.akf", "", 0, "", ""},
        {"import $H/bob.akf", "", 0, "...", ""},
        {"remove CF8922D8", "", 0, "", ""},
        {"info CF8922D8", "", 1, "", "The key CF8922D8 is not in the key ring.\n"},
        {"export-private $PAIR $H/x.akf --passphrase-file $H/wrong", "", 1, "", "Uncorrect Private Key passphrase?\n"},
        {"passwd $PAIR --passphrase-file $H/wrong --new-passphrase-file $H/newpw", "", 1, "",
         "Uncorrect passphrase, operation aboted\n"},
        {"passwd $PAIR --passphrase-file $H/pw --new-passphrase-file $H/short", "", 1, "",
         "The new passphrase length must have 8 characters minimum! \n"},
        {"passwd $PAIR --passphrase-file $H/pw --new-passphrase-file $H/newpw", "", 0,
         "Passphrase was changed succussfully \n", ""},
        {"export-private $PAIR $H/x.akf --passphrase-file $H/pw", "", 1, "", "Uncorrect Private Key passphrase?\n"},
        {"encrypt --to $PUB --cipher mars --level 2 $H/letter.txt", "", 0, "$H/letter.txt.enc\n", ""},
        {"encrypt --to $PUB $H/letter.txt", "", 1, "", "Output file \"letter.txt.enc\" already exists. Overwrite?\n"},
        {"decrypt --key $PUB --passphrase-file $H/newpw $H/letter.txt.enc", "", 1, "", "Select a private key and try again.\n"},
        {"decrypt --key $PAIR --passphrase-file $H/pw $H/letter.txt.enc", "", 1, "",
         "Uncorrect Passphrase for the private key. Decryption aborted\n"},
        {"decrypt --key $PAIR --passphrase-file $H/newpw $H/letter.txt.enc", "", 1, "",
         "Output file \"letter.txt\" already exists. Overwrite?\n"},
        {"decrypt --key $PAIR --passphrase-file $H/newpw --force $H/letter.txt.enc", "", 0, "$H/letter.txt\n", ""},
        {"encrypt --to $PUB $H/nope.txt", "", 1, "", "File to encrypt does not exists or the name is empty.\n"},
        {"encrypt --to $PUB --wipe --force $H/letter.txt", "", 0, "$H/letter.txt.enc\n", ""},
        {"shred $H/letter.txt", "", 1, "", "Cannot find $H/letter.txt !\n"},
        {"encrypt $H/letter.txt.enc", "", 2, "", "zerath-cli: missing option --to\n..."},
        {"encrypt --to X --level 7 f", "", 2, "", "zerath-cli: the level is 0..3\n..."},
        {"encrypt --to X --cipher des f", "", 2, "", "zerath-cli: unknown cipher des\n..."},
        {"frobnicate", "", 2, "", "zerath-cli: unknown command frobnicate\n..."},
    };
    for (const Step& s : steps) {
        const CliRun r = run(s.args, s.input);
        const std::string out = replaced(s.out, names), err = replaced(s.err, names);
        EXPECT_EQ(r.code, s.code) << s.args << "\n" << r.err;
        if (out != "...") EXPECT_EQ(r.out, out) << s.args;
        if (err.size() > 3 && err.substr(err.size() - 3) == "...") {
            EXPECT_EQ(r.err.substr(0, err.size() - 3), err.substr(0, err.size() - 3)) << s.args;
        } else {
            EXPECT_EQ(r.err, err) << s.args;
        }
    }
    EXPECT_FALSE(fileExists(keys.file("letter.txt"))); // wiped
    EXPECT_FALSE(fileExists(keys.file("x.akf")));
    EXPECT_EQ(modeOf(keys.ringPath()), 0600u);
}

TEST_F(Cli, ListInfoAndKeyGeneration)
{
    KeyRing ring(home);
    ring.DBOpen();
    const KeyRecord pub = ring.RecordAt(0);
    ring.Close();
    EXPECT_EQ(run("list").out, "Pub\t" + pub.UserID + "\t" + pub.KeyID + "\t2048\t" + pub.Date + "\nPub/Priv\t" +
                                   pub.UserID + "\t" + keys.idOf(TestKey::AlicePair) + "\t2048\t" + pub.Date + "\n");
    std::string info;
    for (const std::string& l : KeyInformationLines(pub)) info += l + "\n";
    EXPECT_EQ(run("info $PUB").out, info);

    const CliRun g = run("keygen --owner Tester --passphrase-file $H/pw");
    ASSERT_EQ(g.code, 0) << g.err;
    const std::string privateFile = g.out.substr(0, g.out.find('\n'));
    EXPECT_EQ(privateFile.rfind(home + "Private", 0), 0u);
    EXPECT_EQ(modeOf(privateFile), 0600u);
    EXPECT_EQ(run("import " + privateFile + " --passphrase-file $H/pw").code, 0);
}

// zerath.ini gives encryption its cipher choice and level and the shredder its
// pass count when the command line does not.
TEST_F(Cli, DefaultsComeFromTheSettingsFile)
{
    const ClearKey clear = clearKeyOf(home, keys.idOf(TestKey::AlicePair), kAlicePassphrase);
    const std::string enc = home + "letter.txt.enc";
    std::set<int> ciphers;
    for (int i = 0; i < 12; ++i) {
        ASSERT_EQ(run("encrypt --to $PUB --force $H/letter.txt").code, 0);
        const OpenedFile f = openWithOracle(readFile(enc), clear);
        ciphers.insert(f.cipher);
        EXPECT_EQ(zlibLevelBits(f.zlib), 0); // level index 1 when nothing is set
        EXPECT_FALSE(onlyStoredBlocks(f.zlib));
    }
    EXPECT_GE(ciphers.size(), 2u); // Stealthy Cipher is on when nothing is set

    writeFile(home + "zerath.ini", "[StealthyCipher]\nActivate=0\n[CompressionLevel]\nlevel=3\n[FileShredder]\nCount=6\n");
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(run("encrypt --to $PUB --force $H/letter.txt").code, 0);
        const OpenedFile f = openWithOracle(readFile(enc), clear);
        EXPECT_EQ(f.cipher, 0);
        EXPECT_EQ(zlibLevelBits(f.zlib), 3);
    }
    writeFile(home + "zerath.ini", "[CompressionLevel]\nlevel=0\n");
    ASSERT_EQ(run("encrypt --to $PUB --force $H/letter.txt").code, 0);
    EXPECT_TRUE(onlyStoredBlocks(openWithOracle(readFile(enc), clear).zlib));

    // Each pass ends with a flush to storage: the n-th flush failing shows whether
    // there were more than n passes.
    struct Shred {
        const char* ini;
        const char* options;
        int passes;
    };
    for (const Shred& s : {Shred{"", "", 4}, Shred{"[FileShredder]\nCount=6\n", "", 6},
                           Shred{"[FileShredder]\nCount=6\n", "--passes 8", 8}}) {
        writeFile(home + "zerath.ini", s.ini);
        for (int failing : {s.passes - 1, s.passes}) {
            writeFile(home + "f", "wipe me");
            FaultGuard guard(FaultPlan{-1, failing, -1});
            const CliRun r = run(std::string("shred ") + s.options + " $H/f");
            EXPECT_EQ(r.code, failing < s.passes ? 1 : 0) << s.ini << s.options << " flush " << failing;
        }
    }
}

} // namespace
