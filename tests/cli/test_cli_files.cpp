// zerath-cli's files as processes see them: modes under a umask, an interrupt
// partway through a decryption, concurrent imports and an existing export file.
// Each case is a shell script run in a work folder with $Z = zerath-cli --home
// HOME, $C = zerath-cli and the file id holding an imported key pair's KeyID.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "TempDir.h"
#include "TestHelpers.h"

using namespace zerath::test;

namespace {

class CliFiles : public ::testing::Test {
protected:
    TempDir home, work;

    void SetUp() override
    {
        ASSERT_EQ(sh("echo 'correct horse battery' >pw && $Z import " + dataPath("keys/alice-private.akf") +
                     " --passphrase-file pw >id"),
                  0);
    }
    // The script's exit code; 128 + the signal that ended it.
    int sh(const std::string& script)
    {
        const std::string c = std::string(ZERATH_BINARY_DIR) + "/src/cli/zerath-cli";
        const int status = std::system(("cd " + work.path() + " && C=" + c + " && Z=\"$C --home " + home.path() +
                                        "\" && K=$(cat id 2>/dev/null); " + script)
                                           .c_str());
        return WEXITSTATUS(status);
    }
};

} // namespace

TEST_F(CliFiles, ModesFollowTheUmaskAndAReplacementNeverWidens)
{
    for (const auto& [umask, mask] : {std::pair{"022", 022}, {"077", 077}}) {
        ASSERT_EQ(sh(std::string("umask ") + umask +
                     " && rm -f doc.enc pub priv && echo text >doc && $Z encrypt --to $K doc && rm doc &&"
                     " $Z decrypt --key $K --passphrase-file pw doc.enc && $Z export-public $K pub &&"
                     " $Z export-private $K priv --passphrase-file pw >/dev/null"),
                  0);
        for (const auto& [name, mode] : {std::pair{"doc.enc", 0666 & ~mask}, {"pub", 0666 & ~mask}, {"doc", 0600},
                                         {"priv", 0600}})
            EXPECT_EQ(modeOf(work.file(name)), mode_t(mode)) << name << " " << umask;
    }
    ASSERT_EQ(sh("echo old >doc.enc && chmod 600 doc.enc && $Z encrypt --force --to $K doc >/dev/null"), 0);
    EXPECT_NE(readFile(work.file("doc.enc")), "old\n");
    EXPECT_EQ(modeOf(work.file("doc.enc")), 0600u);
}

TEST_F(CliFiles, AnInterruptedDecryptionLeavesNoFileBehind)
{
    // A sparse source of zeros encrypts to a small file that takes a while to write back.
    // (A background job of a script ignores SIGINT; the handler serves SIGTERM alike.)
    EXPECT_EQ(sh("truncate -s 512M big && $Z encrypt --to $K --level 1 big >/dev/null && rm big &&"
                 " { $Z decrypt --key $K --passphrase-file pw big.enc & } && until [ -s .zerath-*.tmp ] || ! kill -0 $!; do :; done;"
                 " kill -TERM $! && wait $!"),
              128 + SIGTERM);
    EXPECT_EQ(folderNames(work.path()), (std::vector<std::string>{"big.enc", "id", "pw"}));
}

TEST_F(CliFiles, EightConcurrentImportsAllStay)
{
    EXPECT_EQ(sh("for i in 1 2 3 4 5 6 7 8; do mkdir k$i && $C --home k$i keygen --owner \"Owner $i\""
                 " --passphrase-file pw | tail -1 >k$i/public || exit 1; done;"
                 " for i in 1 2 3 4 5 6 7 8; do $Z import $(cat k$i/public) >/dev/null & done; wait;"
                 " test $($Z list | wc -l) = 9"),
              0);
}

TEST_F(CliFiles, ExportRefusesAnExistingFileUnlessForced)
{
    for (const std::string command : {"export-public", "export-private"}) {
        const std::string run = "echo text >doc && $Z " + command + " $K doc --passphrase-file pw ";
        EXPECT_EQ(sh(run + "2>err"), 1);
        EXPECT_EQ(readFile(work.file("err")), "Output file \"doc\" already exists. Overwrite?\n");
        EXPECT_EQ(readFile(work.file("doc")), "text\n");
        EXPECT_EQ(sh(run + "--force && ! grep -q text doc"), 0);
    }
}
