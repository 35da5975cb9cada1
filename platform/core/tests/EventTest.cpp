#include "platform/core/Event.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/MessageWindow.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>

namespace plat {
namespace {

using Result = Event::WaitResult;

TEST(EventTest, ResetModesAndInitialState)
{
    struct Case {
        bool manual;
        bool initial;
        Result first;
        Result second;  // a second wait without set
    };
    const Case cases[] = {
        {true, true, Result::signalled, Result::signalled},
        {true, false, Result::timedOut, Result::timedOut},
        {false, true, Result::signalled, Result::timedOut},
        {false, false, Result::timedOut, Result::timedOut},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "manual " << c.manual << " initial " << c.initial);
        Event event(c.manual, c.initial);
        EXPECT_EQ(event.isSet(), c.initial);
        EXPECT_EQ(event.wait(0), c.first);
        EXPECT_EQ(event.wait(1), c.second);
        event.set();
        EXPECT_EQ(event.wait(0), Result::signalled);
        EXPECT_EQ(event.isSet(), c.manual);
        event.reset();
        EXPECT_EQ(event.wait(0), Result::timedOut);
    }
}

TEST(EventTest, WaitTimesOutAndWakesOnSetFromAnotherThread)
{
    Event event(false, false);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(event.wait(30), Result::timedOut);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));

    std::thread setter([&] { event.set(); });
    EXPECT_EQ(event.wait(), Result::signalled);
    setter.join();
}

TEST(EventTest, AutoResetReleasesOneWaiterPerSet)
{
    Event event(false, false);
    std::atomic<int> released{0};
    std::thread a([&] { released += event.wait(2000) == Result::signalled; });
    std::thread b([&] { released += event.wait(2000) == Result::signalled; });
    event.set();
    a.join();
    b.join();
    EXPECT_EQ(released.load(), 1);
}

TEST(EventTest, WaitAnyReturnsTheSignalledIndexAndResetsAutoEvents)
{
    Event manual(true, false);
    Event autoReset(false, false);
    Event other(false, false);
    const std::array<Event*, 3> events{&manual, &autoReset, &other};

    EXPECT_EQ(Event::waitAny(events, 10), -1);
    autoReset.set();
    EXPECT_EQ(Event::waitAny(events, 0), 1);
    EXPECT_FALSE(autoReset.isSet());
    manual.set();
    EXPECT_EQ(Event::waitAny(events, 0), 0);
    EXPECT_TRUE(manual.isSet());
    manual.reset();

    std::thread setter([&] { other.set(); });
    EXPECT_EQ(Event::waitAny(events, 5000), 2);
    setter.join();
    EXPECT_EQ(Event::waitAny({}, 0), -1);
}

TEST(EventTest, WaitServingServesSendsToTheWaitingThread)
{
    int served = 0;
    MessageWindow window("waiter", [&](MessageId, uintptr_t w, intptr_t) -> intptr_t {
        served += static_cast<int>(w);
        return 1;
    });
    const WindowRef ref = window.ref();
    Event finished(true, false);
    std::atomic<intptr_t> answer{0};
    // The other thread sends here before it signals: a plain wait would deadlock.
    std::thread other([&] {
        answer = ref.send(kFirstPrivateMessage, 5);
        finished.set();
    });
    EXPECT_EQ(finished.waitServing(5000), Result::signalled);
    other.join();
    EXPECT_EQ(served, 5);
    EXPECT_EQ(answer.load(), 1);
    Event never(true, false);
    EXPECT_EQ(never.waitServing(20), Result::timedOut);
}

}  // namespace
}  // namespace plat
