// The raw inflater driven directly: whatever cuts the input and whatever room
// the output has, it makes the bytes zlib compressed and stops at the end of
// the data, giving back what it read past it.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

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

} // namespace
