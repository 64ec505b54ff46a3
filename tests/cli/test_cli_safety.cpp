// zerath-cli run as a process, without a terminal and on a pseudo-terminal:
// passphrase prompts with echo off, the generation rules, settings taken as the
// desktop program takes them, the random cipher, control characters as escapes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <set>

#include "EditedRecord.h"
#include "TestHelpers.h"

using namespace zerath;
using namespace zerath::test;

namespace {

struct CliRun {
    int code = -1;
    std::string out; // standard output and error, or the terminal's whole transcript
};

[[noreturn]] void execCli(std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

// Runs zerath-cli --home HOME ARGS; on a pseudo-terminal when `typed` is given,
// typing its next line each time the output ends in a prompt (": "), else with
// an empty standard input and no terminal.
CliRun runCli(const std::string& home, std::vector<std::string> args, const std::vector<std::string>* typed = nullptr)
{
    args.insert(args.begin(), {std::string(ZERATH_BINARY_DIR) + "/bin/zerath-cli", "--home", home});
    int fds[2] = {-1, -1};
    const pid_t pid = typed ? ::forkpty(&fds[0], nullptr, nullptr, nullptr) : (::pipe(fds), ::fork());
    if (pid == 0) {
        if (!typed) {
            ::setsid();
            ::dup2(::open("/dev/null", O_RDONLY), 0);
            ::dup2(fds[1], 1);
            ::dup2(fds[1], 2);
        }
        execCli(args);
    }
    if (!typed) ::close(fds[1]);
    CliRun r;
    std::size_t next = 0;
    char buf[512];
    for (pollfd p{fds[0], POLLIN, 0}; ::poll(&p, 1, 30000) > 0;) {
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        r.out.append(buf, static_cast<std::size_t>(n));
        if (typed && next < typed->size() && r.out.ends_with(": ")) {
            const std::string line = (*typed)[next++] + "\n";
            EXPECT_EQ(::write(fds[0], line.data(), line.size()), static_cast<ssize_t>(line.size()));
        }
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

struct Case {
    std::vector<std::string> args;
    std::vector<std::string> typed; // empty: no terminal
    int code;
    std::vector<std::string> shown;
};

} // namespace

TEST(CliSafety, PassphrasesSettingsAndRules)
{
    KeyRingFixture ring;
    const std::string pair = ring.idOf(TestKey::AlicePair), pub = ring.idOf(TestKey::AlicePublic);
    writeFile(ring.file("short"), "seven77\n");
    writeFile(ring.file("good"), "long enough passphrase\n");
    writeFile(ring.file("huge"), std::string(65793, 'h') + "\n"); // one byte beyond what was ever read whole
    writeFile(ring.file("longest"), std::string(65792, 'h') + "\r\n");
    writeFile(ring.file("new4097"), std::string(4097, 'n'));
    writeFile(ring.file("alice"), kAlicePassphrase);
    writeFile(ring.file("zerath.ini"), "[FileShredder]\r\nCount=0\r\n[CompressionLevel]\r\nlevel=9\r\n");
    writeFile(ring.file("plain"), "plaintext");
    ASSERT_EQ(::link(ring.file("plain").c_str(), ring.file("link").c_str()), 0);
    const Case cases[] = {
        {{"export-private", pair, ring.file("x.akf")}, {kAlicePassphrase}, 0, {"Passphrase: "}},
        {{"passwd", pair}, {kAlicePassphrase, "first new phrase", "second new phrase"}, 1,
         {"Current passphrase: ", "Repeat passphrase: ", "The new passphrase does not match the confirmed passphrase"}},
        {{"keygen", "--owner", "Cli Tester"}, {"first new phrase", "second one"}, 1, {"The Passphrase does not mutch!."}},
        {{"decrypt", "--key", pair, "f.enc"}, {}, 2, {"missing option --passphrase-file"}},
        {{"export-private", pair, "y.akf", "--passphrase-file", ring.home()}, {}, 1,
         {"Cannot read passphrase file " + ring.home()}},
        {{"keygen", "--owner", "Abcd", "--passphrase-file", ring.file("good")}, {}, 1,
         {"The Key Owner must have 5 characters minimum."}},
        {{"keygen", "--owner", "Long Enough", "--passphrase-file", ring.file("short")}, {}, 1,
         {"The passphrase length must have 8 characters minimum!"}},
        {{"keygen", "--owner", "Tab\there", "--passphrase-file", ring.file("good")}, {}, 1,
         {"The Key Owner cannot contain control characters."}},
        {{"keygen", "--owner", "Eve \xe2\x80\xae evil", "--passphrase-file", ring.file("good")}, {}, 1,
         {"The Key Owner cannot contain invisible control or text direction characters."}},
        {{"keygen", "--owner", "Caf\xe9 Owner", "--passphrase-file", ring.file("good")}, {}, 1,
         {"The Key Owner must be UTF-8 text."}},
        {{"keygen", "--owner", "Long Enough", "--passphrase-file", ring.file("new4097")}, {}, 1,
         {"The passphrase cannot be longer than 4096 characters."}},
        {{"passwd", pair, "--passphrase-file", ring.file("alice"), "--new-passphrase-file", ring.file("new4097")}, {}, 1,
         {"The passphrase cannot be longer than 4096 characters."}},
        {{"export-private", pair, "z.akf", "--passphrase-file", ring.file("huge")}, {}, 1,
         {"the passphrase is longer than 65792 bytes"}},
        {{"export-private", pair, "z.akf", "--passphrase-file", ring.file("longest")}, {}, 1,
         {"Uncorrect Private Key passphrase?"}}, // read whole, and wrong
        {{"shred", "--passes", "-3", ring.file("plain")}, {}, 2, {"the pass count is 4..10"}},
        {{"shred", "--passes", "11", ring.file("plain")}, {}, 2, {"the pass count is 4..10"}},
        // Count=0 and level=9 in the settings: four passes, compression index 0.
        {{"encrypt", "--to", pub, "--wipe", ring.file("plain")}, {}, 0, {ring.file("plain.enc")}},
    };
    const std::string keyRing = ring.ringText();
    for (const Case& c : cases) {
        const CliRun r = runCli(ring.home(), c.args, c.typed.empty() ? nullptr : &c.typed);
        EXPECT_EQ(r.code, c.code) << r.out;
        for (const std::string& text : c.shown) EXPECT_NE(r.out.find(text), std::string::npos) << text;
        for (const std::string& text : c.typed) EXPECT_EQ(r.out.find(text), std::string::npos) << "echoed";
    }
    EXPECT_TRUE(fileExists(ring.file("x.akf")));
    EXPECT_EQ(ring.ringText(), keyRing);
    EXPECT_EQ(readFile(ring.file("link")), std::string(1024, '\0')); // the last of four passes writes zeros
    for (const std::string& name : folderNames(ring.home())) EXPECT_NE(name.rfind("Private", 0), 0u) << "generated";
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
    // Made by another program: C0, an override, C1 and a byte that is not UTF-8.
    insertEditedCopy(ring, TestKey::AlicePublic,
                     [](KeyRecord& r) { r.UserID = "Eve\tPub/Priv\x1b[2J\xe2\x80\xae\xc2\x9b\xff"; });
    writeFile(ring.file("f"), "x");
    ASSERT_EQ(runCli(ring.home(), {"encrypt", "--to", ring.idOf(TestKey::AlicePublic), ring.file("f")}).code, 0);
    for (const CliRun& r : {runCli(ring.home(), {"list"}), runCli(ring.home(), {"info", kEditedKeyId}),
                            runCli(ring.home(), {"inspect", ring.file("f.enc")})}) {
        EXPECT_EQ(r.code, 0);
        EXPECT_NE(r.out.find("Eve\\tPub/Priv\\x1b[2J\\u202e\\u009b\\xff"), std::string::npos) << r.out;
        for (const char* raw : {"\x1b", "\xe2\x80\xae", "\xc2\x9b", "\xff"}) EXPECT_EQ(r.out.find(raw), std::string::npos);
    }
}

namespace {

// Reads the terminal until it shows a prompt (": ") again, or ends.
void readToPrompt(int master, std::string& out)
{
    char buf[512];
    const std::size_t from = out.size();
    for (pollfd p{master, POLLIN, 0}; !(out.size() > from && out.ends_with(": ")) && ::poll(&p, 1, 30000) > 0;) {
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
}

} // namespace

// Ctrl-Z at the prompt: while the program is stopped the terminal echoes as
// before; once it continues, echo is off again and the prompt shown again.
TEST(CliSafety, StoppedAtThePromptTheTerminalEchoesUntilItContinues)
{
    KeyRingFixture ring;
    std::vector<std::string> args{std::string(ZERATH_BINARY_DIR) + "/bin/zerath-cli", "--home", ring.home(),
                                  "export-private", ring.idOf(TestKey::AlicePair), ring.file("x.akf")};
    int parent[2]; // the stops the job's parent sees; the parent continues the job on a byte
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, parent), 0);
    int master = -1;
    const auto echoOn = [&] { termios t{}; return ::tcgetattr(master, &t) == 0 && (t.c_lflag & ECHO); };
    const pid_t session = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (session == 0) {
        // A job of its own in the terminal's foreground, as a shell starts it, so that it can stop.
        const pid_t job = ::fork();
        if (job == 0) {
            ::setpgid(0, 0);
            while (::tcgetpgrp(STDIN_FILENO) != ::getpgrp()) ::usleep(1000);
            execCli(args);
        }
        ::setpgid(job, job);
        ::signal(SIGTTOU, SIG_IGN);
        ::tcsetpgrp(STDIN_FILENO, job);
        int status = 0;
        for (char c; ::waitpid(job, &status, WUNTRACED) == job && WIFSTOPPED(status);)
            (void)!::write(parent[1], "T", 1), (void)!::read(parent[1], &c, 1), ::kill(job, SIGCONT);
        ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 99);
    }
    std::string out;
    readToPrompt(master, out);
    ASSERT_EQ(::write(master, "\x1a", 1), 1); // Ctrl-Z
    pollfd stop{parent[0], POLLIN, 0};
    ASSERT_EQ(::poll(&stop, 1, 10000), 1) << "not stopped";
    EXPECT_TRUE(echoOn()) << "the terminal stays without echo while the program is stopped";
    ASSERT_EQ(::write(parent[0], "C", 1), 1);
    readToPrompt(master, out);
    EXPECT_FALSE(echoOn());
    const std::string line = std::string(kAlicePassphrase) + "\n";
    ASSERT_EQ(::write(master, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    readToPrompt(master, out); // to the end
    ::close(master);
    int status = -1;
    ASSERT_EQ(::waitpid(session, &status, 0), session);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
    EXPECT_EQ(out.find(kAlicePassphrase), std::string::npos) << "echoed";
}
