#pragma once
// One stage of a pipeline: a worker thread that takes pieces of bytes in order
// and does its work on each (decipher, inflate, write...), while the thread
// that feeds it goes on with the next piece. The stage owns a fixed number of
// buffers: the feeder borrows one, fills it and hands it over; the worker gives
// it back once done. So memory stays bounded, nothing is copied on the way, and
// the buffers, which hold plaintext, are cleared when the stage ends.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "common/Secure.h"
#include "symcrypto/Cipher.h"

namespace zerath {

struct Piece {
    Piece() = default;
    explicit Piece(std::size_t capacity) : bytes(capacity), limit(capacity) {}
    SecureBytes bytes; // the whole buffer, which may be larger than the piece
    std::size_t limit = 0; // the piece's bytes, from the start
    std::size_t size = 0; // bytes in use, from the start
    std::uint8_t* data() { return bytes.data(); }
    std::size_t capacity() const { return limit; }
    std::size_t room() const { return limit - size; }
};

// Buffers a batch keeps from file to file, so that each file does not pay for
// fresh memory: a file's stages take their pieces from the stock and give them
// back when they end, cleared as far as the piece reached. Safe to share
// between threads; holds a bounded number of buffers.
class PieceStock {
public:
    PieceStock();
    ~PieceStock();
    PieceStock(const PieceStock&) = delete;
    PieceStock& operator=(const PieceStock&) = delete;
    // A piece of the given capacity, all zeros, in a buffer kept or made.
    Piece take(std::size_t capacity);
    void give(Piece piece);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The stage takes its buffers from a stock when given one and gives them
// back when it ends. A stage without a thread of its own (asked for, for work too small to be worth
// one, or when the thread cannot start) does the work inside put(), on the
// feeding thread.
class PieceStage {
public:
    using Work = std::function<void(Piece&)>;
    PieceStage(std::size_t pieceCapacity, std::size_t buffers, Work work, bool ownThread = true,
               PieceStock* stock = nullptr);
    ~PieceStage(); // stops the worker; pieces not yet worked on are dropped
    PieceStage(const PieceStage&) = delete;
    PieceStage& operator=(const PieceStage&) = delete;

    // Called every few tens of milliseconds while the feeding thread waits,
    // so it can let windows paint and stop by throwing.
    using WhileWaiting = std::function<void()>;

    // An empty buffer, once one is free. A failure of the worker comes back
    // from here, from put() or from finish().
    Piece take(const WhileWaiting& whileWaiting = {});
    void put(Piece piece);
    // Waits until every piece has been worked on.
    void finish(const WhileWaiting& whileWaiting = {});
    bool hasThread() const;

private:
    struct State;
    void run();
    std::unique_ptr<State> state_;
};

// Writes into a stage's buffers: producers that can fill memory directly (zlib)
// ask for space and say how much they filled; a full buffer is handed over.
class PieceWriter : public ByteSink {
public:
    explicit PieceWriter(PieceStage& stage) : stage_(stage) {}
    std::uint8_t* space(std::size_t& room);
    void filled(std::size_t n);
    void write(const void* buf, std::size_t n) override;
    void flush(); // hands over a partly filled buffer

private:
    PieceStage& stage_;
    Piece current_;
    bool holding_ = false;
};

} // namespace zerath
