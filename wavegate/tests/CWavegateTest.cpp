#include "WavegateTestSupport.h"

#include "platform/media/MediaError.h"
#include "platform/media/ThreadPriority.h"

#include <gtest/gtest.h>

#include <sched.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <future>
#include <stdexcept>
#include <string>

namespace {

using Played = plat::media::MemoryMidiOut::Played;

std::vector<uint32_t> timesOf(const CWGEventList& list)
{
    std::vector<uint32_t> out;
    for (const auto& e : list)
        out.push_back(e->time);
    return out;
}

std::vector<uint32_t> messagesOf(const CWGEventList& list)
{
    std::vector<uint32_t> out;
    for (const auto& e : list)
        out.push_back(static_cast<uint32_t>(e->data));
    return out;
}

// How many of this process's device threads run at a raised (real-time) priority.
int raisedDeviceThreads()
{
    int raised = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        if (name == "CWGDevice" && sched_getscheduler(std::stoi(task.path().filename().string())) != SCHED_OTHER)
            ++raised;
    }
    return raised;
}

struct Notification {
    uint32_t code;
    uintptr_t p1, p2;
};
std::vector<Notification> g_notifications;
void onNotify(uintptr_t, uint32_t code, uintptr_t p1, uintptr_t p2)
{
    g_notifications.push_back({code, p1, p2});
}

}  // namespace

TEST(CWavegateMergeTest, NoteOffsGoBeforeEqualTimesAndOtherEventsAfter)
{
    struct Case {
        const char* what;
        std::vector<std::pair<uint32_t, uint32_t>> existing;   // time, message
        std::pair<uint32_t, uint32_t> added;
        std::vector<uint32_t> order;                           // messages afterwards
    };
    const Case cases[] = {
        {"a note-off filed after a note-on of equal time comes first",
         {{0, 0x10B0}, {100, 0x403C90}}, {100, 0x3C80}, {0x10B0, 0x3C80, 0x403C90}},
        {"a note-on of velocity 0 counts as a note-off",
         {{100, 0x403E90}}, {100, 0x3C90}, {0x3C90, 0x403E90}},
        {"a controller goes after the controllers of equal time",
         {{100, 0x10B0}, {100, 0x20B0}}, {100, 0x30B0}, {0x10B0, 0x20B0, 0x30B0}},
        {"a note-off goes after a note-off of lower time",
         {{50, 0x3C80}, {100, 0x3E80}}, {100, 0x4080}, {0x3C80, 0x4080, 0x3E80}},
        {"an event earlier than all becomes the head",
         {{50, 0x10B0}}, {10, 0x403C90}, {0x403C90, 0x10B0}},
        {"a note-off earlier than all becomes the head",
         {{50, 0x10B0}}, {50, 0x3C80}, {0x3C80, 0x10B0}},
        {"an empty list", {}, {70, 0x10B0}, {0x10B0}},
    };
    for (const Case& c : cases) {
        CWGEventList list;
        for (const auto& [time, msg] : c.existing)
            list.push_back(MidiEvent(time, msg));
        CWavegate::MergeData(MidiEvent(c.added.first, c.added.second), list);
        EXPECT_EQ(messagesOf(list), c.order) << c.what;
        const auto times = timesOf(list);
        EXPECT_TRUE(std::is_sorted(times.begin(), times.end())) << c.what;
    }
}

class CWavegateManagerTest : public WavegateTest {};

TEST_F(CWavegateManagerTest, WithoutFlagsThereAreNoDevicesAndEveryOperationAnswersZero)
{
    CWavegate& wg = Init(0);
    for (int type = -1; type <= 2; ++type)
        for (int direction = -1; direction <= 2; ++direction) {
            EXPECT_EQ(wg.GetDeviceCount(type, direction), 0);
            EXPECT_EQ(wg.GetDevice(type, direction, 0), nullptr);
            EXPECT_EQ(wg.OpenDevice(type, direction, 0), 0);
            EXPECT_EQ(wg.StartDevice(type, direction, 0), 0);
            EXPECT_EQ(wg.CloseDevice(type, direction, 0), 0);
            EXPECT_EQ(wg.GetDeviceState(type, direction, 0), 0u);
            EXPECT_EQ(wg.GetDeviceFormat(type, direction, 0), nullptr);
            EXPECT_EQ(wg.IsDeviceEnabled(type, direction, CWavegate::WG_ALL_DEVICES), 0);
        }
    WG_DevCaps caps;
    EXPECT_EQ(wg.GetDeviceCaps(0, 1, 0, &caps), 0);
    EXPECT_EQ(wg.IsActive(), 0);
}

