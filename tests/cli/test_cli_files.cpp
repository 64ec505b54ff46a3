// zerath-cli's files as processes see them: output modes, exports over an
// existing file, a file created at the output's name or a signal partway
// through a decryption, and concurrent imports.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "TempDir.h"
#include "TestHelpers.h"

using namespace zerath::test;

namespace {

class CliFiles : public ::testing::Test {
protected:
    TempDir home, work;

    // Runs a script in work with $C = zerath-cli, $Z = $C --home home and $K = the
    // imported key pair's KeyID; its exit code (a job a signal ended: 128 + the signal).
    int sh(const std::string& script)
    {
        const std::string c = std::string(ZERATH_BINARY_DIR) + "/bin/zerath-cli";
        const std::string vars = "C=" + c + "; Z=\"$C --home " + home.path() + "\"; K=$(cat id 2>/dev/null); ";
        return WEXITSTATUS(std::system(("cd " + work.path() + "; " + vars + script).c_str()));
    }
    void SetUp() override
    {
        ASSERT_EQ(sh("echo 'correct horse battery' >pw; $Z import " + dataPath("keys/alice-private.akf") +
                     " --passphrase-file pw >id"),
                  0);
    }
};

} // namespace

TEST_F(CliFiles, OutputModesAndExportsOverAnExistingFile)
{
    ASSERT_EQ(sh("umask 022; echo text >doc; $Z encrypt --to $K doc && rm doc && $Z decrypt --key $K "
                 "--passphrase-file pw doc.enc"),
              0);
    EXPECT_EQ(modeOf(work.file("doc.enc")), 0644u);
    EXPECT_EQ(modeOf(work.file("doc")), 0600u);
    for (const std::string command : {"export-public", "export-private"}) {
        const std::string run = "echo text >doc; $Z " + command + " $K doc --passphrase-file pw ";
        EXPECT_EQ(sh(run + "2>err"), 1);
        EXPECT_EQ(readFile(work.file("err")) + readFile(work.file("doc")),
                  "zerath-cli: Output file \"doc\" already exists. Overwrite?\ntext\n");
        EXPECT_EQ(sh(run + "--force && ! grep -q text doc"), 0);
    }
}

TEST_F(CliFiles, ADecryptionKeepsAFileCreatedAtItsNameAndATerminatedOneLeavesNothing)
{
    // A sparse source of zeros encrypts to a small file that takes a while to write back.
    ASSERT_EQ(sh("truncate -s 512M big && $Z encrypt --to $K --level 1 big >/dev/null && rm big"), 0);
    const std::string start = "$Z decrypt --key $K --passphrase-file pw big.enc 2>err &"
                              " until [ -s .zerath-*.tmp ] || ! kill -0 $!; do :; done; ";
    EXPECT_EQ(sh(start + "echo planted >big; wait $!"), 1);
    EXPECT_EQ(readFile(work.file("err")) + readFile(work.file("big")),
              "zerath-cli: big.enc: kept the existing big\nplanted\n");
    // Every signal that ends a process scrubs as SIGINT does (a script's
    // background job ignores SIGINT and SIGQUIT itself); a file-size limit makes
    // the write fail, and the error path scrubs.
    for (const int sig : {SIGTERM, SIGHUP, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU}) {
        EXPECT_EQ(sh("rm -f big; " + start + "kill -" + std::to_string(sig) + " $!; wait $!"), 128 + sig) << sig;
        EXPECT_EQ(folderNames(work.path()), (std::vector<std::string>{"big.enc", "err", "id", "pw"})) << sig;
    }
    EXPECT_EQ(sh("(ulimit -f 4096; $Z decrypt --key $K --passphrase-file pw big.enc 2>err)"), 1);
    EXPECT_EQ(folderNames(work.path()), (std::vector<std::string>{"big.enc", "err", "id", "pw"}));
}

TEST_F(CliFiles, EightConcurrentImportsAllStay)
{
    EXPECT_EQ(sh("for i in 1 2 3 4 5 6 7 8; do mkdir k$i && $C --home k$i keygen --owner \"Owner $i\""
                 " --passphrase-file pw | tail -1 >k$i/public || exit 1; done;"
                 " for i in 1 2 3 4 5 6 7 8; do $Z import $(cat k$i/public) >/dev/null & done; wait;"
                 " test $($Z list | wc -l) = 9"),
              0);
}
