#include "platform/core/AltSignalStack.h"
#include "platform/core/Event.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/MessageWindow.h"
#include "platform/core/Thread.h"

#include <gtest/gtest.h>

#include <signal.h>

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

// The alternate signal stack a thread runs on while the crash report is written: what
// sigaltstack says on the thread, and after the thread's stack object is gone.
stack_t currentAltStack()
{
    stack_t stack{};
    EXPECT_EQ(::sigaltstack(nullptr, &stack), 0);
    return stack;
}

TEST(ThreadTest, AThreadTheProgramStartsHasAnAlternateSignalStack)
{
    // The sanitizers' runtime gives every thread an alternate stack of its own, which the
    // platform keeps.
    bool runtimeGivesOne = false;
    std::thread([&runtimeGivesOne] { runtimeGivesOne = !(currentAltStack().ss_flags & SS_DISABLE); }).join();

    stack_t seen{};
    Thread thread("alt stack");
    ASSERT_TRUE(thread.start([&seen] { seen = currentAltStack(); }));
    thread.quit();
    ASSERT_TRUE(thread.join());
    EXPECT_FALSE(seen.ss_flags & SS_DISABLE);
    EXPECT_NE(seen.ss_sp, nullptr);
    if (runtimeGivesOne)
        GTEST_SKIP() << "the runtime's own alternate stacks stand in for ours";
    EXPECT_GE(seen.ss_size, AltSignalStack::kSize);

    // A plain thread: one stack while the object lives, none after; an inner object keeps the
    // stack in place.
    std::thread([] {
        ASSERT_TRUE(currentAltStack().ss_flags & SS_DISABLE);
        {
            const AltSignalStack outer;
            EXPECT_TRUE(outer.installed());
            const stack_t first = currentAltStack();
            {
                const AltSignalStack inner;
                EXPECT_FALSE(inner.installed());
            }
            EXPECT_EQ(currentAltStack().ss_sp, first.ss_sp);
            EXPECT_FALSE(currentAltStack().ss_flags & SS_DISABLE);
        }
        EXPECT_TRUE(currentAltStack().ss_flags & SS_DISABLE);
    }).join();
}

}  // namespace
}  // namespace plat
