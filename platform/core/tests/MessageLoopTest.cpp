#include "platform/core/Event.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/MessageWindow.h"
#include "platform/core/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace plat {
namespace {

constexpr MessageId kPing = kFirstPrivateMessage + 1;

TEST(MessageLoopTest, QuitEndsRunAfterEarlierPostsWithItsExitCode)
{
    MessageLoop& loop = MessageLoop::current();
    std::vector<int> seen;
    loop.postTask([&] { seen.push_back(1); });
    loop.quit(5);
    loop.postTask([&] { seen.push_back(2); });
    EXPECT_EQ(loop.run(), 5);
    EXPECT_EQ(seen, std::vector<int>{1});
    loop.pump();
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
}

TEST(MessageLoopTest, QuitMessagePostedToWindowEndsLoop)
{
    MessageWindow window("quitter", [](MessageId, uintptr_t, intptr_t) -> intptr_t { return 0; });
    ASSERT_TRUE(window.post(kQuitMessage, 3));
    EXPECT_EQ(MessageLoop::current().run(), 3);
}

TEST(MessageLoopTest, QuitSeenByPumpOrRunUntilEndsTheNextRun)
{
    MessageLoop& loop = MessageLoop::current();
    loop.quit(8);
    loop.pump();
    EXPECT_EQ(loop.run(), 8);

    loop.quit(9);
    EXPECT_FALSE(loop.runUntil([] { return false; }, std::chrono::seconds(5)));
    EXPECT_EQ(loop.run(), 9);
}

TEST(MessageLoopTest, IdleHookRunsOnceTheQueueIsDrained)
{
    MessageLoop& loop = MessageLoop::current();
    int delivered = 0;
    std::vector<int> deliveredAtIdle;
    for (int i = 0; i < 3; ++i)
        loop.postTask([&] { ++delivered; });
    loop.setIdleHook([&] {
        deliveredAtIdle.push_back(delivered);
        if (deliveredAtIdle.size() == 2)
            loop.quit();
        return deliveredAtIdle.size() == 1;  // asks once to be called again
    });
    loop.run();
    loop.setIdleHook({});
    EXPECT_EQ(deliveredAtIdle, (std::vector<int>{3, 3}));
}

TEST(MessageLoopTest, RunUntilReturnsWhenConditionHoldsOrTimesOut)
{
    MessageLoop& loop = MessageLoop::current();
    bool flag = false;
    loop.postTask([&] { flag = true; });
    EXPECT_TRUE(loop.runUntil([&] { return flag; }, std::chrono::seconds(5)));

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(loop.runUntil([] { return false; }, std::chrono::milliseconds(30)));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));

    // A condition made true by another thread without any message still ends the wait.
    std::atomic<bool> external{false};
    std::thread setter([&] { external = true; });
    EXPECT_TRUE(loop.runUntil([&] { return external.load(); }, std::chrono::seconds(5)));
    setter.join();
}

TEST(MessageLoopTest, TasksRunOnTheLoopThread)
{
    Thread worker("tasks");
    ASSERT_TRUE(worker.start());
    std::thread::id ranOn;
    worker.loop()->sendTask([&] { ranOn = std::this_thread::get_id(); });
    EXPECT_EQ(ranOn, worker.id());
    EXPECT_FALSE(worker.loop()->isOwnerThread());
    EXPECT_TRUE(MessageLoop::current().isOwnerThread());

    Event posted(true, false);
    std::thread::id postedOn;
    ASSERT_TRUE(worker.loop()->postTask([&] {
        postedOn = std::this_thread::get_id();
        posted.set();
    }));
    ASSERT_EQ(posted.wait(5000), Event::WaitResult::signalled);
    EXPECT_EQ(postedOn, worker.id());
}

TEST(MessageLoopTest, RunningAnotherThreadsLoopIsRefused)
{
    Thread worker("foreign");
    ASSERT_TRUE(worker.start());
    EXPECT_THROW(worker.loop()->pump(), std::logic_error);
}

}  // namespace
}  // namespace plat
