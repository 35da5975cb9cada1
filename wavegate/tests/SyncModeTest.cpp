#include "WavegateTestSupport.h"

#include <gtest/gtest.h>

#include <mutex>

namespace {

struct Call {
    int code;
    uint32_t a, b;
    bool operator==(const Call&) const = default;
};

struct SyncScript {
    static int Proc(uintptr_t user, int code, uint32_t a, uint32_t b)
    {
        auto* self = reinterpret_cast<SyncScript*>(user);
        std::lock_guard lock(self->mutex);
        self->calls.push_back({code, a, b});
        return 1;
    }
    std::vector<Call> Take()
    {
        std::lock_guard lock(mutex);
        return std::exchange(calls, {});
    }
    std::mutex mutex;
    std::vector<Call> calls;
};

class SyncModeTest : public WavegateTest {
protected:
    void Post(CWavegate& wg, plat::MessageId msg, uintptr_t wParam = 0, intptr_t lParam = 0)
    {
        ASSERT_TRUE(wg.GetHWnd().post(msg, wParam, lParam));
        Settle();
    }
};

}  // namespace

TEST_F(SyncModeTest, InternalModesSwitchWithoutTouchingTheDevices)
{
    CWavegate& wg = Init();
    SyncScript script;
    wg.StartPerformance(&SyncScript::Proc, reinterpret_cast<uintptr_t>(&script), 1, 0);
    wg.OpenDevices();
    wg.StartDevices();
    const int opens = m_memory->midiOut(0).openCount();
    wg.SetSyncMode(1);
    EXPECT_EQ(wg.GetSyncMode(), 1u);
    wg.SetSyncMode(3);
    EXPECT_EQ(wg.GetSyncMode(), 1u) << "modes above 2 are refused";
    wg.SetSyncMode(0);
    EXPECT_EQ(wg.GetSyncMode(), 0u);
    EXPECT_EQ(m_memory->midiOut(0).openCount(), opens);
    EXPECT_EQ(wg.GetBufferTime(), 200u);
    EXPECT_TRUE(script.Take().empty());
    // The external messages are inert outside mode 2.
    Post(wg, CWavegate::WM_WG_EXTSTOP);
    Post(wg, CWavegate::WM_WG_CLOCKTICK, 0, 40);
    EXPECT_TRUE(script.Take().empty());
    EXPECT_EQ(wg.IsActive(), 1);
}

TEST_F(SyncModeTest, SlavedModeFollowsTheExternalTransport)
{
    CWavegate& wg = Init();
    SyncScript script;
    wg.StartPerformance(&SyncScript::Proc, reinterpret_cast<uintptr_t>(&script), 1, 0);
    wg.OpenDevices();
    wg.StartDevices();
    Step(100);
    script.Take();
    const int opens = m_memory->midiOut(0).openCount();

    // Entering mode 2: stop to every performance, outputs reopened, buffer time 0.
    wg.SetSyncMode(2);
    EXPECT_EQ(script.Take(), (std::vector<Call>{{-3, 400, 500}}));
    EXPECT_EQ(m_memory->midiOut(0).openCount(), opens + 1);
    EXPECT_EQ(wg.GetBufferTime(), 0u);
    EXPECT_EQ(wg.GetDeviceState(0, 1, 0), CWGDevice::WG_OPEN);

    // Queued ahead from 0, exactly the prefetch count of slices.
    wg.QueueSlavedPerformance();
    EXPECT_EQ(script.Take(), (std::vector<Call>{{2, 0, 100}, {2, 100, 200}}));
    EXPECT_EQ(m_memory->midiOut(0).queuedBlocks(), 2u);

    Post(wg, CWavegate::WM_WG_EXTSTART);
    EXPECT_EQ(script.Take(), (std::vector<Call>{{-2, 200, 300}}));
    EXPECT_EQ(wg.GetDeviceState(0, 1, 0) & CWGDevice::WG_STARTED, CWGDevice::WG_STARTED);

    Post(wg, CWavegate::WM_WG_CLOCKTICK, 7, 20);
    Post(wg, CWavegate::WM_WG_SONGPOSITION, 32);
    EXPECT_EQ(wg.GetSyncPosition(), 32u);
    EXPECT_EQ(script.Take(), (std::vector<Call>{{-5, 7, 20}, {-6, 200, 300}}));

    Post(wg, CWavegate::WM_WG_EXTSTOP);
    EXPECT_EQ(script.Take(), (std::vector<Call>{{-3, 200, 300}}));
    EXPECT_EQ(wg.IsActive(), 0) << "an external stop ends every performance";
    EXPECT_EQ(wg.GetBufferTime(), 0u);

    // Leaving mode 2 opens and starts the devices again.
    wg.SetSyncMode(0);
    EXPECT_EQ(wg.GetSyncMode(), 0u);
    EXPECT_EQ(wg.GetDeviceState(0, 1, 0) & CWGDevice::WG_STARTED, CWGDevice::WG_STARTED);
    EXPECT_NE(wg.GetTimingDevice(), nullptr);
}

TEST_F(SyncModeTest, QueueSlavedPerformanceDoesNothingOutsideMode2)
{
    CWavegate& wg = Init();
    SyncScript script;
    wg.StartPerformance(&SyncScript::Proc, reinterpret_cast<uintptr_t>(&script), 1, 0);
    wg.QueueSlavedPerformance();
    EXPECT_TRUE(script.Take().empty());
}
