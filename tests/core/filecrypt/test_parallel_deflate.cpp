// The zlib stream made on several cores, with a 4 KiB piece so that every
// boundary case is cheap: Crypto++'s inflater and our own must read it back,
// byte for byte, with zlib's header and the Adler-32 of the whole input.
#include <cryptopp/zlib.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include "FileOracle.h"
#include "FileRig.h"
#include "TestHelpers.h"
#include "common/Error.h"
#include "common/FileIO.h"
#include "filecrypt/CryptStreams.h"
#include "filecrypt/DeflateEngines.h"
#include "filecrypt/ParallelDeflater.h"

using namespace zerath;
using namespace zerath::test;

namespace {

constexpr std::size_t kPiece = 4096;

class StringSink : public ByteSink {
public:
    std::string bytes;
    void write(const void* buf, std::size_t n) override { bytes.append(static_cast<const char*>(buf), n); }
};

// A random block repeated across every cut: each piece starts inside a repeat
// and costs next to nothing only when its matches reach into the piece before
// (its dictionary); Crypto++ reads the stream back.
TEST(ParallelDeflate, MatchesReachIntoThePreviousPiece)
{
    const std::string random = mixedText(4500, 11).substr(1500, 3000);
    std::string input;
    while (input.size() < 20 * kPiece + 123) input += random;
    for (int index = 1; index < 4; ++index) {
        StringSink sink;
        ParallelDeflater compressor(zlibLevelOfIndex(index), sink, kPiece, 3);
        compressor.write(input.data(), input.size());
        compressor.finish();
        // Without the dictionary every one of the 21 pieces would cost a block.
        EXPECT_LT(sink.bytes.size(), random.size() + 21 * 100) << index;
        EXPECT_TRUE(inflateWithCryptopp(sink.bytes) == input) << index;
    }
}

TEST(ParallelDeflate, CgroupQuotaInWholeCores)
{
    TempDir dir;
    const struct {
        const char* text;
        unsigned cores;
    } rows[] = {{"max 100000\n", 0}, {"150000 100000\n", 2}, {"100000 100000\n", 1}, {"5000 100000\n", 1},
                {"400000 100000\n", 4}, {"0 100000\n", 0},      {"junk\n", 0},             {"", 0}};
    for (const auto& r : rows) {
        writeFile(dir.file("cpu.max"), r.text);
        EXPECT_EQ(cgroupQuotaCores(dir.file("cpu.max")), r.cores) << r.text;
    }
    EXPECT_EQ(cgroupQuotaCores(dir.file("missing")), 0u);
}

// Feeds a stream to the inflater in pieces of `cut` bytes; what it wrote, or
// "!" for a refusal, "?" for a stream that never ended.
std::string inflateInPieces(const std::string& stream, std::size_t cut)
{
    StringSink sink;
    Inflater inflater(sink);
    try {
        for (std::size_t at = 0; at < stream.size() && !inflater.finished(); at += cut)
            inflater.write(stream.data() + at, std::min(cut, stream.size() - at));
    } catch (const Error&) {
        return "!";
    }
    return inflater.finished() ? sink.bytes : "?";
}

TEST(ParallelDeflate, EveryIndexAndPieceBoundaryInflatesWithZlibAndCryptopp)
{
    const std::uint16_t headers[] = {0x7801, 0x7801, 0x789C, 0x78DA};
    // The one-thread compressor first (the one a single core uses), then the parallel one.
    for (int run = 0; run < 8; ++run) {
        const int index = run % 4;
        for (std::size_t size : {std::size_t{0}, std::size_t{1}, kPiece - 1, kPiece, kPiece + 1, 2 * kPiece,
                                 23 * kPiece + 77, 40 * kPiece}) {
            const std::string input = mixedText(size, static_cast<unsigned>(size));
            StringSink sink;
            // Three workers, so that pieces finish out of order even on one core.
            const std::unique_ptr<Compressor> compressor =
                run < 4 ? std::unique_ptr<Compressor>(std::make_unique<Deflater>(zlibLevelOfIndex(index), sink))
                        : std::make_unique<ParallelDeflater>(zlibLevelOfIndex(index), sink, kPiece, 3);
            // Writes of an odd length, so pieces fill across them.
            for (std::size_t at = 0; at < size; at += 1000)
                compressor->write(input.data() + at, std::min<std::size_t>(1000, size - at));
            compressor->finish();
            const std::string& z = sink.bytes;
            const std::string where = "run " + std::to_string(run) + " size " + std::to_string(size);
            ASSERT_GE(z.size(), 6u) << where;
            EXPECT_EQ(compressor->compressedSize(), z.size()) << where;
            EXPECT_EQ((std::uint8_t(z[0]) << 8) | std::uint8_t(z[1]), headers[index]) << where;
            // Crypto++ checks the Adler-32 of the whole input and throws on a wrong one.
            EXPECT_TRUE(inflateWithCryptopp(z) == input) << where;
            EXPECT_TRUE(inflateInPieces(z, 1000) == input) << where;
        }
    }
}

// Crypto++'s zlib streams at three window sizes and with stored, fixed and
// dynamic blocks, cut anywhere (header and check value across pieces, the
// last block's end anywhere in a piece); damaged headers and check values
// refused, a cut-off end never taken as the end, and bytes after the end ignored.
TEST(Inflater, ReadsZlibStreamsInAnyPiecesAndRefusesDamage)
{
    for (const auto& [level, bits, size] : {std::tuple{6u, 9u, 3 * kPiece + 5}, {6u, 12u, 3 * kPiece + 5},
                                            {6u, 15u, 3 * kPiece + 5}, {0u, 15u, 2 * kPiece}, {1u, 15u, std::size_t{9}},
                                            {9u, 15u, std::size_t{0}}, {9u, 15u, kPiece + 1}}) {
        const std::string input = mixedText(size, 9);
        std::string stream;
        CryptoPP::StringSource(input, true,
                               new CryptoPP::ZlibCompressor(new CryptoPP::StringSink(stream), level, bits));
        for (std::size_t cut : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{5}, std::size_t{7},
                                std::size_t{1000}, stream.size()})
            EXPECT_TRUE(inflateInPieces(stream + "trailing bytes", cut) == input) << level << "/" << bits << " " << cut;
        for (std::size_t at : {stream.size() - 1, stream.size() - 4}) { // the check value
            std::string bad = stream;
            bad[at] = char(bad[at] ^ 0x41);
            EXPECT_TRUE(inflateInPieces(bad, 2) == "!") << bits << " byte " << at;
        }
        EXPECT_EQ(inflateInPieces(stream.substr(0, stream.size() - 1), 7), "?");
        std::string reserved = stream; // a first block of the reserved type 3
        reserved[2] = char(0x07);
        EXPECT_EQ(inflateInPieces(reserved, 5), "!");
        // Headers: another method, a window over 32 KiB, a preset dictionary (each
        // with a sound check), and a check that fails.
        for (const auto& [cmf, flg] : {std::pair{0x77u, 0u}, {0x88u, 0u}, {0x78u, 0x20u}, {0x78u, 0x02u}}) {
            std::string bad = stream;
            bad[0] = char(cmf), bad[1] = char(flg & 31 ? flg : flg + (31 - (cmf * 256 + flg) % 31) % 31);
            EXPECT_TRUE(inflateInPieces(bad, 2) == "!") << bits << " " << cmf << " " << flg;
        }
    }
}

