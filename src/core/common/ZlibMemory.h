#pragma once
// zlib's own buffers (window, hash chains, pending output) hold plaintext and
// key material, so every stream takes them from here: each block comes from
// the zeroing allocator and is cleared before it is freed.
#include <cstring>

#include "common/Secure.h"

struct z_stream_s;

namespace zerath {

// Sets the stream's allocation functions; call before deflateInit/inflateInit.
void useZeroingMemory(z_stream_s& stream);

// The same for a library whose state is one plain structure that its caller
// allocates (ISA-L's): it starts zeroed and is cleared before it is freed.
template <class T>
class ZeroedState {
public:
    ZeroedState() : p_(ZeroingAllocator<T>{}.allocate(1)) { std::memset(static_cast<void*>(p_), 0, sizeof(T)); }
    ~ZeroedState() { ZeroingAllocator<T>{}.deallocate(p_, 1); }
    ZeroedState(const ZeroedState&) = delete;
    ZeroedState& operator=(const ZeroedState&) = delete;
    T* get() const { return p_; }
    T* operator->() const { return p_; }

private:
    T* p_;
};

} // namespace zerath
