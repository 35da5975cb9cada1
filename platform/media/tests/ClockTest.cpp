#include "platform/media/ManualClock.h"
#include "platform/media/RealClock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

namespace plat::media {
namespace {

TEST(ClockTest, RealClockFollowsTheMonotonicClock)
{
    const RealClock clock;
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const auto expected = static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + ts.tv_nsec / 1'000'000);
    // Differences are taken in unsigned arithmetic, as every user of the clock must.
    EXPECT_LE(static_cast<uint32_t>(clock.nowMs() - expected), 50u);
    const uint32_t a = clock.nowMs();
    const uint32_t b = clock.nowMs();
    EXPECT_LT(static_cast<uint32_t>(b - a), 1000u);
}

TEST(ClockTest, ManualClockMovesOnlyWhenToldAndWraps)
{
    ManualClock clock(0xFFFFFFF0u);
    EXPECT_EQ(clock.nowMs(), 0xFFFFFFF0u);
    clock.advance(0x20);
    EXPECT_EQ(clock.nowMs(), 0x10u);
    EXPECT_EQ(static_cast<uint32_t>(clock.nowMs() - 0xFFFFFFF0u), 0x20u);
    clock.set(7);
    EXPECT_EQ(clock.nowMs(), 7u);
}

}  // namespace
}  // namespace plat::media
