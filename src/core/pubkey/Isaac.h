#pragma once
#include <mutex>
// ISAAC, Bob Jenkins' 32-bit generator with a 256-word state.
#include <cstdint>
#include <span>

namespace zerath {

class TIsaac {
public:
    TIsaac();
    ~TIsaac();
    TIsaac(const TIsaac&) = default;
    TIsaac& operator=(const TIsaac&) = default;

    // Copies seed words 0..lastIndex (lastIndex taken modulo 256; never more
    // words than seed holds) into randrsl, zeroes the rest, runs
    // RandInit(flag) and one Generate.
    void Seed(std::span<const std::uint32_t> seed, int lastIndex, bool flag);
    // The first step of Seed: only fills randrsl.
    void SetSeedWords(std::span<const std::uint32_t> seed, int lastIndex);
    // Seeds with 256 words from the operating system's random source (flag set).
    void SeedFromOs();

    void RandInit(bool flag);
    void Generate();
    std::uint32_t NextWord();
    // |w rem n| with w the next word read as signed; 0 .. n-1 for n > 0.
    std::int32_t RandomInt(std::int32_t n);

    void Wipe();

    std::uint32_t ResultCount = 0;
    std::uint32_t randrsl[256];
    std::uint32_t mm[256];
    std::uint32_t aa = 0, bb = 0, cc = 0;
};

// The shared generator of every random big number. Seeded once from the
// operating system's random source on first use (or by BigMathStartup).
TIsaac& BigRandom();
// Held around every draw from BigRandom, so that a key generation in a worker
// thread and other big-number work never touch the shared state together.
std::mutex& BigRandomLock();
// Clears BigRandom's state; the next use seeds it afresh.
void ReleaseBigRandom();

} // namespace zerath
