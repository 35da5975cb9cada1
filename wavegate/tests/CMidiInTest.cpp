#include "WavegateTestSupport.h"

#include "platform/media/MediaError.h"
#include "wavegate/CMidiIn.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace {

using Played = plat::media::MemoryMidiOut::Played;

// What the performance callbacks hear.
struct SyncCall {
    int code;
    uint32_t a, b;
    bool operator==(const SyncCall&) const = default;
};

struct PerformanceLog {
    static int Proc(uintptr_t user, int code, uint32_t a, uint32_t b)
    {
        auto* self = reinterpret_cast<PerformanceLog*>(user);
        std::lock_guard lock(self->mutex);
        self->calls.push_back({code, a, b});
        return 1;
    }
    std::vector<SyncCall> Take()
    {
        std::lock_guard lock(mutex);
        return std::exchange(calls, {});
    }
    // The sync commands only, without the ordinary polls.
    std::vector<SyncCall> TakeSync()
    {
        std::vector<SyncCall> sync;
        for (const SyncCall& call : Take())
            if (call.code < 0)
                sync.push_back(call);
        return sync;
    }
    std::vector<int> TakeCodes()
    {
        std::vector<int> codes;
        for (const SyncCall& call : TakeSync())
            codes.push_back(call.code);
        return codes;
    }
    std::mutex mutex;
    std::vector<SyncCall> calls;
};

// What the recording callbacks get: a copy of each record.
struct Recorded {
    int type;
    uint32_t time;
    int device;
    uint32_t data;                 // the message of a short record
    std::vector<uint8_t> sysEx;    // the bytes of a system-exclusive record
};

struct RecordingLog {
    static int Proc(uintptr_t user, int, CWGEventData* event)
    {
        auto* self = reinterpret_cast<RecordingLog*>(user);
        Recorded r{event->type, event->time, event->device, 0, {}};
        if (event->type == CWGEventData::WG_EVENT_SYSEX)
            r.sysEx.assign(event->GetSysExData(), event->GetSysExData() + event->length);
        else
            r.data = static_cast<uint32_t>(event->data);
        std::lock_guard lock(self->mutex);
        self->records.push_back(std::move(r));
        return 1;
    }
    std::vector<Recorded> Take()
    {
        std::lock_guard lock(mutex);
        return std::exchange(records, {});
    }
    std::vector<uint32_t> TakeMessages()
    {
        std::vector<uint32_t> messages;
        for (const Recorded& r : Take())
            messages.push_back(r.data);
        return messages;
    }
    std::mutex mutex;
    std::vector<Recorded> records;
};

struct Notification {
    uint32_t code;
    uintptr_t p1, p2;
    bool operator==(const Notification&) const = default;
};
std::mutex g_notificationMutex;
std::vector<Notification> g_notifications;
void onNotify(uintptr_t, uint32_t code, uintptr_t p1, uintptr_t p2)
{
    std::lock_guard lock(g_notificationMutex);
    g_notifications.push_back({code, p1, p2});
}

// The immediate messages an output played, packed as the input delivered them.
std::vector<uint32_t> immediateMessages(const std::vector<Played>& played)
{
    std::vector<uint32_t> messages;
    for (const Played& p : played) {
        if (!p.immediate)
            continue;
        uint32_t msg = 0;
        for (size_t i = 0; i < p.bytes.size() && i < 4; ++i)
            msg |= static_cast<uint32_t>(p.bytes[i]) << (8 * i);
        messages.push_back(msg);
    }
    return messages;
}

class CMidiInTest : public WavegateTest {
protected:
    // A manager with both outputs open, the input open and started, a performance and a
    // recording registered, in the sync mode given.
    CWavegate& Prepare(uint32_t syncMode)
    {
        CWavegate& wg = Init();
        wg.StartPerformance(&PerformanceLog::Proc, reinterpret_cast<uintptr_t>(&m_performance), 1, 0);
        wg.StartRecording(&RecordingLog::Proc, reinterpret_cast<uintptr_t>(&m_recording), 1);
        EXPECT_EQ(wg.OpenDevice(0, 1, 0), 1);
        EXPECT_EQ(wg.OpenDevice(0, 1, 1), 1);
        EXPECT_EQ(wg.StartDevice(0, 0, 0), 1);
        wg.SetSyncMode(syncMode);
        SettleInput();
        m_performance.Take();
        m_memory->midiOut(0).clearPlayed();
        m_memory->midiOut(1).clearPlayed();
        return wg;
    }

    void Feed(uint32_t msg)
    {
        EXPECT_TRUE(In().feed(msg)) << std::hex << msg;
        SettleInput();
    }

