#pragma once
// The engines behind the zlib streams: what turns input into raw deflate data,
// and what turns raw deflate data back into bytes. Neither sees
// the zlib header or the Adler-32; the streams around them write and check
// those. The fast level and every inflation use ISA-L when the build has it,
// the other levels zlib; both read and write the same deflate format.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "common/Secure.h"

namespace zerath {

class RawDeflate {
public:
    enum class Flush { None, Sync, Finish };
    struct Step {
        std::size_t used = 0; // input bytes taken
        std::size_t made = 0; // output bytes written
        // None: all input taken. Sync: that, and all of it out, ending on a
        // byte boundary. Finish: the stream is ended and all of it out.
        bool done = false;
    };
    virtual ~RawDeflate() = default;
    // Starts a new stream primed with the `n` bytes before `at` as its past.
    virtual void restart(const std::uint8_t* at, std::size_t n) = 0;
    virtual Step run(const std::uint8_t* in, std::size_t n, std::uint8_t* out, std::size_t room, Flush flush) = 0;
};

// The engine for a zlib level; refused levels throw "Compression error".
std::unique_ptr<RawDeflate> makeRawDeflate(int zlibLevel);

// Compresses the `size` bytes at `in` as a new stream primed with the
// `dictionary` bytes just before them, into `out` from its start (grown when
// short): sync-flushed, or, when `last`, finished. Returns the bytes made.
std::size_t compressPiece(RawDeflate& engine, const std::uint8_t* in, std::size_t dictionary, std::size_t size,
                          bool last, SecureBytes& out);

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