TEST_F(CWavegateManagerTest, DevicesComeFromTheBackendOnceAndTheInstanceIsShared)
{
    CWavegate& wg = Init();
    EXPECT_THROW(CWavegate(), std::logic_error) << "one manager at a time";
    EXPECT_EQ(CWavegate::GetWavegate(), &wg);
    EXPECT_EQ(InitWavegate(), 0);
    EXPECT_EQ(wg.GetDeviceCount(0, 1), 2);
    EXPECT_EQ(wg.GetDeviceCount(0, 0), 1);
    EXPECT_EQ(wg.GetDeviceCount(1, 1), 0) << "wave devices only with flag 2";
    CWGDevice* first = wg.GetDevice(0, 1, 0);
    EXPECT_EQ(wg.Initialize(CWavegate::WG_INIT_MIDI), 1);
    EXPECT_EQ(wg.GetDevice(0, 1, 0), first) << "a second Initialize makes nothing";
    EXPECT_EQ(wg.GetDevice(0, 1, -1), nullptr);
    EXPECT_EQ(wg.GetDevice(0, 1, 2), nullptr);
    EXPECT_EQ(wg.GetDeviceState(0, 1, 1), CWGDevice::WG_CLOSED);
    WG_DevCaps caps;
    EXPECT_EQ(wg.GetDeviceCaps(0, 1, 1, &caps), 1);
    EXPECT_STREQ(caps.name, "Memory MIDI Out 2");
    EXPECT_EQ(wg.GetDeviceCaps(0, 1, 1, nullptr), 0);
    Exit();
    EXPECT_EQ(CWavegate::GetWavegate(), nullptr);
}

TEST_F(CWavegateManagerTest, SettingsAndTags)
{
    CWavegate& wg = Init();
    EXPECT_EQ(wg.GetUniqueTag(), 2);
    EXPECT_EQ(wg.GetUniqueTag(), 3);
    EXPECT_EQ(wg.GetPerformanceGranularity(), 100u);

    const std::pair<int, std::pair<int, uint32_t>> prefetch[] = {{1, {2, 200}}, {5, {5, 500}}, {-3, {2, 200}}, {2, {2, 200}}};
    for (const auto& [asked, expected] : prefetch) {
        wg.SetPrefetchBufferCount(asked);
        EXPECT_EQ(wg.GetPrefetchBufferCount(), expected.first) << asked;
        EXPECT_EQ(wg.GetPerformanceLatency(), expected.second) << asked;
    }

    wg.ConnectMidiThru(1, 5);
    wg.ConnectMidiThru(2, 0);     // no such output
    wg.ConnectMidiThru(0, 16);    // no such channel
    EXPECT_EQ(wg.GetMidiThruDevice(), 1);
    EXPECT_EQ(wg.GetMidiThruChannel(), 5);
    wg.ConnectMidiThru(0, -1);
    EXPECT_EQ(wg.GetMidiThruChannel(), -1);
}

TEST_F(CWavegateManagerTest, DisablingEveryOutputClosesThem)
{
    CWavegate& wg = Init();
    wg.OpenDevices();
    EXPECT_EQ(wg.GetDeviceState(0, 1, 0), CWGDevice::WG_OPEN);
    wg.EnableDevice(0, 1, CWavegate::WG_ALL_DEVICES, 0);
    EXPECT_EQ(wg.IsDeviceEnabled(0, 1, CWavegate::WG_ALL_DEVICES), 0);
    EXPECT_EQ(wg.GetDeviceState(0, 1, 1), CWGDevice::WG_CLOSED | CWGDevice::WG_DISABLED);
    EXPECT_FALSE(m_memory->midiOut(0).isOpen());
    EXPECT_EQ(wg.OpenDevice(0, 1, 0), 0);
    wg.EnableDevice(0, 1, 1, 1);
    EXPECT_EQ(wg.IsDeviceEnabled(0, 1, CWavegate::WG_ALL_DEVICES), 1);
    EXPECT_EQ(wg.IsDeviceEnabled(0, 1, 0), 0);
}

