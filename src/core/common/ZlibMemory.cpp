#include "common/ZlibMemory.h"

#include <zlib.h>

#include <cstddef>
#include <new>

#include "common/Secure.h"

namespace zerath {

namespace {

// Each block starts with its own length, so that the free call, which zlib
// makes without one, can clear it whole.
struct alignas(std::max_align_t) BlockHead {
    std::size_t units;
};
using Blocks = ZeroingAllocator<BlockHead>;

voidpf allocateCleared(voidpf, uInt items, uInt size)
{
    const std::size_t bytes = static_cast<std::size_t>(items) * size;
    const std::size_t units = 1 + (bytes + sizeof(BlockHead) - 1) / sizeof(BlockHead);
    BlockHead* head = nullptr;
    try {
        head = Blocks{}.allocate(units);
    } catch (const std::bad_alloc&) {
        return Z_NULL;
    }
    head->units = units;
    return head + 1;
}

void freeCleared(voidpf, voidpf address)
{
    if (!address) return;
    BlockHead* head = static_cast<BlockHead*>(address) - 1;
    Blocks{}.deallocate(head, head->units);
}

} // namespace

void useZeroingMemory(z_stream& stream)
{
    stream.zalloc = allocateCleared;
    stream.zfree = freeCleared;
    stream.opaque = Z_NULL;
}

} // namespace zerath
