#pragma once
// The platform's clock-seeded linear congruential generator, and the
// operating system's cryptographic random source.
#include <cstddef>
#include <cstdint>

namespace zerath {

// Advances the process-wide state (state := state * 0x08088405 + 1) and returns
// the high 32 bits of state * range, a value in 0 .. range-1 (0 for range 0).
// A range of -1 converts to 0xFFFFFFFF.
std::uint32_t SystemRandom(std::uint32_t range);

// Seeds the state with the UTC time of day in milliseconds since midnight.
void RandomizeFromClock();

// The state word, for tests and for code that must reproduce a sequence.
std::uint32_t SystemRandomState();
void SetSystemRandomState(std::uint32_t state);

// Fills buf with n bytes from getrandom(2). Fails with zerath::Error when the
// operating system cannot supply them.
void osRandomBytes(void* buf, std::size_t n);

} // namespace zerath
