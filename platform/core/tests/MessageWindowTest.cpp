#include "platform/core/Event.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/MessageWindow.h"
#include "platform/core/Thread.h"

#include <gtest/gtest.h>

#include <poll.h>

#include <array>
#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

namespace plat {
namespace {

constexpr MessageId kPing = kFirstPrivateMessage + 1;
constexpr MessageId kOther = kFirstPrivateMessage + 2;

// A Thread that owns one window made in init and destroyed in done.
class WindowThread {
public:
    WindowThread(const char* name, MessageWindow::Handler handler) : m_thread(name)
    {
        EXPECT_TRUE(m_thread.start([this, name, handler] { m_window = std::make_unique<MessageWindow>(name, handler); },
                                   [this] { m_window.reset(); }));
        m_ref = m_window->ref();
    }
    WindowRef ref() const { return m_ref; }
    Thread& thread() { return m_thread; }

private:
    std::unique_ptr<MessageWindow> m_window;
    WindowRef m_ref;
    Thread m_thread;  // last: ends before the window slot goes
};

bool waitReadable(int fd, int timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN);
}

TEST(MessageWindowTest, SendOnOwnerThreadIsDirectAndReentrant)
{
    std::unique_ptr<MessageWindow> window;
    window = std::make_unique<MessageWindow>("self", [&](MessageId id, uintptr_t w, intptr_t) -> intptr_t {
        if (id != kPing)
            return -1;
        return w == 0 ? 1 : window->send(kPing, w - 1) + 1;
    });
    EXPECT_EQ(window->send(kPing, 4), 5);
    EXPECT_EQ(window->ownerThread(), std::this_thread::get_id());
    EXPECT_EQ(window->name(), "self");
}

TEST(MessageWindowTest, CrossThreadSendAnsweredWithNestedSendBackToSender)
{
    std::atomic<int> mainCalls{0};
    std::thread::id mainHandlerThread;
    MessageWindow mainWindow("main", [&](MessageId, uintptr_t w, intptr_t) -> intptr_t {
        ++mainCalls;
        mainHandlerThread = std::this_thread::get_id();
        return static_cast<intptr_t>(w) * 10;
    });
    const WindowRef mainRef = mainWindow.ref();
    WindowThread worker("worker", [mainRef](MessageId, uintptr_t w, intptr_t l) -> intptr_t {
        // Nested send back to the thread that is waiting for this answer.
        return mainRef.send(kPing, w + 1) + l;
    });
    EXPECT_EQ(worker.ref().send(kPing, 4, 3), 53);
    EXPECT_EQ(mainCalls.load(), 1);
    EXPECT_EQ(mainHandlerThread, std::this_thread::get_id());
}

TEST(MessageWindowTest, SendChainAroundThreeThreadsDoesNotDeadlock)
{
    // Each window forwards to the next one (A to B to C to A ...) until the depth runs out,
    // so every thread is waiting in a send while it serves one.
    std::array<WindowRef, 3> refs;
    std::vector<std::unique_ptr<WindowThread>> threads;
    for (int i = 0; i < 3; ++i) {
        threads.push_back(std::make_unique<WindowThread>(
            "ring", [&refs, i](MessageId, uintptr_t depth, intptr_t) -> intptr_t {
                return depth == 0 ? 1 : refs[(i + 1) % 3].send(kPing, depth - 1) + 1;
            }));
        refs[i] = threads.back()->ref();
    }
    EXPECT_EQ(refs[0].send(kPing, 10), 11);
    EXPECT_EQ(refs[2].send(kPing, 7), 8);
}

TEST(MessageWindowTest, EightThreadsSendToOneWindowWhileItsOwnerSendsOut)
{
    std::atomic<int> outCalls{0};
    WindowThread helper("helper", [&](MessageId, uintptr_t w, intptr_t) -> intptr_t {
        ++outCalls;
        return static_cast<intptr_t>(w) * 2;
    });
    const WindowRef helperRef = helper.ref();
    std::atomic<int> targetCalls{0};
    WindowThread target("target", [&, helperRef](MessageId, uintptr_t w, intptr_t l) -> intptr_t {
        ++targetCalls;
        return helperRef.send(kPing, w) + l;
    });

    constexpr int kSenders = 8;
    constexpr int kSends = 200;
    std::atomic<int> wrong{0};
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s)
        senders.emplace_back([&, s] {
            for (int i = 0; i < kSends; ++i)
                if (target.ref().send(kPing, static_cast<uintptr_t>(i), s) != 2 * i + s)
                    ++wrong;
        });
    for (auto& sender : senders)
        sender.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(targetCalls.load(), kSenders * kSends);
    EXPECT_EQ(outCalls.load(), kSenders * kSends);
}

