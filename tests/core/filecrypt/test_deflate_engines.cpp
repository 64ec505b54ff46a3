// The engines behind the zlib streams, driven directly: whatever cuts the
// input and whatever room the output has, the raw inflater makes the bytes
// zlib compressed and stops at the end of the data, giving back what it read
// past it; the piece compressor's pieces, each primed with the bytes before
// it, read back with zlib as one stream.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "common/Error.h"
#include "filecrypt/DeflateEngines.h"

using namespace zerath;

namespace {

std::string sample(std::size_t n)
{
    std::mt19937 rng(5);
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = (i / 700) % 4 == 3 ? char(rng()) : "the lazy dog jumps "[(i * 3) % 19];
    return s;
}

std::string rawDeflate(const std::string& in, int level)
{
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&z, static_cast<uLong>(in.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
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
            const std::string input = sample(size);
            const std::string stream = rawDeflate(input, level) + "CHECK+tail";
            for (std::size_t cut : {std::size_t{1}, std::size_t{3}, std::size_t{64}, stream.size()})
                for (std::size_t room : {std::size_t{1}, std::size_t{7}, std::size_t{4096}, std::size_t{1} << 17})
                    EXPECT_TRUE(inflateRaw(stream, cut, room) == input + "|CHECK+tail")
                        << level << " " << size << " " << cut << " " << room;
        }
    }
}

TEST(RawInflate, RefusesDamagedData)
{
    const std::string stream = rawDeflate(sample(20000), 6);
    // A reserved block type; a distance before the start of the data (a fixed
    // block whose first code is a match).
    for (const std::string& bad : {std::string("\x07\x00\x00\x00", 4), std::string("\x03\x02\x20\x00\x00", 5)})
        EXPECT_THROW(inflateRaw(bad, 64, 4096), Error);
    std::string cut = stream.substr(0, stream.size() / 2);
    EXPECT_EQ(inflateRaw(cut, 64, 4096).back(), '?');
}

TEST(PieceCompressor, PiecesPrimedWithTheirPastReadBackAsOneStream)
{
    for (int level : {0, 1, 6, 9}) {
        const std::string input = sample(200000);
        const auto engine = makePieceCompressor(level);
        std::string stream;
        SecureBytes out;
        const std::size_t piece = 48 * 1024 + 17;
        for (std::size_t at = 0; at == 0 || at < input.size(); at += piece) {
            const std::size_t n = std::min(piece, input.size() - at);
            const std::size_t dictionary = std::min<std::size_t>(at, 32 * 1024);
            const auto* p = reinterpret_cast<const std::uint8_t*>(input.data()) + at;
            const std::size_t made = engine->compress(p, dictionary, n, at + n == input.size(), out);
            stream.append(reinterpret_cast<const char*>(out.data()), made);
        }
        EXPECT_TRUE(inflateRaw(stream + "after", 4096, 4096) == input + "|after") << level;
        // zlib as the independent reader.
        z_stream z{};
        ASSERT_EQ(inflateInit2(&z, -MAX_WBITS), Z_OK);
        std::string back(input.size() + 1, '\0');
        z.next_in = reinterpret_cast<Bytef*>(stream.data());
        z.avail_in = static_cast<uInt>(stream.size());
        z.next_out = reinterpret_cast<Bytef*>(back.data());
        z.avail_out = static_cast<uInt>(back.size());
        EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END) << level;
        back.resize(z.total_out);
        inflateEnd(&z);
        EXPECT_TRUE(back == input) << level;
        // The fast level still compresses the text: well under the input's size.
        if (level > 0) {
            EXPECT_LT(stream.size(), input.size() / 2) << level;
        }
    }
}

} // namespace
