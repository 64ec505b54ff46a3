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

// Raw deflate at a zlib level, with its window and memory level at their defaults.
class ZlibRawDeflate : public RawDeflate {
public:
    explicit ZlibRawDeflate(int level)
    {
        useZeroingMemory(z_);
        if (deflateInit2(&z_, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw Error("Compression error");
    }
    ~ZlibRawDeflate() override { deflateEnd(&z_); }

    void restart(const std::uint8_t* at, std::size_t n) override
    {
        if (deflateReset(&z_) != Z_OK) throw Error("Compression error");
        if (n > 0 && deflateSetDictionary(&z_, at - n, static_cast<uInt>(n)) != Z_OK) throw Error("Compression error");
    }

    Step run(const std::uint8_t* in, std::size_t n, std::uint8_t* out, std::size_t room, Flush flush) override
    {
        z_.next_in = const_cast<Bytef*>(in);
        z_.avail_in = static_cast<uInt>(std::min<std::size_t>(n, UINT_MAX));
        z_.next_out = out;
        z_.avail_out = static_cast<uInt>(std::min<std::size_t>(room, UINT_MAX));
        const uInt inBefore = z_.avail_in, outBefore = z_.avail_out;
        const int rc = deflate(&z_, flush == Flush::Finish ? Z_FINISH : flush == Flush::Sync ? Z_SYNC_FLUSH : Z_NO_FLUSH);
        if (rc == Z_STREAM_ERROR) throw Error("Compression error");
        Step step{inBefore - z_.avail_in, outBefore - z_.avail_out, false};
        step.done = flush == Flush::Finish ? rc == Z_STREAM_END : step.used == n && z_.avail_out != 0;
        return step;
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
class IsalRawDeflate : public RawDeflate {
public:
    IsalRawDeflate() : levelBuffer_(ISAL_DEF_LVL1_DEFAULT)
    {
        isal_zstream* s = stream_.get();
        isal_deflate_init(s);
        s->level = 1;
        s->level_buf = levelBuffer_.data();
        s->level_buf_size = static_cast<std::uint32_t>(levelBuffer_.size());
        s->gzip_flag = IGZIP_DEFLATE;
    }

    void restart(const std::uint8_t* at, std::size_t n) override
    {
        isal_deflate_reset(stream_.get());
        if (n > UINT32_MAX ||
            (n > 0 && isal_deflate_set_dict(stream_.get(), const_cast<std::uint8_t*>(at - n),
                                            static_cast<std::uint32_t>(n)) != COMP_OK))
            throw Error("Compression error");
    }

    Step run(const std::uint8_t* in, std::size_t n, std::uint8_t* out, std::size_t room, Flush flush) override
    {
        isal_zstream* s = stream_.get();
        s->next_in = const_cast<std::uint8_t*>(in);
        s->avail_in = static_cast<std::uint32_t>(std::min<std::size_t>(n, UINT32_MAX));
        s->next_out = out;
        s->avail_out = static_cast<std::uint32_t>(std::min<std::size_t>(room, UINT32_MAX));
        s->flush = flush == Flush::None ? NO_FLUSH : SYNC_FLUSH;
        s->end_of_stream = flush == Flush::Finish ? 1 : 0;
        const std::uint32_t inBefore = s->avail_in, outBefore = s->avail_out;
        if (isal_deflate(s) != COMP_OK) throw Error("Compression error");
        Step step{inBefore - s->avail_in, outBefore - s->avail_out, false};
        const auto state = s->internal_state.state;
        const bool taken = step.used == n;
        step.done = flush == Flush::Finish ? state == ZSTATE_END
                    : flush == Flush::Sync ? taken && (s->avail_out != 0 || state == ZSTATE_NEW_HDR)
                                           : taken && s->avail_out != 0;
        return step;
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

std::unique_ptr<RawDeflate> makeRawDeflate(int zlibLevel)
{
#if ZERATH_HAVE_ISAL
    if (zlibLevel == 1) return std::make_unique<IsalRawDeflate>();
#endif
    return std::make_unique<ZlibRawDeflate>(zlibLevel);
}

std::size_t compressPiece(RawDeflate& engine, const std::uint8_t* in, std::size_t dictionary, std::size_t size,
                          bool last, SecureBytes& out)
{
    engine.restart(in, dictionary);
    // Data that does not shrink goes into stored blocks: a little over its size.
    const std::size_t bound = size + size / 16 + 1024;
    if (out.size() < bound) out.resize(bound);
    std::size_t used = 0, made = 0;
    for (;;) {
        if (made == out.size()) out.resize(out.size() + 64 * 1024);
        const RawDeflate::Step step = engine.run(in + used, size - used, out.data() + made, out.size() - made,
                                                 last ? RawDeflate::Flush::Finish : RawDeflate::Flush::Sync);
        used += step.used;
        made += step.made;
        if (step.done) return made;
    }
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
