#include "filecrypt/PieceStage.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "common/Error.h"
#include "common/FileIO.h"

namespace zerath {

namespace {
constexpr std::chrono::milliseconds kWaitStep{40};
constexpr std::size_t kStockedBuffers = 16;
} // namespace

struct PieceStock::State {
    std::mutex lock;
    std::vector<SecureBytes> spare;
};

PieceStock::PieceStock() : state_(std::make_unique<State>()) {}
PieceStock::~PieceStock() = default;

Piece PieceStock::take(std::size_t capacity)
{
    {
        std::lock_guard<std::mutex> g(state_->lock);
        std::vector<SecureBytes>& spare = state_->spare;
        // The smallest buffer that holds the piece.
        auto best = spare.end();
        for (auto it = spare.begin(); it != spare.end(); ++it)
            if (it->size() >= capacity && (best == spare.end() || it->size() < best->size())) best = it;
        if (best != spare.end()) {
            Piece p;
            p.bytes = std::move(*best);
            p.limit = capacity;
            spare.erase(best);
            return p;
        }
    }
    return Piece(capacity);
}

void PieceStock::give(Piece piece)
{
    if (piece.bytes.empty()) return;
    // Nothing is written past the piece's limit, and the rest was cleared before.
    secureZero(piece.bytes.data(), std::min(piece.limit, piece.bytes.size()));
    std::lock_guard<std::mutex> g(state_->lock);
    if (state_->spare.size() < kStockedBuffers) state_->spare.push_back(std::move(piece.bytes));
}

struct PieceStage::State {
    std::size_t capacity;
    PieceStock* stock = nullptr;
    std::size_t buffers;
    Work work;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Piece> queue;  // handed over, in order
    std::vector<Piece> spare; // given back by the worker
    std::size_t made = 0;
    bool closing = false;
    bool stop = false;
    bool exited = false; // the worker has returned
    std::exception_ptr error;
    std::thread worker;

    void rethrow()
    {
        if (error) std::rethrow_exception(error);
        if (stop) throw Error("Pipeline stopped");
    }

    // Waits for ready() under the lock, calling whileWaiting without it.
    template <typename Ready>
    void waitFor(std::unique_lock<std::mutex>& g, const WhileWaiting& whileWaiting, Ready ready)
    {
        if (!whileWaiting) {
            changed.wait(g, ready);
            return;
        }
        while (!changed.wait_for(g, kWaitStep, ready)) {
            g.unlock();
            try {
                whileWaiting();
            } catch (...) {
                g.lock();
                throw;
            }
            g.lock();
        }
    }
};

PieceStage::PieceStage(std::size_t pieceCapacity, std::size_t buffers, Work work, bool ownThread, PieceStock* stock)
    : state_(std::make_unique<State>())
{
    state_->capacity = pieceCapacity;
    state_->stock = stock;
    state_->buffers = buffers < 2 ? 2 : buffers;
    state_->work = std::move(work);
    if (!ownThread) return;
    try {
        FaultInjection::threadStarting();
        state_->worker = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        // Under a process limit the work is done on the feeding thread.
    }
}

bool PieceStage::hasThread() const { return state_->worker.joinable(); }

PieceStage::~PieceStage()
{
    {
        std::lock_guard<std::mutex> g(state_->lock);
        state_->stop = true;
    }
    state_->changed.notify_all();
    if (state_->worker.joinable()) state_->worker.join();
    if (!state_->stock) return;
    for (Piece& p : state_->spare) state_->stock->give(std::move(p));
    for (Piece& p : state_->queue) state_->stock->give(std::move(p));
}

void PieceStage::run()
{
    State& s = *state_;
    struct Exit {
        State& s;
        ~Exit()
        {
            {
                std::lock_guard<std::mutex> g(s.lock);
                s.exited = true;
            }
            s.changed.notify_all();
        }
    } exit{s};
    for (;;) {
        Piece piece;
        {
            std::unique_lock<std::mutex> g(s.lock);
            s.changed.wait(g, [&] { return s.stop || s.closing || !s.queue.empty(); });
            if (s.stop || s.queue.empty()) return;
            piece = std::move(s.queue.front());
            s.queue.pop_front();
        }
        try {
            s.work(piece);
        } catch (...) {
            std::lock_guard<std::mutex> g(s.lock);
            s.error = std::current_exception();
            s.stop = true;
            return;
        }
        piece.size = 0;
        {
            std::lock_guard<std::mutex> g(s.lock);
            s.spare.push_back(std::move(piece));
        }
        s.changed.notify_all();
    }
}

Piece PieceStage::take(const WhileWaiting& whileWaiting)
{
    State& s = *state_;
    {
        std::unique_lock<std::mutex> g(s.lock);
        s.waitFor(g, whileWaiting, [&] { return s.stop || !s.spare.empty() || s.made < s.buffers; });
        s.rethrow();
        if (!s.spare.empty()) {
            Piece p = std::move(s.spare.back());
            s.spare.pop_back();
            return p;
        }
        ++s.made;
    }
    return s.stock ? s.stock->take(s.capacity) : Piece(s.capacity);
}

void PieceStage::put(Piece piece)
{
    State& s = *state_;
    if (!hasThread()) {
        s.rethrow();
        try {
            s.work(piece);
        } catch (...) {
            s.error = std::current_exception();
            s.stop = true;
            throw;
        }
        piece.size = 0;
        s.spare.push_back(std::move(piece));
        return;
    }
    {
        std::lock_guard<std::mutex> g(s.lock);
        s.rethrow();
        s.queue.push_back(std::move(piece));
    }
    s.changed.notify_all();
}

void PieceStage::finish(const WhileWaiting& whileWaiting)
{
    State& s = *state_;
    {
        std::unique_lock<std::mutex> g(s.lock);
        s.closing = true;
        s.changed.notify_all();
        // Without a worker the pieces were worked on as they were put.
        if (hasThread()) s.waitFor(g, whileWaiting, [&] { return s.exited; });
    }
    if (s.worker.joinable()) s.worker.join();
    s.rethrow();
}

std::uint8_t* PieceWriter::space(std::size_t& room)
{
    if (!holding_) {
        current_ = stage_.take();
        holding_ = true;
    }
    room = current_.room();
    return current_.data() + current_.size;
}

void PieceWriter::filled(std::size_t n)
{
    current_.size += n;
    if (current_.room() == 0) flush();
}

void PieceWriter::write(const void* buf, std::size_t n)
{
    auto* p = static_cast<const std::uint8_t*>(buf);
    while (n > 0) {
        std::size_t room = 0;
        std::uint8_t* to = space(room);
        const std::size_t take = std::min(room, n);
        std::memcpy(to, p, take);
        filled(take);
        p += take;
        n -= take;
    }
}

void PieceWriter::flush()
{
    if (!holding_ || current_.size == 0) return;
    holding_ = false;
    stage_.put(std::move(current_));
}

} // namespace zerath
