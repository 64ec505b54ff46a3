#include "filecrypt/CryptStreams.h"

#include <zlib.h>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "common/Error.h"

namespace zerath {

namespace {
constexpr std::size_t kCbcBuffer = 64 * 1024; // a multiple of the 8192-byte piece
constexpr std::size_t kZlibBuffer = 64 * 1024;
} // namespace

int zlibLevelOfIndex(int compressionIndex)
{
    switch (compressionIndex) {
    case 0: return 0;
    case 1: return 1;
    case 2: return Z_DEFAULT_COMPRESSION;
    case 3: return 9;
    default: throw Error("Invalid compression level");
    }
}

CbcEncryptingSink::CbcEncryptingSink(TDCP_blockcipher128& keyedCipher, ByteSink& out)
    : cipher_(keyedCipher), out_(out), buffer_(kCbcBuffer)
{
}

void CbcEncryptingSink::write(const void* buf, std::size_t n)
{
    auto* p = static_cast<const std::uint8_t*>(buf);
    while (n > 0) {
        const std::size_t take = std::min(n, buffer_.size() - used_);
        std::memcpy(buffer_.data() + used_, p, take);
        used_ += take;
        p += take;
        n -= take;
        if (used_ == buffer_.size()) flushWholeBlocks();
    }
}

void CbcEncryptingSink::flushWholeBlocks()
{
    const std::size_t whole = used_ - used_ % 16;
    if (whole == 0) return;
    cipher_.EncryptCbc(buffer_.data(), buffer_.data(), whole);
    out_.write(buffer_.data(), whole);
    total_ += whole;
    std::memmove(buffer_.data(), buffer_.data() + whole, used_ - whole);
    used_ -= whole;
}

void CbcEncryptingSink::finish()
{
    // Whole blocks, then the tail of fewer than 16 bytes, in one call: the
    // chaining operation applies the tail rule itself.
    if (used_ == 0) return;
    cipher_.EncryptCbc(buffer_.data(), buffer_.data(), used_);
    out_.write(buffer_.data(), used_);
    total_ += used_;
    used_ = 0;
}

struct PipelinedSink::State {
    explicit State(ByteSink& n) : next(n) {}
    ByteSink& next;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<SecureBytes> queue;
    SecureBytes filling;
    bool closing = false;
    bool stop = false;
    std::exception_ptr error;
    std::thread worker;
};

namespace {
constexpr std::size_t kPipePiece = 256 * 1024;
constexpr std::size_t kPipeDepth = 4;
} // namespace

PipelinedSink::PipelinedSink(ByteSink& next) : state_(std::make_unique<State>(next))
{
    state_->filling.reserve(kPipePiece);
    state_->worker = std::thread([this] { work(); });
}

PipelinedSink::~PipelinedSink()
{
    {
        std::lock_guard<std::mutex> g(state_->lock);
        state_->stop = true;
    }
    state_->changed.notify_all();
    if (state_->worker.joinable()) state_->worker.join();
}

void PipelinedSink::work()
{
    State& s = *state_;
    for (;;) {
        SecureBytes piece;
        {
            std::unique_lock<std::mutex> g(s.lock);
            s.changed.wait(g, [&] { return s.stop || s.closing || !s.queue.empty(); });
            if (s.stop || (s.queue.empty() && s.closing)) return;
            piece = std::move(s.queue.front());
            s.queue.pop_front();
        }
        s.changed.notify_all();
        try {
            s.next.write(piece.data(), piece.size());
        } catch (...) {
            std::lock_guard<std::mutex> g(s.lock);
            s.error = std::current_exception();
            s.stop = true;
            s.changed.notify_all();
            return;
        }
    }
}

void PipelinedSink::handOver()
{
    State& s = *state_;
    std::unique_lock<std::mutex> g(s.lock);
    s.changed.wait(g, [&] { return s.stop || s.queue.size() < kPipeDepth; });
    if (s.error) std::rethrow_exception(s.error);
    if (s.stop) throw Error("Pipeline stopped");
    s.queue.push_back(std::move(s.filling));
    s.filling = SecureBytes();
    s.filling.reserve(kPipePiece);
    g.unlock();
    s.changed.notify_all();
}

void PipelinedSink::write(const void* buf, std::size_t n)
{
    State& s = *state_;
    auto* p = static_cast<const std::uint8_t*>(buf);
    while (n > 0) {
        const std::size_t take = std::min(n, kPipePiece - s.filling.size());
        s.filling.insert(s.filling.end(), p, p + take);
        p += take;
        n -= take;
        if (s.filling.size() == kPipePiece) handOver();
    }
}

void PipelinedSink::finish()
{
    State& s = *state_;
    if (!s.filling.empty()) handOver();
    {
        std::lock_guard<std::mutex> g(s.lock);
        s.closing = true;
    }
    s.changed.notify_all();
    s.worker.join();
    if (s.error) std::rethrow_exception(s.error);
}

Deflater::Deflater(int zlibLevel, ByteSink& out) : z_(new z_stream{}), out_(out), outBuf_(kZlibBuffer)
{
    if (deflateInit(z_, zlibLevel) != Z_OK) {
        delete z_;
        throw Error("Compression error");
    }
}

Deflater::~Deflater()
{
    deflateEnd(z_);
    delete z_;
}

void Deflater::run(int flush)
{
    for (;;) {
        z_->next_out = outBuf_.data();
        z_->avail_out = static_cast<uInt>(outBuf_.size());
        const int rc = deflate(z_, flush);
        if (rc == Z_STREAM_ERROR) throw Error("Compression error");
        const std::size_t have = outBuf_.size() - z_->avail_out;
        if (have) {
            out_.write(outBuf_.data(), have);
            produced_ += have;
        }
        if (flush == Z_FINISH) {
            if (rc == Z_STREAM_END) return;
        } else if (z_->avail_in == 0 && z_->avail_out != 0) {
            return;
        }
    }
}

void Deflater::write(const void* buf, std::size_t n)
{
    auto* p = static_cast<const Bytef*>(buf);
    while (n > 0) {
        const std::size_t take = std::min<std::size_t>(n, 1u << 30);
        z_->next_in = const_cast<Bytef*>(p);
        z_->avail_in = static_cast<uInt>(take);
        run(Z_NO_FLUSH);
        p += take;
        n -= take;
    }
}

void Deflater::finish()
{
    z_->next_in = nullptr;
    z_->avail_in = 0;
    run(Z_FINISH);
}

Inflater::Inflater(ByteSink& out) : z_(new z_stream{}), out_(out), outBuf_(kZlibBuffer)
{
    if (inflateInit(z_) != Z_OK) {
        delete z_;
        throw Error("Decompression error");
    }
}

Inflater::~Inflater()
{
    inflateEnd(z_);
    delete z_;
}

void Inflater::write(const void* buf, std::size_t n)
{
    if (ended_ || n == 0) return;
    z_->next_in = const_cast<Bytef*>(static_cast<const Bytef*>(buf));
    z_->avail_in = static_cast<uInt>(n);
    while (!ended_) {
        z_->next_out = outBuf_.data();
        z_->avail_out = static_cast<uInt>(outBuf_.size());
        const int rc = inflate(z_, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) throw Error("Decompression error");
        const std::size_t have = outBuf_.size() - z_->avail_out;
        if (have) {
            out_.write(outBuf_.data(), have);
            produced_ += have;
        }
        if (rc == Z_STREAM_END) ended_ = true;
        else if (z_->avail_in == 0 && have < outBuf_.size()) break; // wants more input
        else if (rc == Z_BUF_ERROR && have == 0) throw Error("Decompression error");
    }
}

} // namespace zerath
