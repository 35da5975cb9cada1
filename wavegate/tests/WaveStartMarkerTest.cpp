#include "WavegateTestSupport.h"

#include "wavegate/CWGStartSignals.h"

#include <gtest/gtest.h>

#include "platform/core/Event.h"

#include <atomic>
#include <thread>

TEST(CWGStartSignalsTest, HandlesNameLiveSignalsOnly)
{
    CWGStartSignals signals;
    int fired = 0;
    const uintptr_t a = signals.Register([&] { ++fired; });
    const uintptr_t b = signals.Register([&] { fired += 10; });
    EXPECT_NE(a, 0u);
    EXPECT_NE(a, b);
    EXPECT_TRUE(signals.Fire(b));
    signals.Unregister(b);
    EXPECT_FALSE(signals.Fire(b));
    EXPECT_FALSE(signals.Fire(0));
    EXPECT_TRUE(signals.Fire(a));
    EXPECT_EQ(fired, 11);
}

TEST(CWGStartSignalsTest, ASignalMayUnregisterItselfAndUnregisterWaitsForOneRunningElsewhere)
{
    CWGStartSignals signals;
    int selfCalls = 0;
    uintptr_t self = 0;
    self = signals.Register([&] {
        ++selfCalls;
        signals.Unregister(self);
    });
    EXPECT_TRUE(signals.Fire(self));
    EXPECT_FALSE(signals.Fire(self));
    EXPECT_EQ(selfCalls, 1);

    plat::Event entered(true, false);
    plat::Event release(true, false);
    std::atomic<bool> finished{false};
    const uintptr_t slow = signals.Register([&] {
        entered.set();
        release.wait(5000);
        finished = true;
    });
    std::thread firing([&] { signals.Fire(slow); });
    ASSERT_EQ(entered.wait(5000), plat::Event::WaitResult::signalled);
    bool finishedWhenUnregistered = false;
    std::thread unregistering([&] {
        signals.Unregister(slow);
        finishedWhenUnregistered = finished;
    });
    release.set();
    unregistering.join();
    firing.join();
    EXPECT_TRUE(finishedWhenUnregistered) << "Unregister returned while the signal still ran";
    EXPECT_FALSE(signals.Fire(slow));
}

class WaveStartMarkerTest : public WavegateTest {
protected:
    // Files a wave-start marker for handle at time into output 0's stream.
    void QueueMarker(uintptr_t handle, uint32_t time)
    {
        WG_WaveParams params;
        params.player = handle;
        auto marker = std::make_unique<CWGEventData>();
        marker->SetWaveStart(&params);
        marker->time = time;
        CWGEventList list;
        list.push_back(std::move(marker));
        CWavegate::GetWavegate()->PlayBuffer(list);
    }
};

TEST_F(WaveStartMarkerTest, AMarkerSignalsItsPlayerWhenTheStreamReachesIt)
{
    CWavegate& wg = Init();
    std::atomic<uint32_t> signalledAt = 0;
    const uintptr_t handle = wg.GetStartSignals().Register([&] { signalledAt = m_timers->clock().nowMs(); });
    wg.OpenDevices();
    ASSERT_EQ(wg.StartDevices(), 1);
    QueueMarker(handle, 250);
    Step(240);
    EXPECT_EQ(signalledAt, 0u);
    Step(20);
    EXPECT_EQ(signalledAt, kStartMs + 250);
}

TEST_F(WaveStartMarkerTest, AMarkerWhosePlayerIsGoneFindsNothing)
{
    CWavegate& wg = Init();
    bool signalled = false;
    const uintptr_t handle = wg.GetStartSignals().Register([&] { signalled = true; });
    wg.OpenDevices();
    ASSERT_EQ(wg.StartDevices(), 1);
    QueueMarker(handle, 250);
    QueueMarker(handle + 1000, 260);   // never registered
    wg.GetStartSignals().Unregister(handle);
    Step(400);
    EXPECT_FALSE(signalled);
}
