#pragma once
// zlib's own buffers (window, hash chains, pending output) hold plaintext and
// key material, so every stream takes them from here: each block comes from
// the zeroing allocator and is cleared before it is freed.
struct z_stream_s;

namespace zerath {

// Sets the stream's allocation functions; call before deflateInit/inflateInit.
void useZeroingMemory(z_stream_s& stream);

} // namespace zerath