TEST_F(CWavegateManagerTest, FormatForEveryDeviceAnswersOneOnlyWhenAllTakeIt)
{
    CWavegate& wg = Init();
    WG_DevFormat format;
    CWGDevice::FillFormat(&format, 9);
    EXPECT_EQ(wg.SetDeviceFormat(0, 1, CWavegate::WG_ALL_DEVICES, &format), 1);
    ASSERT_NE(wg.GetDeviceFormat(0, 1, 1), nullptr);
    EXPECT_EQ(wg.GetDeviceFormat(0, 1, 1)->samplesPerSec, 22050u);
    EXPECT_EQ(wg.SetDeviceFormat(0, 1, CWavegate::WG_ALL_DEVICES, nullptr), 0);
    EXPECT_EQ(wg.SetDeviceFormat(1, 1, CWavegate::WG_ALL_DEVICES, &format), 1) << "no wave outputs";
    EXPECT_EQ(wg.SetDeviceFormat(0, 1, 5, &format), 0);
}

TEST_F(CWavegateManagerTest, DefaultDeviceModeRoutesImmediateAndQueuedSends)
{
    CWavegate& wg = Init();
    wg.OpenDevices();
    wg.SetDefaultMidiDevice(1);
    wg.EnableDefaultMidiDevice(1);
    wg.SendMidiMsg(0, 0x403C90, 0);
    EXPECT_TRUE(m_memory->midiOut(0).played().empty());
    ASSERT_EQ(m_memory->midiOut(1).played().size(), 1u);
    EXPECT_TRUE(m_memory->midiOut(1).played()[0].immediate);

    const uint8_t sysex[] = {0xF0, 0x7E, 0xF7};
    wg.SendSysExMsg(0, sysex, 3, 0);
    EXPECT_EQ(m_memory->midiOut(1).played().size(), 2u) << "an immediate system-exclusive message goes out";
}