    // Settles the input's thread too: what it records is made there.
    void SettleInput()
    {
        CWavegate* wg = CWavegate::GetWavegate();
        for (int i = 0; i < wg->GetDeviceCount(0, 0); ++i)
            wg->GetDevice(0, 0, i)->Sync();
        Settle();
    }

    // Moves the clock to ms after the test's start, settling on the way.
    void StepTo(uint32_t ms)
    {
        const uint32_t now = m_timers->clock().nowMs() - kStartMs;
        if (ms > now)
            Step(ms - now);
        SettleInput();
    }

    plat::media::MemoryMidiIn& In() { return m_memory->midiIn(0); }

    PerformanceLog m_performance;
    RecordingLog m_recording;
};

}  // namespace

TEST_F(CMidiInTest, EachIncomingByteIsDroppedEchoedRecordedOrTurnedIntoASyncCommand)
{
    constexpr int kThruOff = -2;   // thru channel for a case with thru off
    struct Case {
        const char* what;
        uint32_t syncMode;
        int thruChannel;                     // -1 keeps the incoming channel
        std::vector<uint32_t> input;
        std::vector<uint32_t> thru;          // what output 1 plays at once
        std::vector<uint32_t> recorded;
        std::vector<int> sync;               // sync commands the performance hears
    };
    const Case cases[] = {
        {"active sensing", 0, -1, {0xFE}, {}, {}, {}},
        {"system common and reset bytes", 0, -1, {0x1234F1, 0x01F3, 0xF6, 0xF7, 0xFF, 0x0110F2}, {}, {}, {}},
        {"the transport outside mode 2", 0, -1, {0xFA, 0xF8, 0xFB, 0xF8, 0xFC, 0xF8}, {}, {}, {}},
        {"the transport in mode 1", 1, -1, {0xFA, 0xF8, 0xFB, 0xF8, 0xFC, 0xF8}, {}, {}, {}},
        {"a note keeps its channel", 0, -1, {0x403C90}, {0x403C90}, {0x403C90}, {}},
        {"a note takes the thru channel", 0, 3, {0x403C90, 0x003C80}, {0x403C93, 0x003C83}, {0x403C90, 0x003C80}, {}},
        {"every channel message takes it", 0, 15, {0x2000E5, 0x07C2, 0x7F07B0}, {0x2000EF, 0x07CF, 0x7F07BF}, {0x2000E5, 0x07C2, 0x7F07B0}, {}},
        {"an undefined system byte keeps its status", 0, 3, {0xF9, 0xFD}, {0xF9, 0xFD}, {0xF9, 0xFD}, {}},
        {"thru off records only", 0, kThruOff, {0x403C90}, {}, {0x403C90}, {}},
        {"start, then the clock", 2, -1, {0xFA, 0xF8}, {}, {}, {-2, -5}},
        {"continue, then the clock", 2, -1, {0xFB, 0xF8}, {}, {}, {-4, -5}},
        {"a start waits for the clock", 2, -1, {0xFA}, {}, {}, {}},
        {"a clock alone", 2, -1, {0xF8, 0xF8}, {}, {}, {-5, -5}},
        {"the last of start and continue counts", 2, -1, {0xFA, 0xFB, 0xF8, 0xF8}, {}, {}, {-4, -5, -5}},
        {"stop", 2, -1, {0xFC}, {}, {}, {-3}},
        {"song position", 2, -1, {0x0110F2}, {}, {}, {-6}},
        {"active sensing in mode 2", 2, -1, {0xFE}, {}, {}, {}},
        {"notes pass in mode 2", 2, 3, {0x403C90}, {0x403C93}, {0x403C90}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CWavegate& wg = Prepare(c.syncMode);
        wg.EnableMidiThru(c.thruChannel != kThruOff);
        wg.ConnectMidiThru(1, c.thruChannel == kThruOff ? -1 : c.thruChannel);
        for (uint32_t msg : c.input)
            Feed(msg);
        EXPECT_EQ(immediateMessages(m_memory->midiOut(1).takePlayed()), c.thru);
        EXPECT_TRUE(immediateMessages(m_memory->midiOut(0).takePlayed()).empty()) << "thru plays on its own output only";
        EXPECT_EQ(m_recording.TakeMessages(), c.recorded);
        EXPECT_EQ(m_performance.TakeCodes(), c.sync);
        Exit();
    }
}

TEST_F(CMidiInTest, TheExternalTransportDrivesTheManager)
{
    CWavegate& wg = Prepare(2);
    Feed(0x0110F2);   // song position 0x90 sixteenths
    EXPECT_EQ(wg.GetSyncPosition(), 0x90u);
    EXPECT_EQ(m_performance.TakeSync(), (std::vector<SyncCall>{{-6, 0, 100}}));

    Feed(0xFA);
    EXPECT_EQ(wg.GetDeviceState(0, 1, 0) & CWGDevice::WG_STARTED, 0u) << "nothing starts before the clock";
    StepTo(30);
    Feed(0xF8);
    EXPECT_EQ(m_performance.TakeSync(), (std::vector<SyncCall>{{-2, 0, 100}, {-5, 0, 30}}));
    EXPECT_EQ(wg.GetDeviceState(0, 1, 0) & CWGDevice::WG_STARTED, CWGDevice::WG_STARTED);
    EXPECT_EQ(wg.GetTimingDeviceNum(), 0);

    Feed(0xFC);
    EXPECT_EQ(m_performance.TakeSync(), (std::vector<SyncCall>{{-3, 0, 100}}));
    EXPECT_EQ(wg.IsActive(), 1) << "only the recording is left";
    EXPECT_EQ(wg.GetDeviceState(0, 1, 0), CWGDevice::WG_OPEN) << "the outputs were reopened";
    EXPECT_EQ(wg.GetDeviceState(0, 0, 0) & CWGDevice::WG_STARTED, CWGDevice::WG_STARTED) << "the input listens on";
}

TEST_F(CMidiInTest, AClockTrainAt120BeatsPerMinuteDrivesTheSlavedPerformance)
{
    CWavegate& wg = Prepare(2);
    wg.QueueSlavedPerformance();
    EXPECT_EQ(m_performance.Take(), (std::vector<SyncCall>{{2, 0, 100}, {2, 100, 200}}));

    // 24 clocks a quarter note, a quarter note every 500 ms: clock n at n * 500 / 24 ms.
    constexpr uint32_t kStart = 1000;
    constexpr int kClocks = 96;   // four beats
    StepTo(kStart);
    Feed(0xFA);
    std::vector<uint32_t> clockTimes;
    for (int n = 0; n < kClocks; ++n) {
        const uint32_t at = kStart + static_cast<uint32_t>(n * 500 / 24);
        StepTo(at);
        Feed(0xF8);
        clockTimes.push_back(at);
    }
    const std::vector<SyncCall> calls = m_performance.Take();
    std::vector<SyncCall> sync;
    int polls = 0;
    for (const SyncCall& call : calls) {
        if (call.code < 0)
            sync.push_back(call);
        else
            ++polls;
    }
    ASSERT_EQ(sync.size(), static_cast<size_t>(kClocks + 1));
    EXPECT_EQ(sync[0], (SyncCall{-2, 200, 300})) << "the start comes before the first clock, after the slices queued";
    for (int n = 0; n < kClocks; ++n)
        EXPECT_EQ(sync[static_cast<size_t>(n + 1)], (SyncCall{-5, 0, clockTimes[static_cast<size_t>(n)]})) << "clock " << n;
    // A beat is 24 clocks; each one 500 ms after the last, as the tempo says.
    for (int beat = 1; beat < kClocks / 24; ++beat)
        EXPECT_EQ(sync[static_cast<size_t>(beat * 24 + 1)].b - sync[static_cast<size_t>((beat - 1) * 24 + 1)].b, 500u);

    // The outputs started at the first clock and their returned blocks poll the performance.
    EXPECT_EQ(wg.GetDeviceState(0, 1, 0) & CWGDevice::WG_STARTED, CWGDevice::WG_STARTED);
    EXPECT_GE(polls, 15) << "about two seconds of 100 ms slices";

    Feed(0xFC);
    EXPECT_EQ(m_performance.TakeCodes(), (std::vector<int>{-3}));
    EXPECT_EQ(wg.GetBufferTime(), 0u);
    Feed(0xF8);
    EXPECT_TRUE(m_performance.Take().empty()) << "the stop ended the performance";
}

TEST_F(CMidiInTest, SlavedRecordsAreMovedBackByHowMuchLaterPlayingStartedThanRecording)
{
    CWavegate& wg = Prepare(2);
    // Recording starts with the first external start; after a stop, a continue starts
    // playing again later, and input times (ms since the input started) are moved back by
    // the difference.
    StepTo(1000);
    Feed(0xFA);
    Feed(0xF8);
    StepTo(1500);
    Feed(0x403C90);
    StepTo(2000);
    Feed(0xFC);
    StepTo(4000);
    Feed(0xFB);
    Feed(0xF8);
    StepTo(4200);
    Feed(0x403E90);
    std::vector<Recorded> records = m_recording.Take();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].type, CWGEventData::WG_EVENT_MIDI);
    EXPECT_EQ(records[0].device, 0);
    EXPECT_EQ(records[0].time, 1500u) << "playing started when recording did";
    EXPECT_EQ(records[1].time, 4200u - 3000u);

    // A restarted input counts from its new start; the move back stops at 0.
    ASSERT_EQ(wg.StopDevice(0, 0, 0), 1);
    ASSERT_EQ(wg.StartDevice(0, 0, 0), 1);
    StepTo(4300);
    Feed(0x403C80);
    records = m_recording.Take();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].time, 0u);
}

