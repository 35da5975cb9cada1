#include "platform/core/Event.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/MessageWindow.h"
#include "platform/core/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>

namespace plat {
namespace {

constexpr MessageId kPing = kFirstPrivateMessage + 1;

TEST(ThreadTest, InitRunsBeforeStartReturnsAndDoneAfterTheLoop)
{
    std::thread::id initThread;
    std::thread::id doneThread;
    std::atomic<bool> initDone{false};
    Thread thread("lifecycle");
    ASSERT_TRUE(thread.start([&] { initThread = std::this_thread::get_id(); initDone = true; },
                             [&] { doneThread = std::this_thread::get_id(); }));
    EXPECT_TRUE(initDone.load());
    EXPECT_TRUE(thread.isRunning());
    EXPECT_EQ(initThread, thread.id());
    EXPECT_EQ(thread.name(), "lifecycle");
    EXPECT_FALSE(thread.start());

    thread.quit(42);
    EXPECT_TRUE(thread.join(5000));
    EXPECT_FALSE(thread.isRunning());
    EXPECT_EQ(thread.exitCode(), 42);
    EXPECT_EQ(doneThread, initThread);
    EXPECT_FALSE(thread.loop()->postTask([] {}));
}

TEST(ThreadTest, StuckLoopIsReportedAsNotEnded)
{
    Event release(true, false);
    Thread thread("stuck");
    ASSERT_TRUE(thread.start());
    thread.loop()->postTask([&] { release.wait(); });
    thread.quit();
    EXPECT_FALSE(thread.join(50));
    EXPECT_TRUE(thread.isRunning());
    release.set();
    EXPECT_TRUE(thread.join(5000));
}

TEST(ThreadTest, JoinServesSendsFromTheEndingThread)
{
    int calls = 0;
    MessageWindow window("main", [&](MessageId, uintptr_t, intptr_t) -> intptr_t { return ++calls; });
    const WindowRef ref = window.ref();
    Thread thread("farewell");
    // done() sends to this thread while it is blocked in join.
    ASSERT_TRUE(thread.start({}, [ref] { ref.send(kPing); }));
    thread.quit();
    EXPECT_TRUE(thread.join(5000));
    EXPECT_EQ(calls, 1);
}

TEST(ThreadTest, FailingInitMakesStartFail)
{
    Thread thread("bad init");
    EXPECT_FALSE(thread.start([] { throw std::runtime_error("no device"); }));
    EXPECT_FALSE(thread.isRunning());
}

TEST(ThreadTest, DestructorQuitsAndJoins)
{
    std::atomic<bool> done{false};
    {
        Thread thread("scoped");
        ASSERT_TRUE(thread.start({}, [&] { done = true; }));
        thread.raisePriority();  // best effort; must not disturb the thread
    }
    EXPECT_TRUE(done.load());
}

}  // namespace
}  // namespace plat
