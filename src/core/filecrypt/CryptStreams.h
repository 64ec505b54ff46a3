#pragma once
// The two halves of an encrypted file's body, streamed in bounded memory:
// zlib compression feeding a CBC chain on the way in, and a CBC chain feeding
// zlib decompression on the way out. The CBC chain is enciphered in whole
// blocks as data arrives; only the very end of the stream takes the tail rule,
// so the bytes are those of enciphering the whole zlib stream in one chain.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "common/Secure.h"
#include "symcrypto/Cipher.h"

struct z_stream_s;

namespace zerath {

// zlib level of a compression index 0..3 (none, fastest, zlib's default, best).
int zlibLevelOfIndex(int compressionIndex);

// Enciphers a byte stream as one CBC chain and hands the ciphertext on.
class CbcEncryptingSink : public ByteSink {
public:
    CbcEncryptingSink(TDCP_blockcipher128& keyedCipher, ByteSink& out);
    void write(const void* buf, std::size_t n) override;
    void finish(); // enciphers what is left, tail included
    std::uint64_t total() const { return total_; }

private:
    void flushWholeBlocks();
    TDCP_blockcipher128& cipher_;
    ByteSink& out_;
    SecureBytes buffer_;
    std::size_t used_ = 0;
    std::uint64_t total_ = 0;
};

// Hands what is written to it over to a worker thread that writes it on to the
// next sink, so that compression and encipherment with writing run side by
// side. At most a few pieces wait at a time; an error of the worker comes back
// from the next write or from finish().
class PipelinedSink : public ByteSink {
public:
    explicit PipelinedSink(ByteSink& next);
    ~PipelinedSink() override; // stops the worker; what was not finished is dropped
    PipelinedSink(const PipelinedSink&) = delete;
    PipelinedSink& operator=(const PipelinedSink&) = delete;
    void write(const void* buf, std::size_t n) override;
    void finish(); // waits until everything has been written on

private:
    struct State;
    void handOver();
    void work();
    std::unique_ptr<State> state_;
};

// Compresses into a zlib stream (RFC 1950) and writes it to a sink.
class Deflater {
public:
    Deflater(int zlibLevel, ByteSink& out);
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
    void write(const void* buf, std::size_t n);
    void finish();
    std::uint64_t compressedSize() const { return produced_; }

private:
    void run(int flush);
    z_stream_s* z_;
    ByteSink& out_;
    SecureBytes outBuf_;
    std::uint64_t produced_ = 0;
};

// Decompresses one zlib stream into a sink; the Adler-32 check is zlib's.
class Inflater {
public:
    explicit Inflater(ByteSink& out);
    ~Inflater();
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    // Bytes after the end of the stream are ignored. A damaged stream throws.
    void write(const void* buf, std::size_t n);
    bool finished() const { return ended_; }
    std::uint64_t produced() const { return produced_; }

private:
    z_stream_s* z_;
    ByteSink& out_;
    SecureBytes outBuf_;
    bool ended_ = false;
    std::uint64_t produced_ = 0;
};

} // namespace zerath
