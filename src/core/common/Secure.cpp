#include "common/Secure.h"

#include <cstring>

namespace zerath {

void secureZero(void* p, std::size_t n) noexcept
{
    // The C library's clear is not optimised away and runs at memset speed,
    // which matters for the MiB buffers and zlib states the file pipeline frees.
    if (p && n) ::explicit_bzero(p, n);
}

void wipeString(std::string& s) noexcept
{
    if (!s.empty()) secureZero(s.data(), s.size());
    s.clear();
}

} // namespace zerath
