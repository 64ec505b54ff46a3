// The platform's linear congruential generator and the operating system source.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "pubkey/SystemRandom.h"

using namespace zerath;

TEST(SystemRandom, StepAndScaling)
{
    SetSystemRandomState(0);
    // state 1, then 1*0x08088405+1 = 0x08088406
    EXPECT_EQ(SystemRandom(0xFFFFFFFFu), static_cast<std::uint32_t>((1ULL * 0xFFFFFFFFULL) >> 32));
    EXPECT_EQ(SystemRandomState(), 1u);
    EXPECT_EQ(SystemRandom(static_cast<std::uint32_t>(-1)), static_cast<std::uint32_t>((0x08088406ULL * 0xFFFFFFFFULL) >> 32));
    EXPECT_EQ(SystemRandomState(), 0x08088406u);

    SetSystemRandomState(0xDEADBEEF);
    std::uint32_t s = 0xDEADBEEF;
    for (int i = 0; i < 1000; ++i) {
        s = s * 0x08088405u + 1u;
        const std::uint32_t range = static_cast<std::uint32_t>(i * 7919 + 1);
        ASSERT_EQ(SystemRandom(range), static_cast<std::uint32_t>((static_cast<std::uint64_t>(s) * range) >> 32));
    }
    EXPECT_EQ(SystemRandom(0), 0u);
}

TEST(SystemRandom, RangeIsExclusive)
{
    SetSystemRandomState(0xFFFFFFFF);
    std::uint32_t maxSeen = 0;
    for (int i = 0; i < 200000; ++i) {
        const std::uint32_t v = SystemRandom(65535);
        ASSERT_LT(v, 65535u);
        maxSeen = std::max(maxSeen, v);
    }
    EXPECT_GT(maxSeen, 65000u);
    for (int i = 0; i < 10000; ++i) ASSERT_LT(SystemRandom(5), 5u);
    for (int i = 0; i < 10000; ++i) ASSERT_LT(SystemRandom(256), 256u);
}

TEST(SystemRandom, ClockSeedIsMillisecondsSinceUtcMidnight)
{
    using namespace std::chrono;
    const auto before = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count() % 86400000;
    RandomizeFromClock();
    const auto after = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count() % 86400000;
    const std::uint32_t s = SystemRandomState();
    EXPECT_LT(s, 86400000u);
    if (after >= before) { // not across midnight
        EXPECT_GE(s, static_cast<std::uint32_t>(before));
        EXPECT_LE(s, static_cast<std::uint32_t>(after));
    }
}

TEST(SystemRandom, OsRandomBytesFillsBuffers)
{
    unsigned char a[4096], b[4096];
    std::memset(a, 0, sizeof a);
    std::memset(b, 0, sizeof b);
    osRandomBytes(a, sizeof a);
    osRandomBytes(b, sizeof b);
    EXPECT_NE(std::memcmp(a, b, sizeof a), 0);
    int zeros = 0;
    for (unsigned char c : a) zeros += c == 0;
    EXPECT_LT(zeros, 64); // about 16 expected
    osRandomBytes(a, 0);
}
