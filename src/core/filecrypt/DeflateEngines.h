#pragma once
// The engines behind the zlib streams: what turns one piece of input into raw
// deflate data, and what turns raw deflate data back into bytes. Neither sees
// the zlib header or the Adler-32; the streams around them write and check
// those. The fast level and every inflation use ISA-L when the build has it,
// the other levels zlib; both read and write the same deflate format.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "common/Secure.h"

namespace zerath {

class PieceCompressor {
public:
    virtual ~PieceCompressor() = default;
    // Compresses the `size` bytes at `in`, primed with the `dictionary` bytes
    // just before them, into `out` from its start (grown when short). The
    // data ends on a byte boundary, or, when `last`, ends the deflate stream.
    // Returns the number of bytes made.
    virtual std::size_t compress(const std::uint8_t* in, std::size_t dictionary, std::size_t size, bool last,
                                 SecureBytes& out) = 0;
};

// The engine for a zlib level; refused levels throw "Compression error".
std::unique_ptr<PieceCompressor> makePieceCompressor(int zlibLevel);
// Whether a level's engine is ISA-L's (fast enough to be worth its pieces on one core).
bool compressesWithIsal(int zlibLevel);

class RawInflate {
public:
    struct Step {
        std::size_t used = 0;  // input bytes taken
        std::size_t made = 0;  // output bytes written
        bool ended = false;    // the last block is complete and all of it written
        // Once ended: bytes after the end that earlier calls took, in order;
        // they come before in + used.
        std::uint8_t behind[8] = {};
        std::size_t behindCount = 0;
    };
    virtual ~RawInflate() = default;
    // Inflates from `in` into `out` until one of them runs out or the data
    // ends; bytes after the end are not taken (or, taken before, given back in
    // `behind`). Damaged data throws.
    virtual Step run(const std::uint8_t* in, std::size_t n, std::uint8_t* out, std::size_t room) = 0;
};

std::unique_ptr<RawInflate> makeRawInflate();

} // namespace zerath