TEST_F(CWavegateManagerTest, QueuedSendsGoOutAtTheStartOfTheNextSlice)
{
    CWavegate& wg = Init();
    wg.OpenDevices();           // bufferTime 200
    ASSERT_EQ(wg.StartDevices(), 1);
    wg.SendMidiMsg(1, 0x0007B0, 1);
    const uint8_t sysex[] = {0xF0, 0x7E, 0xF7};
    wg.SendSysExMsg(1, sysex, 3, 1);
    wg.SendMidiNote(1, 0x403C90, 0x3C80, 150, 1);
    wg.SendMidiMsg(7, 0x0007B0, 1);   // no such output: nothing
    Step(400);
    const auto played = m_memory->midiOut(1).played();
    ASSERT_EQ(played.size(), 4u);
    EXPECT_EQ(played[0].bytes, (std::vector<uint8_t>{0x90, 0x3C, 0x40})) << "sends go to the head";
    EXPECT_EQ(played[1].bytes, (std::vector<uint8_t>{0xF0, 0x7E, 0xF7}));
    EXPECT_EQ(played[2].bytes, (std::vector<uint8_t>{0xB0, 0x07, 0x00}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(played[static_cast<size_t>(i)].streamMs, 200u);
    EXPECT_EQ(played[3].bytes, (std::vector<uint8_t>{0x80, 0x3C, 0x00}));
    EXPECT_EQ(played[3].streamMs, 350u);
}

TEST_F(CWavegateManagerTest, PanicSilencesEveryChannelOfEveryOutput)
{
    CWavegate& wg = Init();
    wg.OpenDevices();
    wg.OnPanicButton();
    for (int device = 0; device < 2; ++device) {
        const auto played = m_memory->midiOut(device).played();
        ASSERT_EQ(played.size(), 16u * 130u + 1u);
        EXPECT_EQ(played[0].bytes, (std::vector<uint8_t>{0x90, 0, 0}));
        EXPECT_EQ(played[128].bytes, (std::vector<uint8_t>{0xB0, 121, 0}));
        EXPECT_EQ(played[129].bytes, (std::vector<uint8_t>{0xB0, 123, 0}));
        EXPECT_EQ(played[15 * 130 + 127].bytes, (std::vector<uint8_t>{0x9F, 127, 0}));
        EXPECT_EQ(played.back().bytes, (std::vector<uint8_t>{0xFF}));
    }
}

TEST_F(CWavegateManagerTest, DelayedStart)
{
    CWavegate& wg = Init();
    wg.OpenDevice(0, 1, 0);
    wg.OpenDevice(0, 1, 1);
    EXPECT_EQ(wg.DelayStart(0, 1, 0, 9), 0u);
    EXPECT_EQ(wg.GetDeviceState(0, 1, 0) & CWGDevice::WG_STARTED, CWGDevice::WG_STARTED);

    const uint32_t id = wg.DelayStart(0, 1, 1, 10);
    EXPECT_NE(id, 0u);
    Step(9, 1);
    EXPECT_EQ(wg.GetDeviceState(0, 1, 1) & CWGDevice::WG_STARTED, 0u);
    Step(1, 1);
    EXPECT_EQ(wg.GetDeviceState(0, 1, 1) & CWGDevice::WG_STARTED, CWGDevice::WG_STARTED);

    wg.StopDevice(0, 1, 1);
    const uint32_t cancelled = wg.DelayStart(0, 1, 1, 50);
    wg.StopDelay(cancelled + 1);   // not the pending timer: kept
    wg.StopDelay(cancelled);
    Step(100);
    EXPECT_EQ(wg.GetDeviceState(0, 1, 1) & CWGDevice::WG_STARTED, 0u);
}

TEST_F(CWavegateManagerTest, TheTimingDeviceIsTheFirstOpenOutput)
{
    CWavegate& wg = Init();
    wg.EnableDevice(0, 1, 0, 0);
    wg.OpenDevices();
    ASSERT_EQ(wg.StartDevices(), 1);
    EXPECT_EQ(wg.GetTimingDevice(), wg.GetDevice(0, 1, 1));
    EXPECT_EQ(wg.GetTimingDeviceNum(), 1);
    EXPECT_EQ(wg.GetPlayStartTime(), kStartMs);
    EXPECT_EQ(wg.GetRecordStartTime(), kStartMs);
    wg.CloseDevice(0, 1, 1);
    EXPECT_EQ(wg.GetTimingDevice(), nullptr);
    wg.StopDevices();
    EXPECT_EQ(wg.GetPlayStartTime(), 0u);
    EXPECT_EQ(wg.GetBufferTime(), 0u);
}

TEST_F(CWavegateManagerTest, TheTimingDeviceThreadIsRaisedOnlyWhileItDrivesTheClock)
{
    using plat::media::ThreadPriority;
    const bool allowed = std::async(std::launch::async, [] { return ThreadPriority::set(ThreadPriority::Level::polling); }).get();
    if (!allowed)
        GTEST_SKIP() << "real-time scheduling is refused here";
    CWavegate& wg = Init();
    wg.OpenDevices();
    ASSERT_EQ(wg.StartDevices(), 1);
    Settle();
    EXPECT_EQ(raisedDeviceThreads(), 1);
    wg.StopDevices();
    Settle();
    EXPECT_EQ(raisedDeviceThreads(), 0) << "lowered again at stop";

    ASSERT_EQ(wg.StartDevices(), 1);
    Settle();
    EXPECT_EQ(raisedDeviceThreads(), 1);
    wg.CloseDevice(0, 1, wg.GetTimingDeviceNum());
    Settle();
    EXPECT_EQ(raisedDeviceThreads(), 0) << "and when it closes";
}

TEST_F(CWavegateManagerTest, ADeviceFailureReachesTheRegisteredCallback)
{
    g_notifications.clear();
    CWavegate& wg = Init();
    wg.SetNotificationCallback(&onNotify, 0);
    m_memory->midiOut(1).setFailure(plat::media::MemoryMidiOut::Operation::open, plat::media::kErrorAllocated);
    EXPECT_EQ(wg.OpenDevices(), 1) << "output 0 opened";
    ASSERT_EQ(g_notifications.size(), 1u);
    EXPECT_EQ(g_notifications[0].code, 300u);
    EXPECT_EQ(g_notifications[0].p1, static_cast<uintptr_t>(plat::media::kErrorAllocated));
    EXPECT_EQ(g_notifications[0].p2, 1u);
    EXPECT_EQ(wg.GetDeviceState(0, 1, 1), CWGDevice::WG_CLOSED);
}

TEST_F(CWavegateManagerTest, PlayBufferFilesEachTypeIntoItsOutput)
{
    struct Case {
        const char* what;
        int type;
        int device;
        bool defaultMode;
        std::vector<size_t> playedPerOutput;   // events recorded on outputs 0 and 1
    };
    const Case cases[] = {
        {"short message to its device", 1, 1, false, {0, 1}},
        {"short message in default mode", 1, 1, true, {1, 0}},
        {"short message to no device", 1, 5, false, {0, 0}},
        {"system-exclusive to every output", 2, 1, false, {1, 1}},
        {"system-exclusive in default mode", 2, 1, true, {1, 0}},
        {"system-exclusive to no device", 2, -1, false, {0, 0}},
        {"wave parameters without wave outputs", 3, 0, false, {0, 0}},
        {"wave buffer", 4, 0, false, {0, 0}},
        {"file meta", 6, 1, false, {0, 0}},
    };
    for (const Case& c : cases) {
        CWavegate& wg = Init();
        wg.SetDefaultMidiDevice(0);
        wg.EnableDefaultMidiDevice(c.defaultMode);
        wg.OpenDevices();
        ASSERT_EQ(wg.StartDevices(), 1);
        CWGEventList list;
        auto event = std::make_unique<CWGEventData>();
        const uint8_t sysex[] = {0xF0, 0x01, 0xF7};
        switch (c.type) {
        case 1: event->SetMidiData(0x403C90); break;
        case 2: event->SetSysExData(sysex, 3); break;
        case 3: event->SetWaveData(new WG_WaveParams{}); break;
        case 4: event->SetWaveHeader(nullptr); break;
        case 6: event->SetFileMeta(3); break;
        }
        event->device = c.device;
        event->time = 230;
        list.push_back(std::move(event));
        wg.PlayBuffer(list);
        EXPECT_TRUE(list.empty()) << c.what;
        Step(400, 50);
        for (int out = 0; out < 2; ++out) {
            const auto played = m_memory->midiOut(out).takePlayed();
            EXPECT_EQ(played.size(), c.playedPerOutput[static_cast<size_t>(out)]) << c.what << ", output " << out;
            for (const auto& p : played)
                EXPECT_EQ(p.streamMs, 230u) << c.what;
        }
        Exit();
    }
}

namespace {

struct RecordingLog {
    static int Proc(uintptr_t user, int tag, CWGEventData* event)
    {
        auto* self = reinterpret_cast<RecordingLog*>(user);
        self->seen.emplace_back(tag, static_cast<uint32_t>(event->data));
        if (self->stopSelf)
            CWavegate::GetWavegate()->StopRecording(tag);
        if (self->stopOther) {
            CWavegate::GetWavegate()->StopRecording(self->stopOther);
            self->stopOther = 0;
        }
        if (self->start) {
            self->startedTag = CWavegate::GetWavegate()->StartRecording(&Proc, reinterpret_cast<uintptr_t>(self->start), 1);
            self->start = nullptr;
        }
        return 1;
    }
    std::vector<std::pair<int, uint32_t>> seen;
    bool stopSelf = false;
    int stopOther = 0;
    RecordingLog* start = nullptr;
    int startedTag = 0;
};

}  // namespace

TEST_F(CWavegateManagerTest, RecordedDataReachesEveryRecordingInOrder)
{
    CWavegate& wg = Init();
    RecordingLog first, second;
    second.stopSelf = true;
    const int a = wg.StartRecording(&RecordingLog::Proc, reinterpret_cast<uintptr_t>(&first), 0);
    const int b = wg.StartRecording(&RecordingLog::Proc, reinterpret_cast<uintptr_t>(&second), 1);
    EXPECT_EQ(wg.IsActive(), 1);
    const auto event = MidiEvent(5, 0x403C90);
    wg.ForwardRecordedData(event.get());
    wg.ForwardRecordedData(event.get());
    EXPECT_EQ(first.seen, (std::vector<std::pair<int, uint32_t>>{{a, 0x403C90}, {a, 0x403C90}}));
    EXPECT_EQ(second.seen, (std::vector<std::pair<int, uint32_t>>{{b, 0x403C90}})) << "it ended itself in its first call";
    EXPECT_EQ(wg.IsActive(), 0) << "the remaining recording is not active";
    wg.StopRecording(a);
    wg.ForwardRecordedData(event.get());
    EXPECT_EQ(first.seen.size(), 2u);
}

TEST_F(CWavegateManagerTest, ARecordingMayStartAndStopOthersWhileDataIsForwarded)
{
    CWavegate& wg = Init();
    RecordingLog meddler, stopped, started;
    meddler.start = &started;
    const int a = wg.StartRecording(&RecordingLog::Proc, reinterpret_cast<uintptr_t>(&meddler), 1);
    const int b = wg.StartRecording(&RecordingLog::Proc, reinterpret_cast<uintptr_t>(&stopped), 1);
    meddler.stopOther = b;
    const auto event = MidiEvent(5, 0x403C90);
    wg.ForwardRecordedData(event.get());
    EXPECT_EQ(meddler.seen.size(), 1u);
    EXPECT_TRUE(stopped.seen.empty()) << "stopped before its turn came";
    EXPECT_TRUE(started.seen.empty()) << "started during the call: it joins at the next";
    wg.ForwardRecordedData(event.get());
    EXPECT_EQ(meddler.seen.size(), 2u);
    EXPECT_TRUE(stopped.seen.empty());
    EXPECT_EQ(started.seen, (std::vector<std::pair<int, uint32_t>>{{meddler.startedTag, 0x403C90}}));
    EXPECT_NE(meddler.startedTag, a);
}
