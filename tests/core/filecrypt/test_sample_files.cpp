// Encrypted files made once by a build that compresses and inflates with zlib
// and once by a build with ISA-L, at every compression index, for the
// committed key of Alice (tests/data/keys): every build decrypts all of them
// to the same bytes, so files travel between the two builds both ways.
//
// The committed set was written with
//   ZERATH_WRITE_SAMPLES=tests/data/filecrypt/<zlib|isal> test_filecrypt --gtest_filter='SampleFiles.*'
// in a build of each kind (-DZERATH_ISAL=OFF / ON).
#include <gtest/gtest.h>

#include <cstdlib>

#include "KeyRingFixture.h"
#include "TestUi.h"
#include "filecrypt/FileCommands.h"
#include "keyring/KeyRing.h"

using namespace zerath;
using namespace zerath::test;

namespace {

constexpr std::size_t kPiece = 16 * 1024; // several compression pieces per file

// Text with runs of noise, the same in every build.
std::string samplePlaintext()
{
    std::string s(4 * kPiece + 123, '\0');
    std::uint32_t x = 12345;
    for (std::size_t i = 0; i < s.size(); ++i) {
        x = x * 1103515245u + 12345u;
        s[i] = (i / 900) % 5 == 2 ? char(x >> 24) : "Sphinx of black quartz, judge my vow. "[(i * 5) % 38];
    }
    return s;
}

struct SampleFiles : ::testing::TestWithParam<std::string> {
    KeyRingFixture keys;
    TempDir work;
    KeyRing ring{keys.home()};
    ScriptedUi ui;
    void SetUp() override { ring.DBOpen(); }
};

TEST_P(SampleFiles, EveryIndexDecryptsToTheSameBytes)
{
    const std::string plain = samplePlaintext();
    if (const char* to = std::getenv("ZERATH_WRITE_SAMPLES")) {
        writeFile(work.file("sample"), plain);
        for (int index = 0; index < 4; ++index) {
            EncryptOptions o;
            o.keyId = keys.idOf(TestKey::AlicePublic);
            o.sourcePath = work.file("sample");
            o.compressionIndex = index;
            o.cipherIndex = index;
            o.pieceSize = kPiece;
            ASSERT_TRUE(EncryptFile(ring, o, ui).done);
            writeFile(std::string(to) + "-index" + std::to_string(index) + ".enc", readFile(o.sourcePath + ".enc"));
            std::remove((o.sourcePath + ".enc").c_str());
        }
        GTEST_SKIP() << "samples written";
    }
    for (int index = 0; index < 4; ++index) {
        const std::string name = GetParam() + "-index" + std::to_string(index);
        writeFile(work.file(name + ".enc"), readFile(std::string(ZERATH_TEST_DATA_DIR) + "/filecrypt/" + name + ".enc"));
        ASSERT_TRUE(DecryptFile(ring, DecryptOptions{keys.idOf(TestKey::AlicePair), work.file(name + ".enc"), kPiece}, ui)
                        .done)
            << name;
        EXPECT_TRUE(readFile(work.file(name)) == plain) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, SampleFiles, ::testing::Values("zlib", "isal"));

} // namespace
