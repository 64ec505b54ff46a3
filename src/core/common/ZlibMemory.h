#pragma once
// zlib's own buffers (window, hash chains, pending output) hold plaintext, so
// every stream takes them from here: each block is cleared before it is freed.
struct z_stream_s;

namespace zerath {

// Sets the stream's allocation functions; call before deflateInit/inflateInit.
void useZeroingMemory(z_stream_s& stream);

} // namespace zerath
