#include "pubkey/SystemRandom.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <sys/random.h>

#include "common/Error.h"

namespace zerath {

namespace {
// One word for the whole process. Atomic so that numbers released on other
// threads cannot tear it; the sequence itself is only meaningful single-threaded.
std::atomic<std::uint32_t> g_state{0};
} // namespace

std::uint32_t SystemRandom(std::uint32_t range)
{
    std::uint32_t s = g_state.load(std::memory_order_relaxed);
    std::uint32_t next;
    do {
        next = s * 0x08088405u + 1u;
    } while (!g_state.compare_exchange_weak(s, next, std::memory_order_relaxed));
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(next) * range) >> 32);
}

void RandomizeFromClock()
{
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    constexpr long long msPerDay = 24LL * 60 * 60 * 1000;
    long long ofDay = ms % msPerDay;
    if (ofDay < 0) ofDay += msPerDay;
    g_state.store(static_cast<std::uint32_t>(ofDay), std::memory_order_relaxed);
}

std::uint32_t SystemRandomState()
{
    return g_state.load(std::memory_order_relaxed);
}

void SetSystemRandomState(std::uint32_t state)
{
    g_state.store(state, std::memory_order_relaxed);
}

void osRandomBytes(void* buf, std::size_t n)
{
    auto* p = static_cast<unsigned char*>(buf);
    while (n > 0) {
        const ssize_t got = getrandom(p, n, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw Error(std::string("Cannot read the system random source: ") + std::strerror(errno));
        }
        p += got;
        n -= static_cast<std::size_t>(got);
    }
}

} // namespace zerath
