#include "platform/media/ManualClock.h"
#include "platform/media/RealClock.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    clock.set(MediaTime(7));
    EXPECT_EQ(clock.nowMs(), 7u);
}

TEST(ClockTest, TheMillisecondReadingIsTheNanosecondReadingCut)
{
    ManualClock clock(0xFFFFFFFFu);
    EXPECT_EQ(clock.nowNs(), int64_t{0xFFFFFFFF} * 1'000'000);
    clock.setNs(clock.nowNs() + 1'999'999);
    EXPECT_EQ(clock.now(), MediaTime(0)) << "wrapped, and the part of a ms below it is dropped";
    clock.set(MediaTime(0xFFFFFFFEu));
    EXPECT_EQ(clock.nowNs(), int64_t{0xFFFFFFFE} * 1'000'000) << "back by the shorter way, onto the whole ms";

    const RealClock real;
    const int64_t ns = real.nowNs();
    EXPECT_LE(real.now() - MediaTime::fromNs(ns), 50);
    EXPECT_GE(real.now() - MediaTime::fromNs(ns), 0);
}

TEST(ClockTest, NsAtGivesTheStartOfTheNearestMillisecondOfThatName)
{
    ManualClock clock;
    clock.setNs(int64_t{0x1'0000'0005} * 1'000'000 + 700'000);   // ms 5 after the first wrap, 0.7 ms in
    EXPECT_EQ(clock.nsAt(MediaTime(5)), int64_t{0x1'0000'0005} * 1'000'000);
    EXPECT_EQ(clock.nsAt(MediaTime(3)), int64_t{0x1'0000'0003} * 1'000'000);
    EXPECT_EQ(clock.nsAt(MediaTime(0xFFFFFFFEu)), int64_t{0xFFFFFFFE} * 1'000'000) << "before the wrap";
    EXPECT_EQ(clock.nsAt(MediaTime(9)), int64_t{0x1'0000'0009} * 1'000'000) << "ahead";
}

TEST(MediaTimeTest, ComparisonAndDifferenceHoldAcrossTheWrap)
{
    struct Case {
        uint32_t a, b;
        int32_t aMinusB;
    };
    const Case cases[] = {
        {10, 3, 7},
        {3, 10, -7},
        {0x00000005u, 0xFFFFFFFBu, 10},    // a lies 10 ms after b, past the wrap
        {0xFFFFFFFBu, 0x00000005u, -10},
        {0x7FFFFFFFu, 0u, 0x7FFFFFFF},     // the farthest apart two times may lie
        {7, 7, 0},
    };
    for (const Case& c : cases) {
        const MediaTime a(c.a), b(c.b);
        SCOPED_TRACE(testing::Message() << c.a << " vs " << c.b);
        EXPECT_EQ(a - b, c.aMinusB);
        EXPECT_EQ(a < b, c.aMinusB < 0);
        EXPECT_EQ(a > b, c.aMinusB > 0);
        EXPECT_EQ(a == b, c.aMinusB == 0);
        EXPECT_EQ(b + (a - b), a);
        EXPECT_EQ(std::max(a, b), c.aMinusB >= 0 ? a : b);
    }
    EXPECT_EQ(MediaTime(0xFFFFFFF0u) + 0x20, MediaTime(0x10));
    EXPECT_EQ(MediaTime(0x10) - 0x20, MediaTime(0xFFFFFFF0u));
    MediaTime t(0xFFFFFF9Cu);
    t += 100;
    EXPECT_EQ(t.ms(), 0u);
}

}  // namespace
}  // namespace plat::media
