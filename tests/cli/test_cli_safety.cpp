// zerath-cli run as a process, without a terminal and on a pseudo-terminal:
// passphrase prompts with echo off, the generation rules, settings taken as the
// desktop program takes them, the random cipher, and control characters shown
// as escapes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "EditedRecord.h"
#include "KeyRingFixture.h"
#include "TestHelpers.h"

using namespace zerath;
using namespace zerath::test;

namespace {

struct CliRun {
    int code = -1;
    std::string out; // standard output, or the whole terminal transcript
    std::string err;
};

std::vector<char*> argvOf(std::vector<std::string>& args)
{
    static std::string cli = std::string(ZERATH_BINARY_DIR) + "/src/cli/zerath-cli";
    std::vector<char*> v{cli.data()};
    for (auto& a : args) v.push_back(a.data());
    v.push_back(nullptr);
    return v;
}

int exitCodeOf(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Standard input empty and no terminal.
CliRun runCli(const std::string& home, std::vector<std::string> args)
{
    args.insert(args.begin(), {"--home", home});
    TempDir io;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid(); // no controlling terminal
        ::dup2(::open("/dev/null", O_RDONLY), 0);
        ::dup2(::open(io.file("out").c_str(), O_WRONLY | O_CREAT, 0600), 1);
        ::dup2(::open(io.file("err").c_str(), O_WRONLY | O_CREAT, 0600), 2);
        const auto argv = argvOf(args);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    const int code = exitCodeOf(pid);
    return {code, readFile(io.file("out")), readFile(io.file("err"))};
}

// On a pseudo-terminal: each time the output ends in a prompt (": "), the next
// line is typed.
CliRun runOnTerminal(const std::string& home, std::vector<std::string> args, std::vector<std::string> typed)
{
    args.insert(args.begin(), {"--home", home});
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        const auto argv = argvOf(args);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    CliRun r;
    std::size_t next = 0;
    char buf[512];
    for (pollfd p{master, POLLIN, 0}; ::poll(&p, 1, 20000) > 0;) {
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) break;
        r.out.append(buf, static_cast<std::size_t>(n));
        if (next < typed.size() && r.out.size() >= 2 && r.out.compare(r.out.size() - 2, 2, ": ") == 0) {
            const std::string line = typed[next++] + "\n";
            EXPECT_EQ(::write(master, line.data(), line.size()), static_cast<ssize_t>(line.size()));
        }
    }
    ::close(master);
    r.code = exitCodeOf(pid);
    return r;
}

bool contains(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

} // namespace

TEST(CliSafety, PassphrasesAreAskedOnTheTerminalWithEchoOff)
{
    KeyRingFixture ring;
    const std::string pair = ring.idOf(TestKey::AlicePair);
    CliRun ok = runOnTerminal(ring.home(), {"export-private", pair, ring.file("out.akf")}, {kAlicePassphrase});
    EXPECT_EQ(ok.code, 0) << ok.out;
    EXPECT_TRUE(contains(ok.out, "Passphrase: "));
    EXPECT_FALSE(contains(ok.out, kAlicePassphrase));
    EXPECT_TRUE(fileExists(ring.file("out.akf")));

    const std::string before = ring.ringText();
    CliRun pw = runOnTerminal(ring.home(), {"passwd", pair}, {kAlicePassphrase, "first new phrase", "second new phrase"});
    EXPECT_EQ(pw.code, 1);
    for (const char* text : {"Current passphrase: ", "New passphrase: ", "Repeat passphrase: ",
                             "The new passphrase does not match the confirmed passphrase"})
        EXPECT_TRUE(contains(pw.out, text)) << text;
    EXPECT_EQ(ring.ringText(), before);

    TempDir empty;
    CliRun gen = runOnTerminal(empty.path(), {"keygen", "--owner", "Cli Tester"}, {"first new phrase", "second one"});
    EXPECT_EQ(gen.code, 1);
    EXPECT_TRUE(contains(gen.out, "The Passphrase does not mutch!."));
    EXPECT_EQ(folderNames(empty.path()), std::vector<std::string>{});
}

TEST(CliSafety, PassphraseSourcesAndGenerationRulesWithoutATerminal)
{
    KeyRingFixture ring;
    writeFile(ring.file("short"), "seven77\n");
    writeFile(ring.file("good"), "long enough passphrase\n");
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string err;
    } cases[] = {
        {{"decrypt", "--key", ring.idOf(TestKey::AlicePair), "f.enc"}, 2, "missing option --passphrase-file"},
        {{"export-private", ring.idOf(TestKey::AlicePair), "x.akf", "--passphrase-file", ring.home()}, 1,
         "Cannot read passphrase file " + ring.home()},
        {{"keygen", "--owner", "Abcd", "--passphrase-file", ring.file("good")}, 1,
         "The Key Owner must have 5 characters minimum."},
        {{"keygen", "--owner", "Long Enough", "--passphrase-file", ring.file("short")}, 1,
         "The passphrase length must have 8 characters minimum!"},
        {{"keygen", "--owner", "Tab\there", "--passphrase-file", ring.file("good")}, 1,
         "The Key Owner cannot contain control characters."},
    };
    const Snapshot before = snapshotOf(ring.home());
    for (const Case& c : cases) {
        const CliRun r = runCli(ring.home(), c.args);
        EXPECT_EQ(r.code, c.code) << c.err;
        EXPECT_TRUE(contains(r.err, c.err)) << r.err;
    }
    EXPECT_EQ(snapshotOf(ring.home()), before);
}

