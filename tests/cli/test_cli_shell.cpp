// zerath-cli as a shell user meets it, each command a process: pipes through
// standard input and output, -o, options as people type them, inspect and
// remove refusing what they must.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zlib.h>

#include "TempDir.h"
#include "TestHelpers.h"

using namespace zerath::test;

namespace {

class CliShell : public ::testing::Test {
protected:
    TempDir home, work;

    // Runs a script in work with $Z = zerath-cli --home home and $K = alice's
    // imported key pair; its exit code.
    int sh(const std::string& script)
    {
        const std::string vars = "Z=\"" + std::string(ZERATH_BINARY_DIR) + "/bin/zerath-cli --home " + home.path() +
                                 "\"; K=$(cat id 2>/dev/null); ";
        return WEXITSTATUS(std::system(("cd " + work.path() + "; " + vars + script).c_str()));
    }
    std::string file(const std::string& name) { return readFile(work.file(name)); }
    void SetUp() override
    {
        ASSERT_EQ(sh("echo 'correct horse battery' >pw; $Z import " + dataPath("keys/alice-private.akf") +
                     " --passphrase-file pw >id"),
                  0);
    }
};

class PipeRoundTrip : public CliShell, public ::testing::WithParamInterface<int> {};

TEST_P(PipeRoundTrip, StandardInputToStandardOutputAndBack)
{
    const std::string n = std::to_string(GetParam());
    ASSERT_EQ(sh("head -c " + n + " /dev/urandom >in && cat in | $Z encrypt --to $K - | cat >enc &&"
                 " cat enc | $Z decrypt --passphrase-file pw - | cat >out"),
              0);
    EXPECT_EQ(file("out"), file("in"));
    // The stream is the file format: the file commands take it as it is.
    EXPECT_EQ(sh("mv enc in2.enc && $Z decrypt --passphrase-file pw --quiet in2.enc && cmp in in2"), 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PipeRoundTrip, ::testing::Values(0, 1, 5 << 20));

TEST_F(CliShell, ADamagedStreamFailsAtItsEndAndAFileIsNotWritten)
{
    ASSERT_EQ(sh("head -c 3000000 /dev/urandom >in && $Z encrypt --to $K -o in.enc in"), 0);
    // One byte changed near the end: everything before it deciphers, the check value fails.
    ASSERT_EQ(sh("size=$(stat -c %s in.enc); printf '\\377' | dd of=in.enc bs=1 seek=$((size - 40)) conv=notrunc "
                 "2>/dev/null"),
              0);
    EXPECT_EQ(sh("$Z decrypt --passphrase-file pw - <in.enc >out 2>err"), 1);
    EXPECT_EQ(file("err"), "zerath-cli: -: An error occurred while decrypting the file\n");
    EXPECT_EQ(sh("$Z decrypt --passphrase-file pw -o out2 in.enc 2>/dev/null"), 1);
    EXPECT_EQ(folderNames(work.path()), (std::vector<std::string>{"err", "id", "in", "in.enc", "out", "pw"}));
}

struct Usage {
    std::string script;
    int code;
    std::string out; // standard output's first line
};

void PrintTo(const Usage& u, std::ostream* os) { *os << u.script; }

class CliUsage : public CliShell, public ::testing::WithParamInterface<Usage> {};

TEST_P(CliUsage, ExitCodeAndOutput)
{
    const Usage& u = GetParam();
    EXPECT_EQ(sh("echo text >doc; { " + u.script + "; } >out 2>err"), u.code) << u.script << "\n" << file("err");
    const std::string out = file("out");
    EXPECT_EQ(out.substr(0, out.find('\n')), u.out) << u.script;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CliUsage,
    ::testing::Values(
        Usage{"$Z --version", 0, std::string("zerath-cli 1.0 (zlib ") + zlibVersion() + ")"},
        Usage{"$Z export-public $K - | head -1 | tr -d \"\\\\r\"", 0, "#---Begin VOXE ZERATH El Pelorin 1.0 Public Key 2048 bit---"},
        Usage{"$Z export-private -o - --passphrase-file pw $K | tail -1 | tr -d \"\\\\r\"", 0,
              "#---End VOXE ZERATH El Pelorin 1.0 Private Key 2048 bit---"},
        Usage{"$Z export-public $K", 2, ""},
        Usage{"${Z%% *} --home=$PWD/o where | sed \"s|$PWD/||\"", 0, "o"},
        Usage{"$Z encrypt --to=$K doc && test -s doc.enc", 0, "doc.enc"},
        Usage{"$Z encrypt --to $K --to $K doc", 2, ""},
        Usage{"$Z encrypt --to $K -o doc2.enc doc && $Z decrypt --passphrase-file=pw --output doc3 doc2.enc && "
              "cmp doc doc3",
              0, "doc2.enc"},
        Usage{"$Z encrypt --to $K -o x.enc doc doc", 2, ""},
        Usage{"mkdir d; $Z encrypt --to $K -r -o x.enc d", 2, ""},
        Usage{"mkdir d; $Z encrypt --to $K -o x.enc d", 2, ""},
        Usage{"$Z encrypt --to $K -o - doc | $Z decrypt --passphrase-file pw -o - - | cat", 0, "text"},
        Usage{"$Z encrypt --to $K doc && $Z decrypt --passphrase-file - - <doc.enc", 2, "doc.enc"},
        Usage{"$Z encrypt --to $K -h", 0, "usage: zerath-cli encrypt --to KEY [--cipher C] [--level L] [--wipe] "
                                          "[--force] [--quiet] [-r]"},
        Usage{"$Z inspect doc", 1, ""},
        Usage{"printf '\\001ABCD\\001\\000ZZ' | $Z inspect -", 1, ""},
        Usage{"head -c 600 /dev/zero | tr '\\0' '\\1' | $Z inspect -", 1, ""},
        Usage{"$Z remove --force $K && $Z list | wc -l", 0, "0"},
        Usage{"$Z shred --passes 4 doc && ! test -e doc", 0, ""},
        Usage{"$Z shred --passes 10 doc && ! test -e doc", 0, ""},
        Usage{"$Z shred --passes 3 doc", 2, ""},
        Usage{"$Z shred --passes=11 doc; test -e doc", 0, ""}));

TEST_F(CliShell, RemovingAKeyPairWithoutATerminalNeedsForce)
{
    EXPECT_EQ(sh("$Z remove $K </dev/null 2>err"), 2);
    EXPECT_EQ(file("err").rfind("zerath-cli: removing a key pair needs --force", 0), 0u);
    EXPECT_EQ(sh("$Z list | grep -q $K"), 0);
}

TEST_F(CliShell, InspectNamesEachCipherAndRefusesWhatIsNotEncrypted)
{
    const char* names[] = {"Rijndael (AES)", "RC6", "Mars", "Serpent", "Twofish"};
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(sh("echo text | $Z encrypt --to $K --cipher " + std::to_string(i) + " - | $Z inspect - >out"), 0);
        EXPECT_EQ(file("out").substr(0, file("out").find('\n')), std::string("Cipher: ") + names[i]);
    }
    EXPECT_EQ(sh("echo text >t; $Z inspect t 2>err"), 1);
    EXPECT_EQ(file("err"), "zerath-cli: Not an encrypted file (or damaged): t\n");
}

} // namespace
