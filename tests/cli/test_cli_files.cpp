// zerath-cli's files as processes see them: modes under a umask, an interrupt,
// concurrent imports, another writer's temporary, long names and existing files.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TempDir.h"
#include "TestHelpers.h"
#include "common/FileIO.h"

using namespace zerath;
using namespace zerath::test;

namespace {

// Starts zerath-cli --home home under a umask; standard input, output and error
// are io's files "in", "out" and "err".
pid_t start(const std::string& home, std::vector<std::string> args, const std::string& io, mode_t mask = 022)
{
    args.insert(args.begin(), {std::string(ZERATH_BINARY_DIR) + "/src/cli/zerath-cli", "--home", home});
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    ::umask(mask);
    const char* names[] = {"in", "out", "err"};
    for (int fd = 0; fd < 3; ++fd) ::dup2(::open((io + names[fd]).c_str(), fd ? O_WRONLY | O_CREAT : O_RDONLY, 0600), fd);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

// The exit code, or 128 + the signal that ended it.
int finish(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class CliFiles : public ::testing::Test {
protected:
    TempDir home, io, work;
    std::string keyId;

    void SetUp() override
    {
        writeFile(io.file("in"), "correct horse battery\n");
        ASSERT_EQ(run({"import", dataPath("keys/alice-private.akf"), "--passphrase-file", "-"}), 0);
        keyId = readFile(io.file("out")).substr(0, 8);
    }
    int run(const std::vector<std::string>& args, mode_t mask = 022) { return finish(start(home.path(), args, io.path(), mask)); }
    std::string err() { return readFile(io.file("err")); }
};

} // namespace

TEST_F(CliFiles, ModesFollowTheUmaskAndAReplacementNeverWidens)
{
    for (const mode_t mask : {022, 077}) {
        ::unlink(work.file("doc.enc").c_str());
        writeFile(work.file("doc"), "plaintext");
        ASSERT_EQ(run({"encrypt", "--to", keyId, work.file("doc")}, mask), 0) << err();
        ::unlink(work.file("doc").c_str());
        ASSERT_EQ(run({"decrypt", "--key", keyId, "--passphrase-file", "-", work.file("doc.enc")}, mask), 0);
        ASSERT_EQ(run({"export-public", "--force", keyId, work.file("pub")}, mask), 0);
        ASSERT_EQ(run({"export-private", "--force", keyId, work.file("priv"), "--passphrase-file", "-"}, mask), 0);
        EXPECT_EQ(modeOf(work.file("doc.enc")), 0666 & ~mask);
        EXPECT_EQ(modeOf(work.file("pub")), 0666 & ~mask);
        EXPECT_EQ(modeOf(work.file("doc")), 0600u);
        EXPECT_EQ(modeOf(work.file("priv")), 0600u);
    }
    writeFile(work.file("doc.enc"), "old");
    ::chmod(work.file("doc.enc").c_str(), 0600);
    ASSERT_EQ(run({"encrypt", "--force", "--to", keyId, work.file("doc")}), 0);
    EXPECT_NE(readFile(work.file("doc.enc")), "old");
    EXPECT_EQ(modeOf(work.file("doc.enc")), 0600u);
    for (const char* f : {"ZerathKeys.db", "ZerathKeys.db.lock"}) EXPECT_EQ(modeOf(home.file(f)), 0600u);
}

TEST_F(CliFiles, AnInterruptedDecryptionLeavesNoFileBehind)
{
    // A sparse source of zeros encrypts to a small file that takes a while to write back.
    ASSERT_EQ(::truncate((writeFile(work.file("big"), ""), work.file("big")).c_str(), 512 << 20), 0);
    ASSERT_EQ(run({"encrypt", "--to", keyId, "--level", "1", work.file("big")}), 0) << err();
    ::unlink(work.file("big").c_str());
    const pid_t pid = start(home.path(), {"decrypt", "--key", keyId, "--passphrase-file", "-", work.file("big.enc")},
                            io.path());
    for (bool started = false; !started; ::usleep(1000))
        for (const std::string& n : folderNames(work.path())) started |= n != "big.enc" && fileSize(work.file(n)) > 0;
    ::kill(pid, SIGINT);
    EXPECT_EQ(finish(pid), 128 + SIGINT);
    EXPECT_EQ(folderNames(work.path()), std::vector<std::string>{"big.enc"});
}

TEST_F(CliFiles, EightConcurrentImportsAllStay)
{
    std::vector<std::string> folders, publicFiles;
    for (int i = 0; i < 8; ++i) {
        folders.push_back(work.file(std::to_string(i) + "/"));
        ::mkdir(folders.back().c_str(), 0700);
        const std::vector<std::string> keygen{"keygen", "--owner", "Owner " + std::to_string(i), "--passphrase-file", "-"};
        ASSERT_EQ(finish(start(folders.back(), keygen, io.path())), 0) << err();
        const std::string out = readFile(io.file("out")); // the private then the public file
        publicFiles.push_back(out.substr(out.find('\n') + 1, out.size() - out.find('\n') - 2));
    }
    std::vector<pid_t> imports;
    for (int i = 0; i < 8; ++i) imports.push_back(start(home.path(), {"import", publicFiles[i]}, folders[i]));
    for (const pid_t pid : imports) EXPECT_EQ(finish(pid), 0);
    ASSERT_EQ(run({"list"}), 0);
    const std::string list = readFile(io.file("out"));
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 9);
}

TEST_F(CliFiles, AnotherWritersTemporarySurvivesAndALongSourceNameWorks)
{
    AtomicFile live(work.file("live"), kOwnerOnly, AtomicFile::Scrub::Overwrite);
    live.write("being written");
    const std::string name = std::string(250, 'n');
    writeFile(work.file(name), "plaintext");
    ASSERT_EQ(run({"encrypt", "--to", keyId, work.file(name)}), 0) << err();
    EXPECT_TRUE(fileExists(live.tempPath()));
    ::unlink(work.file(name).c_str());
    ASSERT_EQ(run({"decrypt", "--key", keyId, "--passphrase-file", "-", work.file(name + ".enc")}), 0) << err();
    EXPECT_EQ(readFile(work.file(name)), "plaintext");
}

TEST_F(CliFiles, ExportRefusesAnExistingFileUnlessForced)
{
    for (const char* command : {"export-public", "export-private"}) {
        writeFile(work.file("doc"), "a document");
        std::vector<std::string> args{command, keyId, work.file("doc"), "--passphrase-file", "-"};
        EXPECT_EQ(run(args), 1);
        EXPECT_EQ(err(), "Output file \"doc\" already exists. Overwrite?\n");
        EXPECT_EQ(readFile(work.file("doc")), "a document");
        args.push_back("--force");
        EXPECT_EQ(run(args), 0) << err();
        EXPECT_NE(readFile(work.file("doc")), "a document");
    }
}
