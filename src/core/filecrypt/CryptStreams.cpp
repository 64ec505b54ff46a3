#include "filecrypt/CryptStreams.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "common/Cancelled.h"
#include "common/Error.h"
#include "filecrypt/ParallelDeflater.h"
#include "symcrypto/Adler32.h"

namespace zerath {

namespace {
constexpr std::size_t kCopyPiece = 64 * 1024;
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

std::array<std::uint8_t, 2> zlibHeaderBytes(int zlibLevel)
{
    const int level = zlibLevel == Z_DEFAULT_COMPRESSION ? 6 : zlibLevel;
    const unsigned flags = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    unsigned header = ((Z_DEFLATED + ((MAX_WBITS - 8) << 4)) << 8) | (flags << 6);
    header += 31 - header % 31;
    return {static_cast<std::uint8_t>(header >> 8), static_cast<std::uint8_t>(header)};
}

std::array<std::uint8_t, 4> zlibCheckBytes(std::uint32_t adler)
{
    return {static_cast<std::uint8_t>(adler >> 24), static_cast<std::uint8_t>(adler >> 16),
            static_cast<std::uint8_t>(adler >> 8), static_cast<std::uint8_t>(adler)};
}

// ---- CBC ------------------------------------------------------------------------

CbcEncryptingSink::CbcEncryptingSink(TDCP_blockcipher128& keyedCipher, ByteSink& out) : cipher_(keyedCipher), out_(out)
{
}

CbcEncryptingSink::~CbcEncryptingSink() { secureZero(carry_, sizeof carry_); }

void CbcEncryptingSink::emit(std::uint8_t* p, std::size_t n)
{
    cipher_.EncryptCbc(p, p, n);
    out_.write(p, n);
    total_ += n;
}

void CbcEncryptingSink::encipher(Piece& piece)
{
    std::uint8_t* p = piece.data();
    std::size_t n = piece.size;
    if (carried_ > 0) {
        const std::size_t k = std::min(16 - carried_, n);
        std::memcpy(carry_ + carried_, p, k);
        carried_ += k;
        p += k;
        n -= k;
        if (carried_ < 16) return;
        emit(carry_, 16);
        carried_ = 0;
    }
    const std::size_t whole = n - n % 16;
    if (whole) emit(p, whole);
    carried_ = n - whole;
    std::memcpy(carry_, p + whole, carried_);
}

void CbcEncryptingSink::write(const void* buf, std::size_t n)
{
    if (copy_.capacity() == 0) copy_ = Piece(kCopyPiece);
    auto* p = static_cast<const std::uint8_t*>(buf);
    while (n > 0) {
        copy_.size = std::min(n, copy_.capacity());
        std::memcpy(copy_.data(), p, copy_.size);
        encipher(copy_);
        p += copy_.size;
        n -= copy_.size;
    }
}

void CbcEncryptingSink::finish()
{
    // Fewer than 16 bytes left: the chaining operation applies the tail rule.
    if (carried_ > 0) emit(carry_, carried_);
    carried_ = 0;
    secureZero(carry_, sizeof carry_);
}

// ---- zlib -----------------------------------------------------------------------

ZlibOutput::ZlibOutput(ByteSink& out) : out_(out), direct_(dynamic_cast<PieceWriter*>(&out))
{
    if (!direct_) buffer_.resize(kZlibBuffer);
}

std::uint8_t* ZlibOutput::space(std::size_t& room)
{
    std::uint8_t* at = direct_ ? direct_->space(room) : buffer_.data();
    if (!direct_) room = buffer_.size();
    room = std::min<std::size_t>(room, UINT_MAX);
    return at;
}

void ZlibOutput::filled(const std::uint8_t* at, std::size_t n)
{
    if (n == 0) return;
    produced_ += n;
    if (direct_) direct_->filled(n);
    else out_.write(at, n);
}

void ZlibOutput::put(const std::uint8_t* p, std::size_t n)
{
    while (n > 0) {
        std::size_t room = 0;
        std::uint8_t* at = space(room);
        const std::size_t take = std::min(room, n);
        std::memcpy(at, p, take);
        filled(at, take);
        p += take;
        n -= take;
    }
}

std::unique_ptr<Compressor> makeCompressor(int compressionIndex, ByteSink& out, std::size_t pieceSize)
{
    const int level = zlibLevelOfIndex(compressionIndex);
    // Stored blocks cost no more than a copy, and on a single core the pieces
    // would only add the cost of their dictionaries.
    if (level == 0 || ParallelDeflater::usableCores() == 1) return std::make_unique<Deflater>(level, out);
    return std::make_unique<ParallelDeflater>(level, out, pieceSize);
}

Deflater::Deflater(int zlibLevel, ByteSink& out)
    : engine_(makeRawDeflate(zlibLevel)), output_(out), adler_(kAdler32Start)
{
    const auto header = zlibHeaderBytes(zlibLevel);
    output_.put(header.data(), header.size());
}

Deflater::~Deflater() = default;

void Deflater::run(const std::uint8_t* p, std::size_t n, RawDeflate::Flush flush)
{
    for (;;) {
        std::size_t room = 0;
        std::uint8_t* at = output_.space(room);
        const RawDeflate::Step step = engine_->run(p, n, at, room, flush);
        output_.filled(at, step.made);
        p += step.used;
        n -= step.used;
        if (step.done) return;
    }
}

void Deflater::write(const void* buf, std::size_t n)
{
    auto* p = static_cast<const std::uint8_t*>(buf);
    adler_ = Adler32Update(adler_, p, n);
    run(p, n, RawDeflate::Flush::None);
}

void Deflater::finish()
{
    run(nullptr, 0, RawDeflate::Flush::Finish);
    const auto check = zlibCheckBytes(adler_);
    output_.put(check.data(), check.size());
}

Inflater::Inflater(ByteSink& out) : engine_(makeRawInflate()), output_(out), adler_(kAdler32Start) {}

Inflater::~Inflater() = default;

void Inflater::write(const void* buf, std::size_t n)
{
    const auto* p = static_cast<const std::uint8_t*>(buf);
    if (part_ == Part::Header && gather(p, n, 2)) {
        checkHeader();
        part_ = Part::Body;
    }
    if (part_ == Part::Body) {
        const std::size_t used = inflateBody(p, n);
        p += used;
        n -= used;
    }
    if (part_ == Part::Check && !ended_) {
        // The check value may start with bytes the raw inflater read ahead.
        const std::uint8_t* b = behind_;
        std::size_t bn = behindCount_;
        behindCount_ = 0;
        if (!gather(b, bn, 4) && !gather(p, n, 4)) return;
        if (std::memcmp(edge_, zlibCheckBytes(adler_).data(), 4) != 0) throw Error("Decompression error");
        ended_ = true;
    }
}

// Gathers up to `want` bytes of a header or check value that may come split
// across writes; true once all are there.
bool Inflater::gather(const std::uint8_t*& p, std::size_t& n, std::size_t want)
{
    const std::size_t used = std::min(n, want - gathered_);
    std::memcpy(edge_ + gathered_, p, used);
    gathered_ += used;
    p += used;
    n -= used;
    if (gathered_ < want) return false;
    gathered_ = 0;
    return true;
}

// CMF and FLG: deflate with a window of at most 32 KiB, no preset dictionary,
// and the pair a multiple of 31.
void Inflater::checkHeader() const
{
    const unsigned cmf = edge_[0], flg = edge_[1];
    if ((cmf & 0x0F) != Z_DEFLATED || (cmf >> 4) > 7 || (flg & 0x20) != 0 || (cmf << 8 | flg) % 31 != 0)
        throw Error("Decompression error");
}

std::size_t Inflater::inflateBody(const std::uint8_t* p, std::size_t n)
{
    std::size_t used = 0;
    for (;;) {
        if (stop_.load(std::memory_order_relaxed)) throw OperationCancelled();
        std::size_t room = 0;
        std::uint8_t* at = output_.space(room);
        const RawInflate::Step step = engine_->run(p + used, n - used, at, room);
        used += step.used;
        adler_ = Adler32Update(adler_, at, step.made);
        output_.filled(at, step.made);
        if (step.ended) {
            std::memcpy(behind_, step.behind, step.behindCount);
            behindCount_ = step.behindCount;
            part_ = Part::Check;
            break;
        }
        if (used == n && step.made < room) break; // wants more input
        if (step.used == 0 && step.made == 0) throw Error("Decompression error");
    }
    return used;
}

} // namespace zerath
