#include "platform/core/CallbackList.h"
#include "platform/core/RefPtr.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using plat::CallbackList;
using plat::Connection;

TEST(CallbackListTest, CallsInOrderUntilDisconnected)
{
    CallbackList<void(int)> list;
    std::vector<std::string> calls;
    Connection a = list.add([&](int v) { calls.push_back("a" + std::to_string(v)); });
    {
        Connection b = list.add([&](int v) { calls.push_back("b" + std::to_string(v)); });
        list.call(1);
        EXPECT_EQ(list.size(), 2u);
    }
    list.call(2);
    a.disconnect();
    a.disconnect();
    list.call(3);
    EXPECT_EQ(calls, (std::vector<std::string>{"a1", "b1", "a2"}));
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(a.connected());
}

TEST(CallbackListTest, ChangesDuringACallTakeEffectAsTheyHappen)
{
    CallbackList<void()> list;
    std::vector<std::string> calls;
    Connection self, later, added;
    self = list.add([&] {
        calls.push_back("self");
        self.disconnect();  // removing itself while it runs
        later.disconnect(); // removing one whose turn has not come
        added = list.add([&] { calls.push_back("added"); });
    });
    later = list.add([&] { calls.push_back("later"); });
    list.call();
    list.call();
    EXPECT_EQ(calls, (std::vector<std::string>{"self", "added"}));
}

TEST(CallbackListTest, CallUntilStopsAtTheFirstAnswerThatStopsIt)
{
    CallbackList<int(int)> list;
    int reached = 0;
    Connection a = list.add([&](int v) { ++reached; return v; });
    Connection b = list.add([&](int v) { ++reached; return v * 2; });
    Connection c = list.add([&](int) { ++reached; return 0; });
    EXPECT_TRUE(list.callUntil([](int r) { return r == 6; }, 3));
    EXPECT_EQ(reached, 2);
    EXPECT_FALSE(list.callUntil([](int r) { return r < 0; }, 3));
    EXPECT_EQ(reached, 5);
}

TEST(CallbackListTest, TokensOutliveTheirListAndReleasedCallbacksStay)
{
    Connection orphan;
    int kept = 0;
    {
        CallbackList<void()> list;
        orphan = list.add([] {});
        list.add([&] { ++kept; }).release();
        list.call();
        EXPECT_EQ(list.size(), 2u);
    }
    EXPECT_FALSE(orphan.connected());
    orphan.disconnect();
    EXPECT_EQ(kept, 1);
}

TEST(CallbackListTest, DisconnectFromAnotherThreadWaitsForTheRunningCall)
{
    CallbackList<void()> list;
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> finished{false};
    Connection connection = list.add([&] {
        entered.set_value();
        released.wait();
        finished = true;
    });
    std::thread caller([&] { list.call(); });
    entered.get_future().wait();

    std::atomic<bool> disconnected{false};
    std::thread remover([&] {
        connection.disconnect();
        disconnected = true;
        EXPECT_TRUE(finished.load());
    });
    // The remover cannot return while the callback runs; let the callback end.
    EXPECT_FALSE(disconnected.load());
    release.set_value();
    remover.join();
    caller.join();
    EXPECT_TRUE(disconnected.load());
    EXPECT_TRUE(list.empty());
}

TEST(CallbackListTest, ManyThreadsAddCallAndRemoveAtOnce)
{
    CallbackList<void(int)> list;
    std::atomic<long> total{0};
    Connection steady = list.add([&](int v) { total += v; });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                if (t % 2 == 0) {
                    Connection c = list.add([&](int) { total += 0; });
                    list.call(1);
                } else {
                    list.call(1);
                }
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(total.load(), 4 * 2000);
    EXPECT_EQ(list.size(), 1u);
}

struct Counted {
    int refs = 1;
    void Ref() { ++refs; }
    void Unref() { --refs; }
};

TEST(RefPtrTest, EveryHolderGivesBackWhatItTook)
{
    Counted object;
    {
        plat::RefPtr<Counted> a(&object);
        EXPECT_EQ(object.refs, 2);
        plat::RefPtr<Counted> b = a;
        plat::RefPtr<Counted> c = std::move(b);
        EXPECT_EQ(object.refs, 3);
        EXPECT_FALSE(b);
        c = a;        // same object again
        a.reset(a.get());
        EXPECT_EQ(object.refs, 3);
        c = nullptr;
        EXPECT_EQ(object.refs, 2);
    }
    EXPECT_EQ(object.refs, 1);

    auto adopted = plat::RefPtr<Counted>::adopt(&object);
    EXPECT_EQ(object.refs, 1);
    Counted* raw = adopted.release();
    EXPECT_EQ(raw, &object);
    EXPECT_EQ(object.refs, 1);
}

}  // namespace
