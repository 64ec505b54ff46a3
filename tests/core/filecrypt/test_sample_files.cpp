// Encrypted files made once by a build that compresses and inflates with zlib
// and once by one with ISA-L, at every compression index, for the committed
// key of Alice: every build decrypts all of them to the same bytes. The set was
// written by each kind of build (-DZERATH_ISAL=OFF / ON) with
//   ZERATH_WRITE_SAMPLES=tests/data/filecrypt/<zlib|isal> test_filecrypt --gtest_filter='*SampleFiles*/0'
#include <gtest/gtest.h>

#include <cstdlib>

#include "FileRig.h"

using namespace zerath;
using namespace zerath::test;

namespace {

constexpr std::size_t kPiece = 16 * 1024; // several compression pieces per file

struct SampleFiles : ::testing::TestWithParam<std::string>, FileRig {};

TEST_P(SampleFiles, EveryIndexDecryptsToTheSameBytes)
{
    std::string plain(4 * kPiece + 123, '\0'); // text with runs of noise
    std::uint32_t x = 12345;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        x = x * 1103515245u + 12345u;
        plain[i] = (i / 900) % 5 == 2 ? char(x >> 24) : "Sphinx of black quartz, judge my vow. "[(i * 5) % 38];
    }
    const char* writeTo = std::getenv("ZERATH_WRITE_SAMPLES");
    for (int index = 0; index < 4; ++index) {
        const std::string name = work.file("sample-index" + std::to_string(index));
        if (writeTo) {
            writeFile(name, plain);
            ASSERT_TRUE(EncryptFile(ring, to(name, index, index, kPiece), ui).done);
            writeFile(writeTo + name.substr(name.rfind('/') + 7) + ".enc", readFile(name + ".enc"));
            continue;
        }
        const std::string sample = GetParam() + name.substr(name.rfind('/') + 7) + ".enc";
        writeFile(name + ".enc", readFile(std::string(ZERATH_TEST_DATA_DIR) + "/filecrypt/" + sample));
        ASSERT_TRUE(decrypt(name + ".enc", kPiece).done);
        EXPECT_TRUE(readFile(name) == plain) << sample;
    }
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, SampleFiles, ::testing::Values("zlib", "isal"));

} // namespace