// The raw inflater driven directly: whatever cuts the input and whatever room
// the output has, it makes the bytes zlib compressed and stops at the end of
// the data, giving back what it read past it.
// The deflate data between the header and the check value of zlib's stream.
std::string rawDeflate(const std::string& in, int level)
{
    uLongf len = compressBound(static_cast<uLong>(in.size()));
    std::string z(len, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(z.data()), &len, reinterpret_cast<const Bytef*>(in.data()),
                        static_cast<uLong>(in.size()), level),
              Z_OK);
    return z.substr(2, len - 6);
}

// Inflates `stream` fed in pieces of `cut` bytes into rooms of `room` bytes;
// the output, then "|" and the bytes from the end of the data on.
std::string inflateRaw(const std::string& stream, std::size_t cut, std::size_t room)
{
    const auto engine = makeRawInflate();
    const auto* data = reinterpret_cast<const std::uint8_t*>(stream.data());
    std::string out;
    std::string to(room, '\0');
    for (std::size_t at = 0; at < stream.size();) {
        const std::size_t n = std::min(cut, stream.size() - at);
        std::size_t used = 0;
        for (;;) {
            const RawInflate::Step step =
                engine->run(data + at + used, n - used, reinterpret_cast<std::uint8_t*>(to.data()), room);
            out.append(to.data(), step.made);
            used += step.used;
            if (step.ended)
                return out + "|" + std::string(reinterpret_cast<const char*>(step.behind), step.behindCount) +
                       stream.substr(at + used);
            if (used == n && step.made < room) break;
        }
        at += n;
    }
    return out + "?";
}

