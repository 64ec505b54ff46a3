#include "filecrypt/ParallelDeflater.h"

#include <sched.h>
#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "common/Error.h"
#include "symcrypto/Adler32.h"
#include "common/FileIO.h"
#include "filecrypt/DeflateEngines.h"

namespace zerath {

namespace {

constexpr std::size_t kWindow = 32 * 1024;
constexpr unsigned kMostWorkers = 8; // bounds memory on large machines

} // namespace

unsigned ParallelDeflater::usableCores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<unsigned>(CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

// One piece: its dictionary, then its input; then what the worker made of it.
struct ParallelDeflater::Job {
    SecureBytes input;
    std::size_t dictionary = 0;
    std::size_t size = 0;
    bool last = false;
    SecureBytes output;
    std::size_t produced = 0;
    unsigned long adler = 1;
    bool done = false;
    std::exception_ptr error;

    std::uint8_t* piece() { return input.data() + dictionary; }
};

struct ParallelDeflater::Pool {
    int level = 0;
    std::size_t inFlightMost = 0;
    std::mutex lock;
    std::condition_variable work;     // workers wait for jobs
    std::condition_variable finished; // the writer waits for the oldest job
    std::deque<Job*> todo;
    std::deque<std::unique_ptr<Job>> inFlight; // in input order
    std::vector<std::unique_ptr<Job>> spare;
    bool stop = false;
    std::vector<std::thread> workers;

    void run();
    void compress(RawDeflate& engine, Job& job) const;
};

void ParallelDeflater::Pool::compress(RawDeflate& engine, Job& job) const
{
    if (FaultInjection::pieceShouldFail()) throw Error("Compression error");
    job.adler = Adler32Update(kAdler32Start, job.piece(), job.size);
    job.produced = compressPiece(engine, job.piece(), job.dictionary, job.size, job.last, job.output);
}

void ParallelDeflater::Pool::run()
{
    // Raw deflate: the header and the checksum belong to the whole stream.
    std::unique_ptr<RawDeflate> engine;
    std::exception_ptr startError;
    try {
        engine = makeRawDeflate(level);
    } catch (...) {
        startError = std::current_exception();
    }
    for (;;) {
        Job* job;
        {
            std::unique_lock<std::mutex> g(lock);
            work.wait(g, [&] { return stop || !todo.empty(); });
            if (stop) break;
            job = todo.front();
            todo.pop_front();
        }
        std::exception_ptr error = startError;
        try {
            if (!error) compress(*engine, *job);
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> g(lock);
            job->error = error;
            job->done = true;
        }
        finished.notify_all();
    }
}

ParallelDeflater::ParallelDeflater(int zlibLevel, ByteSink& out, std::size_t pieceSize, unsigned threads)
    : pool_(std::make_unique<Pool>()), out_(out), pieceSize_(std::max<std::size_t>(pieceSize, 1)), history_(kWindow)
{
    if (threads == 0) threads = std::min(usableCores(), kMostWorkers);
    pool_->level = zlibLevel;
    pool_->inFlightMost = threads + 2;
    for (unsigned i = 0; i < threads; ++i) pool_->workers.emplace_back([p = pool_.get()] { p->run(); });
    const auto header = zlibHeaderBytes(zlibLevel);
    output(header.data(), header.size());
}

ParallelDeflater::~ParallelDeflater()
{
    {
        std::lock_guard<std::mutex> g(pool_->lock);
        pool_->stop = true;
    }
    pool_->work.notify_all();
    for (auto& t : pool_->workers) t.join();
}

void ParallelDeflater::output(const void* p, std::size_t n)
{
    out_.write(p, n);
    produced_ += n;
}

void ParallelDeflater::startPiece()
{
    if (pool_->spare.empty()) {
        filling_ = std::make_unique<Job>();
        filling_->input.resize(kWindow + pieceSize_);
    } else {
        filling_ = std::move(pool_->spare.back());
        pool_->spare.pop_back();
    }
    std::memcpy(filling_->input.data(), history_.data(), historySize_);
    filling_->dictionary = historySize_;
    filling_->size = 0;
}

void ParallelDeflater::write(const void* buf, std::size_t n)
{
    auto* p = static_cast<const std::uint8_t*>(buf);
    while (n > 0) {
        if (!filling_) startPiece();
        const std::size_t take = std::min(n, pieceSize_ - filling_->size);
        std::memcpy(filling_->piece() + filling_->size, p, take);
        filling_->size += take;
        p += take;
        n -= take;
        if (filling_->size == pieceSize_) submit(false);
    }
}

void ParallelDeflater::submit(bool last)
{
    Job& job = *filling_;
    // The last 32 KiB of input so far become the next piece's dictionary.
    const std::size_t keep = std::min(historySize_, kWindow - std::min(kWindow, job.size));
    std::memmove(history_.data(), history_.data() + historySize_ - keep, keep);
    const std::size_t add = std::min(kWindow, job.size);
    std::memcpy(history_.data() + keep, job.piece() + job.size - add, add);
    historySize_ = keep + add;

    job.last = last;
    job.done = false;
    job.error = nullptr;
    {
        std::lock_guard<std::mutex> g(pool_->lock);
        pool_->todo.push_back(&job);
        pool_->inFlight.push_back(std::move(filling_));
    }
    pool_->work.notify_one();
    writeFinished(pool_->inFlightMost);
}

// Writes the oldest pieces that are done, and waits for them while more than
// inFlightAtMost are in flight.
void ParallelDeflater::writeFinished(std::size_t inFlightAtMost)
{
    Pool& pool = *pool_;
    for (;;) {
        Job* job;
        {
            std::unique_lock<std::mutex> g(pool.lock);
            if (pool.inFlight.empty()) return;
            job = pool.inFlight.front().get();
            if (pool.inFlight.size() <= inFlightAtMost && !job->done) return;
            pool.finished.wait(g, [&] { return job->done; });
        }
        if (job->error) std::rethrow_exception(job->error);
        output(job->output.data(), job->produced);
        adler_ = adler32_combine(adler_, job->adler, static_cast<z_off_t>(job->size));
        std::lock_guard<std::mutex> g(pool.lock);
        pool.spare.push_back(std::move(pool.inFlight.front()));
        pool.inFlight.pop_front();
    }
}

void ParallelDeflater::finish()
{
    // Input that ended on a piece boundary (or none) gets an empty last piece.
    if (!filling_) startPiece();
    submit(true);
    writeFinished(0);
    const auto check = zlibCheckBytes(static_cast<std::uint32_t>(adler_));
    output(check.data(), check.size());
}

} // namespace zerath