TEST(MessageWindowTest, PostsAndTasksArriveInOrder)
{
    std::vector<int> order;
    MessageWindow window("posts", [&](MessageId, uintptr_t w, intptr_t) -> intptr_t {
        order.push_back(static_cast<int>(w));
        return 0;
    });
    MessageLoop& loop = MessageLoop::current();
    for (int i = 0; i < 20; ++i) {
        if (i % 3 == 0)
            ASSERT_TRUE(loop.postTask([&order, i] { order.push_back(i); }));
        else
            ASSERT_TRUE(window.post(kPing, static_cast<uintptr_t>(i)));
    }
    // Posts from another thread keep their own order too.
    std::thread other([&] {
        for (int i = 20; i < 40; ++i)
            window.post(kPing, static_cast<uintptr_t>(i));
    });
    other.join();
    loop.pump();
    std::vector<int> expected;
    for (int i = 0; i < 40; ++i)
        expected.push_back(i);
    EXPECT_EQ(order, expected);
}

TEST(MessageWindowTest, DestroyedWindowGetsNothingAndRefsFailQuietly)
{
    int calls = 0;
    auto window = std::make_unique<MessageWindow>("gone", [&](MessageId, uintptr_t, intptr_t) -> intptr_t {
        ++calls;
        return 1;
    });
    const WindowRef ref = window->ref();
    ASSERT_TRUE(ref.isAlive());
    ASSERT_TRUE(window->post(kPing));
    ASSERT_TRUE(window->setTimer(1, 1));
    window.reset();
    MessageLoop::current().runUntil([] { return false; }, std::chrono::milliseconds(20));
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(ref.isAlive());
    EXPECT_EQ(ref.send(kPing), 0);
    EXPECT_FALSE(ref.post(kPing));
    EXPECT_FALSE(WindowRef().isAlive());
    EXPECT_EQ(WindowRef().send(kPing), 0);
}

TEST(MessageWindowTest, HandlerMayDestroyItsOwnWindow)
{
    std::unique_ptr<MessageWindow> window;
    int calls = 0;
    window = std::make_unique<MessageWindow>("self-destroy", [&](MessageId, uintptr_t, intptr_t) -> intptr_t {
        ++calls;
        window.reset();
        return 9;
    });
    const WindowRef ref = window->ref();
    EXPECT_EQ(ref.send(kPing), 9);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(ref.send(kPing), 0);
    EXPECT_EQ(calls, 1);
}

TEST(MessageWindowTest, SenderWaitingForWindowDestroyedMeanwhileGetsZero)
{
    Event gate(true, false);
    std::atomic<int> calls{0};
    std::unique_ptr<MessageWindow> window;
    Thread owner("owner");
    ASSERT_TRUE(owner.start([&] {
        window = std::make_unique<MessageWindow>("doomed", [&](MessageId, uintptr_t, intptr_t) -> intptr_t {
            ++calls;
            return 1;
        });
    }));
    const WindowRef ref = window->ref();
    // Keeps the owner busy, then destroys the window with the send still queued.
    Event busy(true, false);
    owner.loop()->postTask([&] {
        busy.set();
        gate.wait();
        window.reset();
    });
    ASSERT_EQ(busy.wait(5000), Event::WaitResult::signalled);
    std::atomic<intptr_t> result{-1};
    std::thread sender([&] { result = ref.send(kPing); });
    // The owner's queue turns readable once the send is queued (the task left it already).
    EXPECT_TRUE(waitReadable(owner.loop()->wakeFd(), 5000));
    gate.set();
    sender.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_EQ(calls.load(), 0);
}