TEST_F(CMidiInTest, SystemExclusiveInputIsRecordedWholeAndNotEchoed)
{
    CWavegate& wg = Prepare(0);
    wg.EnableMidiThru(1);
    wg.ConnectMidiThru(1, -1);
    std::vector<uint8_t> dump(300);
    dump.front() = 0xF0;
    for (size_t i = 1; i + 1 < dump.size(); ++i)
        dump[i] = static_cast<uint8_t>(i & 0x7F);
    dump.back() = 0xF7;
    StepTo(40);
    EXPECT_TRUE(In().feedSysEx(dump));
    Feed(0x403C90);
    const std::vector<Recorded> records = m_recording.Take();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].type, CWGEventData::WG_EVENT_SYSEX);
    EXPECT_EQ(records[0].sysEx, dump);
    EXPECT_EQ(records[0].time, 40u);
    EXPECT_EQ(records[0].device, 0);
    EXPECT_EQ(records[1].data, 0x403C90u) << "in the order they came";
    EXPECT_EQ(immediateMessages(m_memory->midiOut(1).takePlayed()), (std::vector<uint32_t>{0x403C90}));
}

TEST_F(CMidiInTest, InputFlowsOnlyWhileStartedAndAPausedInputIsStopped)
{
    CWavegate& wg = Prepare(0);
    EXPECT_EQ(wg.GetDeviceState(0, 0, 0), CWGDevice::WG_OPEN | CWGDevice::WG_STARTED);
    ASSERT_EQ(wg.PauseDevice(0, 0, 0), 1);
    EXPECT_EQ(wg.GetDeviceState(0, 0, 0), CWGDevice::WG_OPEN | CWGDevice::WG_PAUSED);
    EXPECT_FALSE(In().isStarted());
    EXPECT_FALSE(In().feed(0x403C90));
    ASSERT_EQ(wg.StartDevice(0, 0, 0), 1);
    Feed(0x403C90);
    EXPECT_EQ(m_recording.TakeMessages(), (std::vector<uint32_t>{0x403C90}));
    ASSERT_EQ(wg.CloseDevice(0, 0, 0), 1);
    EXPECT_FALSE(In().isOpen());
    EXPECT_EQ(wg.GetDeviceState(0, 0, 0), CWGDevice::WG_CLOSED);
}

