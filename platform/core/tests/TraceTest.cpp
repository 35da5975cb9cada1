#include "platform/core/Trace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previous = plat::setTraceSink([this](std::string_view line) { m_lines.emplace_back(line); });
    }
    void TearDown() override { plat::setTraceSink(m_previous); }

    std::vector<std::string> m_lines;

private:
    plat::TraceSink m_previous;
};

TEST(TraceSettingTest, ZeroAndEmptyTurnTracingOff)
{
    EXPECT_FALSE(plat::traceWantedBy(nullptr));
    EXPECT_FALSE(plat::traceWantedBy(""));
    EXPECT_FALSE(plat::traceWantedBy("0"));
    EXPECT_TRUE(plat::traceWantedBy("1"));
    EXPECT_TRUE(plat::traceWantedBy("yes"));
    EXPECT_TRUE(plat::traceWantedBy("00"));
}

TEST_F(TraceTest, SinkReceivesFormattedLinesWithoutLineEnds)
{
    plat::trace("CPlugin: cannot load %s (%d)\n", "Echo.so", 126);
    plat::trace("plain");
    plat::trace("%.2f", 0.5);
    EXPECT_EQ(m_lines, (std::vector<std::string>{"CPlugin: cannot load Echo.so (126)", "plain", "0.50"}));
}

TEST_F(TraceTest, LinesFromManyThreadsArriveWhole)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 100; ++i)
                plat::trace("thread %d line %d", t, i);
        });
    for (std::thread& thread : threads)
        thread.join();
    ASSERT_EQ(m_lines.size(), 400u);
    for (const std::string& line : m_lines)
        EXPECT_EQ(line.rfind("thread ", 0), 0u) << line;
}

TEST_F(TraceTest, RestoringTheSinkStopsCapture)
{
    const plat::TraceSink mine = plat::setTraceSink({});
    ASSERT_TRUE(mine);
    plat::trace("to stderr, or nowhere");
    plat::setTraceSink(mine);
    EXPECT_TRUE(m_lines.empty());
}

// The variable is read once per process, so each case runs in a fresh copy of the program.
TEST(TraceOutputTest, StderrOnlyWhenTheVariableIsSet)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const char* saved = std::getenv("QUAVIX_TRACE");
    const std::string savedValue = saved ? saved : "";

    setenv("QUAVIX_TRACE", "1", 1);
    EXPECT_EXIT(
        {
            plat::trace("tempo %d at %.1f", 120, 2.5);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "tempo 120 at 2\\.5\n");

    unsetenv("QUAVIX_TRACE");
    EXPECT_EXIT(
        {
            plat::trace("tempo %d", 120);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "^$");

    if (saved)
        setenv("QUAVIX_TRACE", savedValue.c_str(), 1);
}

}  // namespace