TEST(CliSafety, SettingsAreTakenAsTheDesktopProgramTakesThem)
{
    KeyRingFixture ring;
    writeFile(ring.file("zerath.ini"), "[FileShredder]\r\nCount=0\r\n[CompressionLevel]\r\nlevel=9\r\n");
    writeFile(ring.file("plain.txt"), "plaintext");
    ASSERT_EQ(::link(ring.file("plain.txt").c_str(), ring.file("link").c_str()), 0);
    const CliRun r = runCli(ring.home(), {"encrypt", "--to", ring.idOf(TestKey::AlicePublic), "--wipe", ring.file("plain.txt")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readFile(ring.file("link")), std::string(1024, '\0')); // four passes, the last one of zeros

    writeFile(ring.file("f"), "abc");
    ASSERT_EQ(::link(ring.file("f").c_str(), ring.file("g").c_str()), 0);
    EXPECT_EQ(runCli(ring.home(), {"shred", "--passes", "-3", ring.file("f")}).code, 2);
    EXPECT_EQ(runCli(ring.home(), {"shred", "--passes", "11", ring.file("f")}).code, 2);
    EXPECT_EQ(readFile(ring.file("f")), "abc");
    EXPECT_EQ(runCli(ring.home(), {"shred", "--passes", "5", ring.file("f")}).code, 0);
    EXPECT_EQ(readFile(ring.file("g")), std::string(1024, '\0')); // 5 is taken as 4
}

TEST(CliSafety, TheRandomCipherVaries)
{
    KeyRingFixture ring;
    std::set<char> ciphers;
    for (int i = 0; i < 20; ++i) {
        const std::string f = ring.file("f" + std::to_string(i));
        writeFile(f, "x");
        ASSERT_EQ(runCli(ring.home(), {"encrypt", "--to", ring.idOf(TestKey::AlicePublic), f}).code, 0);
        ciphers.insert(readFile(f + ".enc").at(0));
    }
    EXPECT_GT(ciphers.size(), 1u);
}

TEST(CliSafety, ControlCharactersOfAnOldRingArePrintedAsEscapes)
{
    KeyRingFixture ring({TestKey::AlicePublic});
    insertEditedCopy(ring, TestKey::AlicePublic, [](KeyRecord& r) { r.UserID = "Eve\tPub/Priv\x1b[2J"; });
    const CliRun list = runCli(ring.home(), {"list"});
    const CliRun info = runCli(ring.home(), {"info", kEditedKeyId});
    for (const CliRun& r : {list, info}) {
        EXPECT_EQ(r.code, 0);
        EXPECT_TRUE(contains(r.out, "Eve\\tPub/Priv\\x1b[2J")) << r.out;
        EXPECT_FALSE(contains(r.out, "\x1b"));
    }
}
