#include "filecrypt/DeflateEngines.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

#include "common/Error.h"
#include "common/ZlibMemory.h"

#if ZERATH_HAVE_ISAL
#include <isa-l/igzip_lib.h>
#endif

namespace zerath {

namespace {

// Raw deflate at a zlib level; the stream is reset for each piece.
class ZlibPieceCompressor : public PieceCompressor {
public:
    explicit ZlibPieceCompressor(int level)
    {
        useZeroingMemory(z_);
        if (deflateInit2(&z_, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw Error("Compression error");
    }
    ~ZlibPieceCompressor() override { deflateEnd(&z_); }

    std::size_t compress(const std::uint8_t* in, std::size_t dictionary, std::size_t size, bool last,
                         SecureBytes& out) override
    {
        if (deflateReset(&z_) != Z_OK) throw Error("Compression error");
        if (dictionary > 0 && deflateSetDictionary(&z_, in - dictionary, static_cast<uInt>(dictionary)) != Z_OK)
            throw Error("Compression error");
        const std::size_t bound = deflateBound(&z_, static_cast<uLong>(size)) + 64;
        if (out.size() < bound) out.resize(bound);
        z_.next_in = const_cast<Bytef*>(in);
        z_.avail_in = static_cast<uInt>(size);
        std::size_t produced = 0;
        const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
        for (;;) {
            if (produced == out.size()) out.resize(out.size() + 64 * 1024);
            z_.next_out = out.data() + produced;
            z_.avail_out = static_cast<uInt>(out.size() - produced);
            const int rc = deflate(&z_, flush);
            if (rc == Z_STREAM_ERROR) throw Error("Compression error");
            produced = out.size() - z_.avail_out;
            if (last ? rc == Z_STREAM_END : (z_.avail_in == 0 && z_.avail_out != 0)) return produced;
        }
    }

private:
    z_stream z_{};
};

class ZlibRawInflate : public RawInflate {
public:
    ZlibRawInflate()
    {
        useZeroingMemory(z_);
        if (inflateInit2(&z_, -MAX_WBITS) != Z_OK) throw Error("Decompression error");
    }
    ~ZlibRawInflate() override { inflateEnd(&z_); }

    Step run(const std::uint8_t* in, std::size_t n, std::uint8_t* out, std::size_t room) override
    {
        z_.next_in = const_cast<Bytef*>(in);
        z_.avail_in = static_cast<uInt>(std::min<std::size_t>(n, UINT_MAX));
        z_.next_out = out;
        z_.avail_out = static_cast<uInt>(std::min<std::size_t>(room, UINT_MAX));
        const uInt inBefore = z_.avail_in, outBefore = z_.avail_out;
        const int rc = inflate(&z_, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) throw Error("Decompression error");
        return {inBefore - z_.avail_in, outBefore - z_.avail_out, rc == Z_STREAM_END};
    }

private:
    z_stream z_{};
};

#if ZERATH_HAVE_ISAL

// ISA-L's level 1, raw. Its state and its level buffer hold plaintext, so
// both live in zeroing memory.
class IsalPieceCompressor : public PieceCompressor {
public:
    IsalPieceCompressor() : levelBuffer_(ISAL_DEF_LVL1_DEFAULT)
    {
        isal_zstream* s = stream_.get();
        isal_deflate_init(s);
        s->level = 1;
        s->level_buf = levelBuffer_.data();
        s->level_buf_size = static_cast<std::uint32_t>(levelBuffer_.size());
        s->gzip_flag = IGZIP_DEFLATE;
        s->flush = SYNC_FLUSH;
    }

    std::size_t compress(const std::uint8_t* in, std::size_t dictionary, std::size_t size, bool last,
                         SecureBytes& out) override
    {
        if (size > UINT32_MAX || dictionary > UINT32_MAX) throw Error("Compression error");
        isal_zstream* s = stream_.get();
        isal_deflate_reset(s);
        s->end_of_stream = last ? 1 : 0;
        if (dictionary > 0 &&
            isal_deflate_set_dict(s, const_cast<std::uint8_t*>(in - dictionary), static_cast<std::uint32_t>(dictionary)) !=
                COMP_OK)
            throw Error("Compression error");
        // Data that does not shrink goes into stored blocks: a little over its size.
        const std::size_t bound = size + size / 16 + 1024;
        if (out.size() < bound) out.resize(bound);
        s->next_in = const_cast<std::uint8_t*>(in);
        s->avail_in = static_cast<std::uint32_t>(size);
        std::size_t produced = 0;
        for (;;) {
            if (produced == out.size()) out.resize(out.size() + 64 * 1024);
            s->next_out = out.data() + produced;
            s->avail_out = static_cast<std::uint32_t>(std::min<std::size_t>(out.size() - produced, UINT32_MAX));
            if (isal_deflate(s) != COMP_OK) throw Error("Compression error");
            produced = static_cast<std::size_t>(s->next_out - out.data());
            const auto state = s->internal_state.state;
            if (last ? state == ZSTATE_END : (s->avail_in == 0 && (s->avail_out != 0 || state == ZSTATE_NEW_HDR)))
                return produced;
        }
    }

private:
    ZeroedState<isal_zstream> stream_;
    SecureBytes levelBuffer_;
};

class IsalRawInflate : public RawInflate {
public:
    IsalRawInflate()
    {
        isal_inflate_init(state_.get());
        state_->crc_flag = ISAL_DEFLATE;
    }

    Step run(const std::uint8_t* in, std::size_t n, std::uint8_t* out, std::size_t room) override
    {
        inflate_state* s = state_.get();
        s->next_in = const_cast<std::uint8_t*>(in);
        s->avail_in = static_cast<std::uint32_t>(std::min<std::size_t>(n, UINT32_MAX));
        s->next_out = out;
        s->avail_out = static_cast<std::uint32_t>(std::min<std::size_t>(room, UINT32_MAX));
        const std::uint32_t inBefore = s->avail_in, outBefore = s->avail_out;
        const int rc = isal_inflate(s);
        if (rc != ISAL_DECOMP_OK && rc != ISAL_END_INPUT && rc != ISAL_OUT_OVERFLOW) throw Error("Decompression error");
        Step step{inBefore - s->avail_in, outBefore - s->avail_out, s->block_state == ISAL_BLOCK_FINISH};
        if (step.ended) giveBack(step);
        return step;
    }

private:
    // ISA-L reads ahead in whole bytes into a bit buffer, so at the end of the
    // last block the bytes that follow may sit there, the last of them taken
    // in this call or in earlier ones. Past the unused bits of the last
    // block's byte they are whole and in order.
    void giveBack(Step& step) const
    {
        const inflate_state* s = state_.get();
        if (s->tmp_in_size != 0 || s->read_in_length < 0) throw Error("Decompression error");
        const std::size_t ahead = static_cast<std::size_t>(s->read_in_length) / 8;
        const std::uint64_t bits = s->read_in >> (s->read_in_length % 8);
        const std::size_t here = std::min(ahead, step.used);
        step.used -= here;
        step.behindCount = ahead - here;
        for (std::size_t i = 0; i < step.behindCount; ++i) step.behind[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }

    ZeroedState<inflate_state> state_;
};

#endif

} // namespace

bool compressesWithIsal(int zlibLevel)
{
#if ZERATH_HAVE_ISAL
    return zlibLevel == 1;
#else
    (void)zlibLevel;
    return false;
#endif
}

std::unique_ptr<PieceCompressor> makePieceCompressor(int zlibLevel)
{
#if ZERATH_HAVE_ISAL
    if (compressesWithIsal(zlibLevel)) return std::make_unique<IsalPieceCompressor>();
#endif
    return std::make_unique<ZlibPieceCompressor>(zlibLevel);
}

std::unique_ptr<RawInflate> makeRawInflate()
{
#if ZERATH_HAVE_ISAL
    return std::make_unique<IsalRawInflate>();
#else
    return std::make_unique<ZlibRawInflate>();
#endif
}

} // namespace zerath
