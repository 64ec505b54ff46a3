#pragma once
// The two halves of an encrypted file's body, streamed in bounded memory:
// zlib compression feeding a CBC chain on the way in, and a CBC chain feeding
// zlib decompression on the way out. The CBC chain is enciphered in whole
// blocks as data arrives; only the very end of the stream takes the tail rule,
// so the bytes are those of enciphering the whole zlib stream in one chain.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "common/Secure.h"
#include "filecrypt/PieceStage.h"
#include "symcrypto/Cipher.h"

#include "filecrypt/DeflateEngines.h"

namespace zerath {

// zlib level of a compression index 0..3 (none, fastest, zlib's default, best).
int zlibLevelOfIndex(int compressionIndex);

// Enciphers a byte stream as one CBC chain and hands the ciphertext on.
class CbcEncryptingSink : public ByteSink {
public:
    CbcEncryptingSink(TDCP_blockcipher128& keyedCipher, ByteSink& out);
    ~CbcEncryptingSink() override;
    // Enciphers the piece in place and writes it on; a partial block at its end
    // waits for the next piece.
    void encipher(Piece& piece);
    void write(const void* buf, std::size_t n) override; // a copy, then as encipher()
    void finish(); // enciphers what is left, tail included
    std::uint64_t total() const { return total_; }

private:
    void emit(std::uint8_t* p, std::size_t n);
    TDCP_blockcipher128& cipher_;
    ByteSink& out_;
    std::uint8_t carry_[16];
    std::size_t carried_ = 0;
    Piece copy_;
    std::uint64_t total_ = 0;
};

// The two bytes zlib's deflate writes ahead of a stream at a zlib level, and
// the four that end it: the Adler-32 of the input, most significant byte first.
std::array<std::uint8_t, 2> zlibHeaderBytes(int zlibLevel);
std::array<std::uint8_t, 4> zlibCheckBytes(std::uint32_t adler);

// Where zlib puts its output: straight into a PieceWriter's buffers, or into a
// buffer of its own that is written to any other sink.
class ZlibOutput {
public:
    explicit ZlibOutput(ByteSink& out);
    std::uint8_t* space(std::size_t& room);
    void filled(const std::uint8_t* at, std::size_t n);
    void put(const std::uint8_t* p, std::size_t n); // bytes made outside zlib
    std::uint64_t produced() const { return produced_; }

private:
    ByteSink& out_;
    PieceWriter* direct_;
    SecureBytes buffer_;
    std::uint64_t produced_ = 0;
};

// What encryption feeds the source to: a zlib stream comes out of its sink.
class Compressor {
public:
    virtual ~Compressor() = default;
    virtual void write(const void* buf, std::size_t n) = 0;
    virtual void finish() = 0;
    virtual std::uint64_t compressedSize() const = 0;
};

// The compressor of a compression index: the parallel one for indices 1 to 3
// when there is more than one core, else one zlib stream on this thread.
std::unique_ptr<Compressor> makeCompressor(int compressionIndex, ByteSink& out, std::size_t pieceSize);

// Compresses into a zlib stream (RFC 1950) on the calling thread and writes it
// to a sink. The level's engine (see DeflateEngines) makes the deflate data; the header and the Adler-32 (on the
// wide path) are written here.
class Deflater : public Compressor {
public:
    Deflater(int zlibLevel, ByteSink& out);
    ~Deflater() override;
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
    void write(const void* buf, std::size_t n) override;
    void finish() override;
    std::uint64_t compressedSize() const override { return output_.produced(); }

private:
    void run(const std::uint8_t* p, std::size_t n, RawDeflate::Flush flush);
    std::unique_ptr<RawDeflate> engine_;
    ZlibOutput output_;
    std::uint32_t adler_;
};

// Decompresses one zlib stream into a sink. The raw inflater (ISA-L's when
// the build has it, else zlib's) inflates the deflate data alone; the two
// header bytes are checked here and the Adler-32 at the end is compared with
// one computed here, on the wide path, as the output goes by.
class Inflater {
public:
    explicit Inflater(ByteSink& out);
    ~Inflater();
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    // Bytes after the end of the stream are ignored. A damaged stream throws.
    void write(const void* buf, std::size_t n);
    // The stream has ended and its check value matched; may be asked from another thread.
    bool finished() const { return ended_; }
    std::uint64_t produced() const { return output_.produced(); }
    // Makes write() throw OperationCancelled before its next output buffer, so
    // a small piece that inflates to gigabytes stops at once; any thread may ask.
    void stop() { stop_ = true; }

private:
    bool gather(const std::uint8_t*& p, std::size_t& n, std::size_t want);
    void checkHeader() const;
    std::size_t inflateBody(const std::uint8_t* p, std::size_t n);
    std::unique_ptr<RawInflate> engine_;
    ZlibOutput output_;
    std::uint8_t edge_[4] = {}; // header or trailer bytes gathered so far
    std::size_t gathered_ = 0;
    std::uint8_t behind_[8] = {}; // check value bytes the raw inflater read ahead
    std::size_t behindCount_ = 0;
    enum class Part { Header, Body, Check } part_ = Part::Header; // what the next bytes are
    std::uint32_t adler_;
    std::atomic<bool> ended_{false};
    std::atomic<bool> stop_{false};
};

} // namespace zerath
