#include "platform/core/RecursiveLock.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace plat {
namespace {

class RecursiveLockTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_previous = RecursiveLock::setViolationHandler([this](const RecursiveLock& held, const RecursiveLock& taken) {
            m_breaches.emplace_back(held.name(), taken.name());
        });
    }
    void TearDown() override { RecursiveLock::setViolationHandler(m_previous); }

    RecursiveLock m_devices{"devices", LockLevel::deviceManager};
    RecursiveLock m_performance{"performance", LockLevel::performance};
    RecursiveLock m_sequence{"sequence", LockLevel::sequence};
    std::vector<std::pair<std::string, std::string>> m_breaches;

private:
    RecursiveLock::ViolationHandler m_previous;
};

TEST_F(RecursiveLockTest, TheHolderKnowsItHoldsTheLockAtEveryDepthAndNoOtherThreadDoes)
{
    EXPECT_FALSE(m_performance.heldByThisThread());
    m_performance.lock();
    ASSERT_TRUE(m_performance.try_lock());
    m_performance.unlock();
    EXPECT_TRUE(m_performance.heldByThisThread()) << "an outer hold remains";
    bool elsewhere = true;
    std::thread([&] { elsewhere = m_performance.heldByThisThread(); }).join();
    EXPECT_FALSE(elsewhere);
    m_performance.unlock();
    EXPECT_FALSE(m_performance.heldByThisThread());
}

#ifdef QUAVIX_LOCK_ORDER_CHECK

TEST_F(RecursiveLockTest, TakingALowerLevelWhileHoldingAHigherOneIsReported)
{
    {
        const std::lock_guard sequence(m_sequence);
        const std::lock_guard performance(m_performance);
    }
    ASSERT_EQ(m_breaches.size(), 1u);
    EXPECT_EQ(m_breaches[0], (std::pair<std::string, std::string>{"sequence", "performance"}));
}

TEST_F(RecursiveLockTest, OrderedLockingAndReentryAreNotReported)
{
    {
        const std::lock_guard devices(m_devices);
        const std::lock_guard performance(m_performance);
        const std::lock_guard sequence(m_sequence);
        // Re-entering locks already held, at any depth, is allowed.
        const std::lock_guard performanceAgain(m_performance);
        const std::lock_guard devicesAgain(m_devices);
    }
    {
        // Released out of order: what is held afterwards is still tracked correctly.
        m_devices.lock();
        m_performance.lock();
        m_devices.unlock();
        m_sequence.lock();
        m_sequence.unlock();
        m_performance.unlock();
    }
    EXPECT_TRUE(m_breaches.empty());
}

TEST_F(RecursiveLockTest, ReleasedLocksNoLongerCount)
{
    m_sequence.lock();
    m_sequence.lock();
    m_sequence.unlock();
    m_performance.lock();  // the sequence lock is still held once
    m_performance.unlock();
    m_sequence.unlock();
    m_devices.lock();      // nothing held now
    m_devices.unlock();
    ASSERT_EQ(m_breaches.size(), 1u);
    EXPECT_EQ(m_breaches[0].second, "performance");
}

TEST_F(RecursiveLockTest, TryLockIsNotCheckedButCountsAsHeld)
{
    ASSERT_TRUE(m_sequence.try_lock());
    EXPECT_TRUE(m_breaches.empty());
    ASSERT_TRUE(m_performance.try_lock());
    EXPECT_TRUE(m_breaches.empty());
    m_devices.lock();
    m_devices.unlock();
    m_performance.unlock();
    m_sequence.unlock();
    ASSERT_EQ(m_breaches.size(), 1u);
    EXPECT_EQ(m_breaches[0], (std::pair<std::string, std::string>{"sequence", "devices"}));
}

TEST(RecursiveLockDeathTest, DefaultHandlerAborts)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            RecursiveLock::setViolationHandler({});
            RecursiveLock high("high", LockLevel::sequence);
            RecursiveLock low("low", LockLevel::deviceManager);
            const std::lock_guard first(high);
            const std::lock_guard second(low);
        },
        "lock order violated");
}

#endif

}  // namespace
}  // namespace plat
