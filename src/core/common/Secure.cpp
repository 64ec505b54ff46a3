#include "common/Secure.h"

#include <cstring>

namespace zerath {

void secureZero(void* p, std::size_t n) noexcept
{
    if (!p || n == 0) return;
    volatile unsigned char* v = static_cast<volatile unsigned char*>(p);
    while (n--) *v++ = 0;
}

void wipeString(std::string& s) noexcept
{
    if (!s.empty()) secureZero(s.data(), s.size());
    s.clear();
}

} // namespace zerath