TEST_F(CMidiInTest, DriverFailuresAreReportedAndLeaveTheStateAsItWas)
{
    {
        std::lock_guard lock(g_notificationMutex);
        g_notifications.clear();
    }
    CWavegate& wg = Init();
    wg.SetNotificationCallback(&onNotify, 0);
    In().setOpenFailure(plat::media::kErrorAllocated);
    EXPECT_EQ(wg.OpenDevice(0, 0, 0), 0);
    EXPECT_EQ(wg.StartDevice(0, 0, 0), 0);
    EXPECT_EQ(wg.GetDeviceState(0, 0, 0), CWGDevice::WG_CLOSED);
    In().setOpenFailure(0);
    EXPECT_EQ(wg.StartDevice(0, 0, 0), 1);
    std::lock_guard lock(g_notificationMutex);
    const Notification opening{200, static_cast<uintptr_t>(plat::media::kErrorAllocated), 0};
    EXPECT_EQ(g_notifications, (std::vector<Notification>{opening, opening}));
}

namespace {

class CMidiInCapsTest : public WavegateTest {
protected:
    void SetUp() override { InstallBackend(1, 2); }
};

}  // namespace

TEST_F(CMidiInCapsTest, CapsComeFromThePortAndAMissingPortHasNone)
{
    CWavegate& wg = Init();
    ASSERT_EQ(wg.GetDeviceCount(0, 0), 2);
    WG_DevCaps caps;
    ASSERT_EQ(wg.GetDeviceCaps(0, 0, 1, &caps), 1);
    EXPECT_EQ(std::string(caps.name), "Memory MIDI In 2");
    EXPECT_EQ(caps.technology, 0);
    EXPECT_EQ(wg.GetDeviceCaps(0, 0, 2, &caps), 0);
    EXPECT_EQ(wg.GetDeviceCaps(0, 0, 0, nullptr), 0);
    EXPECT_EQ(CMidiIn::GetDeviceCaps(7, &caps), 0);
}