TEST(MessageWindowTest, SendToThreadWhoseLoopEndedReturnsZero)
{
    Event finishDone(true, false);
    std::unique_ptr<MessageWindow> window;
    Thread owner("ended");
    ASSERT_TRUE(owner.start(
        [&] { window = std::make_unique<MessageWindow>("left", [](MessageId, uintptr_t, intptr_t) -> intptr_t { return 1; }); },
        [&] {
            finishDone.wait();
            window.reset();
        }));
    const WindowRef ref = window->ref();
    EXPECT_EQ(ref.send(kPing), 1);
    owner.quit();
    // The loop has ended but the window still exists while done() waits.
    EXPECT_TRUE(MessageLoop::current().runUntil([&] { return ref.send(kPing) == 0; }, std::chrono::seconds(5)));
    EXPECT_FALSE(ref.post(kPing));
    finishDone.set();
    EXPECT_TRUE(owner.join(5000));
}

TEST(MessageWindowTest, ThrowingHandlerStillAnswersTheSender)
{
    MessageWindow window("thrower", [](MessageId, uintptr_t, intptr_t) -> intptr_t { throw std::runtime_error("bad"); });
    const WindowRef ref = window.ref();
    std::atomic<intptr_t> result{-1};
    std::thread sender([&] { result = ref.send(kPing); });
    EXPECT_THROW(MessageLoop::current().runUntil([&] { return result.load() != -1; }, std::chrono::seconds(5)),
                 std::runtime_error);
    sender.join();
    EXPECT_EQ(result.load(), 0);
}

TEST(MessageWindowTest, WindowTimerTicksAndStops)
{
    int ticks = 0;
    MessageWindow window("timer", [&](MessageId id, uintptr_t w, intptr_t) -> intptr_t {
        if (id == kTimerMessage && w == 7)
            ++ticks;
        return 0;
    });
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(window.setTimer(7, 20));
    EXPECT_TRUE(MessageLoop::current().runUntil([&] { return ticks >= 5; }, std::chrono::seconds(5)));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));
    EXPECT_TRUE(window.killTimer(7));
    EXPECT_FALSE(window.killTimer(7));
    const int stopped = ticks;
    MessageLoop::current().runUntil([] { return false; }, std::chrono::milliseconds(60));
    EXPECT_EQ(ticks, stopped);
}

TEST(MessageWindowTest, LateTimerFiresOnceAndYieldsToPosts)
{
    std::vector<MessageId> seen;
    MessageWindow window("late", [&](MessageId id, uintptr_t, intptr_t) -> intptr_t {
        seen.push_back(id);
        return 0;
    });
    ASSERT_TRUE(window.setTimer(1, 5));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));  // a dozen periods pass unserved
    ASSERT_TRUE(window.post(kOther));
    MessageLoop::current().pump();
    EXPECT_EQ(seen, (std::vector<MessageId>{kOther, kTimerMessage}));
    window.killTimer(1);
}

TEST(MessageWindowTest, WakeFdReadableWhilePendingAndWhenTimerIsDue)
{
    MessageLoop& loop = MessageLoop::current();
    loop.pump();
    int posts = 0;
    MessageWindow window("fd", [&](MessageId id, uintptr_t, intptr_t) -> intptr_t {
        posts += id == kPing;
        return 0;
    });
    EXPECT_FALSE(waitReadable(loop.wakeFd(), 0));
    window.post(kPing);
    window.post(kPing);
    EXPECT_TRUE(waitReadable(loop.wakeFd(), 0));
    loop.pump();
    EXPECT_EQ(posts, 2);
    EXPECT_FALSE(waitReadable(loop.wakeFd(), 0));

    window.setTimer(3, 10);
    EXPECT_TRUE(waitReadable(loop.wakeFd(), 5000));
    window.killTimer(3);
    loop.pump();
    EXPECT_FALSE(waitReadable(loop.wakeFd(), 0));
}

}  // namespace
}  // namespace plat
