#pragma once
// One zlib stream (RFC 1950) made by every core at once. The input is cut into
// pieces that a pool of workers compresses side by side (each with the engine
// of the level, see DeflateEngines), each piece primed
// with the 32 KiB before it as its dictionary so that matches reach back across
// the cut, and each ended on a byte boundary (a sync flush; the last one
// finishes the stream). The pieces are written in order behind the header zlib
// writes for the level, whichever engine made them, and the Adler-32 of the whole input is combined from
// the pieces' own. Any inflater reads the result as one stream.
//
// A fixed number of pieces is in flight, so memory stays bounded; every buffer
// that holds plaintext, the engines' included, is cleared when it is released.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "filecrypt/CryptStreams.h"

namespace zerath {

class ParallelDeflater : public Compressor {
public:
    static constexpr std::size_t kDefaultPiece = 1 << 20;
    // threads 0: one worker for each core this process may run on.
    ParallelDeflater(int zlibLevel, ByteSink& out, std::size_t pieceSize = kDefaultPiece, unsigned threads = 0);
    ~ParallelDeflater() override; // stops the workers; what was not finished is dropped
    ParallelDeflater(const ParallelDeflater&) = delete;
    ParallelDeflater& operator=(const ParallelDeflater&) = delete;

    void write(const void* buf, std::size_t n) override;
    // The last piece, then the Adler-32. A worker's failure comes back from
    // here or from write().
    void finish() override;
    std::uint64_t compressedSize() const override { return produced_; }

    // How many cores this process may run on.
    static unsigned usableCores();

private:
    struct Job;
    struct Pool;
    void startPiece();
    void submit(bool last);
    void writeFinished(std::size_t inFlightAtMost);
    void output(const void* p, std::size_t n);

    std::unique_ptr<Pool> pool_;
    ByteSink& out_;
    std::size_t pieceSize_;
    std::unique_ptr<Job> filling_;
    SecureBytes history_; // the last 32 KiB of input, the next piece's dictionary
    std::size_t historySize_ = 0;
    unsigned long adler_ = 1;
    std::uint64_t produced_ = 0;
};

} // namespace zerath
