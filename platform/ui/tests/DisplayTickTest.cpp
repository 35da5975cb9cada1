#include "platform/media/ManualTimerService.h"
#include "platform/ui/timer/DisplayTick.h"
#include "platform/ui/timer/UiTimers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace plat::ui {
namespace {

class DisplayTickTest : public testing::Test {
protected:
    media::ManualTimerService m_timers{0};
    UiTimers::ScopedService m_installed{m_timers};
};

TEST_F(DisplayTickTest, ListenersShareOneTimerThatRunsOnlyWhileOneListens)
{
    DisplayTick tick;
    EXPECT_FALSE(tick.IsRunning());
    EXPECT_EQ(m_timers.activeTimers(), 0u);
    std::vector<std::string> calls;
    const uint32_t meters = tick.Add([&] { calls.push_back("meters"); });
    const uint32_t time = tick.Add([&] { calls.push_back("time"); });
    EXPECT_NE(meters, 0u);
    EXPECT_NE(meters, time);
    EXPECT_EQ(m_timers.activeTimers(), 1u) << "one timer for both";

    m_timers.advance(DisplayTick::kPeriodMs - 1);
    EXPECT_TRUE(calls.empty());
    m_timers.advance(1);
    EXPECT_EQ(calls, (std::vector<std::string>{"meters", "time"})) << "both in the same tick, in order";

    tick.Remove(meters);
    m_timers.advance(DisplayTick::kPeriodMs);
    EXPECT_EQ(calls.back(), "time");
    EXPECT_EQ(calls.size(), 3u);
    tick.Remove(time);
    EXPECT_FALSE(tick.IsRunning());
    EXPECT_EQ(m_timers.activeTimers(), 0u);
    m_timers.advance(3 * DisplayTick::kPeriodMs);
    EXPECT_EQ(calls.size(), 3u);
    // Removing an id twice, or one never given, changes nothing.
    tick.Remove(time);
    tick.Remove(12345);
}

TEST_F(DisplayTickTest, ListenersMayComeAndGoDuringATick)
{
    DisplayTick tick;
    std::vector<std::string> calls;
    uint32_t once = 0, second = 0, late = 0;
    // A one-shot listener removes itself and removes the next one before its turn; it adds
    // another that waits for the following tick.
    once = tick.Add([&] {
        calls.push_back("once");
        tick.Remove(once);
        tick.Remove(second);
        late = tick.Add([&] { calls.push_back("late"); });
    });
    second = tick.Add([&] { calls.push_back("second"); });
    m_timers.advance(DisplayTick::kPeriodMs);
    EXPECT_EQ(calls, std::vector<std::string>{"once"});
    EXPECT_TRUE(tick.IsListening(late));
    EXPECT_FALSE(tick.IsListening(once));
    EXPECT_TRUE(tick.IsRunning());
    m_timers.advance(DisplayTick::kPeriodMs);
    EXPECT_EQ(calls, (std::vector<std::string>{"once", "late"}));

    // The last listener going from inside its own tick stops the timer; a new one starts it
    // again with a full period.
    tick.Remove(late);
    uint32_t last = 0;
    last = tick.Add([&] { tick.Remove(last); });
    m_timers.advance(DisplayTick::kPeriodMs);
    EXPECT_FALSE(tick.IsRunning());
    EXPECT_EQ(m_timers.activeTimers(), 0u);
    m_timers.advance(DisplayTick::kPeriodMs / 2);
    tick.Add([&] { calls.push_back("again"); });
    m_timers.advance(DisplayTick::kPeriodMs - 1);
    EXPECT_EQ(calls.back(), "late");
    m_timers.advance(1);
    EXPECT_EQ(calls.back(), "again");
}

TEST_F(DisplayTickTest, ATickGoneStopsItsTimer)
{
    {
        DisplayTick tick;
        tick.Add([] {});
        EXPECT_EQ(m_timers.activeTimers(), 1u);
    }
    EXPECT_EQ(m_timers.activeTimers(), 0u);
}

}  // namespace
}  // namespace plat::ui
