// zerath-cli's commands run in process against a key ring made from the
// committed key files: exact standard output, standard error and exit code.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <set>
#include <sstream>

#include "FileOracle.h"
#include "KeyRingFixture.h"
#include "TestHelpers.h"
#include "filecrypt/BatchCommands.h"
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
    // Runs the program's main with the arguments; standard input from a string.
    CliRun run(const std::string& args, const std::string& input = "")
    {
        std::vector<std::string> words{"zerath-cli", "--home", home};
        std::istringstream in(replaced(args, names));
        for (std::string w; in >> w;) words.push_back(w);
        std::vector<char*> argv;
        for (auto& w : words) argv.push_back(w.data());
        writeFile(keys.file("stdin"), input);
        const int savedIn = ::dup(0), fd = ::open(keys.file("stdin").c_str(), O_RDONLY);
        ::dup2(fd, 0);
        ::close(fd);
        std::ostringstream out, err;
        auto* oldOut = std::cout.rdbuf(out.rdbuf());
        auto* oldErr = std::cerr.rdbuf(err.rdbuf());
        const int code = zerathCliMain(static_cast<int>(argv.size()), argv.data());
        std::cout.rdbuf(oldOut);
        std::cerr.rdbuf(oldErr);
        ::dup2(savedIn, 0);
        ::close(savedIn);
        return {code, out.str(), err.str()};
    }
};

struct Step {
    std::string args, input, out, err;
    int code = 0;
};

std::string unescaped(std::string s)
{
    for (std::size_t at; (at = s.find("\\n")) != std::string::npos;) s.replace(at, 2, "\n");
    return s;
}

TEST_F(Cli, CommandsInTurn)
{
    std::vector<Step> steps;
    std::ifstream data(dataPath("cli/commands.txt"));
    for (std::string line; std::getline(data, line);) {
        const std::size_t colon = line.find(": ");
        if (line.empty() || line[0] == '#' || colon == std::string::npos) continue;
        const std::string key = line.substr(0, colon), value = unescaped(line.substr(colon + 2));
        if (key == "run") steps.push_back({value});
        else if (key == "code") steps.back().code = std::stoi(value);
        else (key == "in" ? steps.back().input : key == "out" ? steps.back().out : steps.back().err) = value;
    }
    ASSERT_EQ(steps.size(), 27u);
    for (const Step& s : steps) {
        const CliRun r = run(s.args, s.input);
        const std::string out = replaced(s.out, names), err = replaced(s.err, names);
        EXPECT_EQ(r.code, s.code) << s.args << "\n" << r.err;
        if (out != "...") EXPECT_EQ(r.out, out) << s.args;
        EXPECT_EQ(s.code == 2 ? r.err.substr(0, err.size()) : r.err, err) << s.args;
    }
    EXPECT_FALSE(fileExists(keys.file("letter.txt"))); // wiped
    EXPECT_FALSE(fileExists(keys.file("x.akf")));
}

TEST_F(Cli, ListInfoAndKeyGeneration)
{
    KeyRing ring(home);
    ring.DBOpen();
    const KeyRecord pub = ring.RecordAt(0);
    const std::string tail = "\t2048\t" + pub.Date + "\n";
    EXPECT_EQ(run("list").out, "Pub\t" + pub.UserID + "\t" + pub.KeyID + tail + "Pub/Priv\t" + pub.UserID + "\t" +
                                   keys.idOf(TestKey::AlicePair) + tail);
    EXPECT_EQ(run("info $PUB").out.substr(0, 10), "Type: Pub\n");

    const CliRun g = run("keygen --owner Tester --passphrase-file $H/pw");
    ASSERT_EQ(g.code, 0) << g.err;
    EXPECT_EQ(g.out.rfind(home + "Private", 0), 0u);
    EXPECT_EQ(g.err, "To use the key pair, import it: zerath-cli import " + g.out.substr(0, g.out.find('\n')) + "\n");
    EXPECT_EQ(run("import " + g.out.substr(0, g.out.find('\n')) + " --passphrase-file $H/pw").code, 0);
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

// A failing write names the file and gives the system's reason, whether the
// file command or the stream writes the output.
TEST_F(Cli, AFailedWriteNamesTheFileAndTheSystemsReason)
{
    struct Fault {
        FaultPlan plan;
        const char* reason;
    };
    for (const Fault& f : {Fault{{0, -1, -1}, "No space left on device"}, Fault{{-1, 0, -1}, "Input/output error"}}) {
        for (const char* output : {"", "-o $H/x.enc "}) {
            FaultGuard guard(f.plan);
            const CliRun r = run(std::string("encrypt --to $PUB --force ") + output + "$H/letter.txt");
            EXPECT_EQ(r.code, 1);
            EXPECT_EQ(r.err, "zerath-cli: " + home + "letter.txt: An error occurred while encrypting the file: " +
                                 f.reason + "\n")
                << output;
        }
    }
    EXPECT_FALSE(fileExists(home + "x.enc"));
    // The folder flush a batch puts off to its end names the folder instead.
    FaultGuard guard(FaultPlan{.failOnFolderSync = 0});
    const CliRun r = run("encrypt --to $PUB --force $H/letter.txt");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "zerath-cli: " + home.substr(0, home.size() - 1) + ": " + kFolderNotFlushed + ": Input/output error\n");
}

} // namespace