TEST(RawInflate, StopsAtTheEndAndGivesBackWhatFollowsForAnyCutAndRoom)
{
    for (int level : {0, 1, 6}) {
        for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{5000}, std::size_t{70000}}) {
            const std::string input = mixedText(size, 5);
            const std::string stream = rawDeflate(input, level) + "CHECK+tail";
            for (std::size_t cut : {std::size_t{1}, std::size_t{3}, std::size_t{64}, stream.size()})
                for (std::size_t room : {std::size_t{1}, std::size_t{7}, std::size_t{4096}, std::size_t{1} << 17})
                    EXPECT_TRUE(inflateRaw(stream, cut, room) == input + "|CHECK+tail")
                        << level << " " << size << " " << cut << " " << room;
        }
    }
}

struct PieceCommands : ::testing::Test, FileRig {};

// Each cipher once, the pipeline's pieces cut at 4 KiB on both roads.
TEST_F(PieceCommands, FilesCutIntoSmallPiecesRoundTrip)
{
    const struct {
        int cipher, index;
        std::size_t size;
    } rows[] = {{0, 0, 3 * kPiece}, {1, 1, 5 * kPiece + 1}, {2, 2, kPiece - 1}, {3, 3, 60 * kPiece + 9}, {4, 1, 0}};
    for (const auto& r : rows) {
        const std::string plain = mixedText(r.size, 7);
        writeFile(work.file("doc.bin"), plain);
        ASSERT_TRUE(EncryptFile(ring, to(work.file("doc.bin"), r.cipher, r.index, kPiece), ui).done) << r.cipher;
        std::remove(work.file("doc.bin").c_str());
        ASSERT_TRUE(decrypt(work.file("doc.bin.enc"), kPiece).done);
        EXPECT_TRUE(readFile(work.file("doc.bin")) == plain) << "cipher " << r.cipher;
        EXPECT_EQ(folderNames(work.path()), (std::vector<std::string>{"doc.bin", "doc.bin.enc"}));
        std::remove(work.file("doc.bin.enc").c_str());
    }
}

TEST_F(PieceCommands, AFailingCompressionWorkerLeavesNothingBehind)
{
    if (ParallelDeflater::usableCores() == 1) GTEST_SKIP() << "one core compresses without workers";
    writeFile(work.file("doc.bin"), mixedText(30 * kPiece, 3));
    writeFile(work.file("doc.bin.enc"), "the previous encrypted file");
    for (int piece : {0, 1, 7, 30}) {
        FaultPlan plan;
        plan.failOnPiece = piece;
        FaultInjection::set(plan);
        EXPECT_EQ(errorOf<UserMessage>([&] { EncryptFile(ring, to(work.file("doc.bin"), 0, 1, kPiece), ui); }), kEncryptError);
        FaultInjection::clear();
        EXPECT_EQ(folderNames(work.path()), (std::vector<std::string>{"doc.bin", "doc.bin.enc"})) << piece;
        EXPECT_TRUE(readFile(work.file("doc.bin.enc")) == "the previous encrypted file") << piece;
    }
}

} // namespace
