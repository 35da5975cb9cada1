#include "WavegateTestSupport.h"

#include "platform/core/Event.h"
#include "platform/media/MediaError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace {

using Operation = plat::media::MemoryMidiOut::Operation;

// A C major scale at 120 beats per minute, one quarter note (500 ms) per key, starting at
// the first slice it is polled for. Each slice hands its note-ons before its note-offs,
// so the manager has to put the note-offs first. Odd notes end with a note-on of
// velocity 0. After the slice of the last note-off it answers 0.
struct ScaleScript {
    static constexpr uint8_t kKeys[8] = {60, 62, 64, 65, 67, 69, 71, 72};
    static constexpr uint32_t kNoteMs = 500;

    static int Proc(uintptr_t user, int tagOrCode, uint32_t from, uint32_t to)
    {
        auto* self = reinterpret_cast<ScaleScript*>(user);
        if (tagOrCode < 0)
            return 1;
        self->slices.emplace_back(from, to);
        if (self->slices.size() == 1)
            self->origin = from;
        CWGEventList list;
        for (uint32_t i = 0; i < 8; ++i) {
            const uint32_t on = self->origin + i * kNoteMs;
            if (on >= from && on < to)
                list.push_back(MidiEvent(on, 0x00640090u | uint32_t{kKeys[i]} << 8, self->device));
        }
        for (uint32_t i = 0; i < 8; ++i) {
            const uint32_t off = self->origin + (i + 1) * kNoteMs;
            const uint32_t status = i % 2 ? 0x90 : 0x80;
            if (off >= from && off < to)
                list.push_back(MidiEvent(off, status | uint32_t{kKeys[i]} << 8, self->device));
        }
        CWavegate::GetWavegate()->PlayBuffer(list);
        const uint32_t end = self->origin + 8 * kNoteMs;
        return end >= from && end < to ? 0 : 1;
    }

    int device = 0;
    uint32_t origin = 0;
    std::vector<std::pair<uint32_t, uint32_t>> slices;
};

// Counts polls and nothing else; thread-safe for reading from the test.
struct CountingScript {
    static int Proc(uintptr_t user, int tagOrCode, uint32_t from, uint32_t)
    {
        auto* self = reinterpret_cast<CountingScript*>(user);
        std::lock_guard lock(self->mutex);
        if (tagOrCode >= 0)
            self->froms.push_back(from);
        return 1;
    }
    std::vector<uint32_t> Froms()
    {
        std::lock_guard lock(mutex);
        return froms;
    }
    std::mutex mutex;
    std::vector<uint32_t> froms;
};

// A note-on or note-off every 10 ms from 200 to 1490 on output 0; the time travels in the
// message's velocity byte so that every event played can be told apart.
struct TenMsScript {
    static int Proc(uintptr_t, int tagOrCode, uint32_t from, uint32_t to)
    {
        if (tagOrCode < 0)
            return 1;
        CWGEventList list;
        for (uint32_t t = std::max(from, 200u); t < to && t < 1500; t += 10)
            list.push_back(MidiEvent(t, (t / 10 % 2 ? 0x3C80u : 0x3C90u) | (t / 10 % 128) << 16));
        CWavegate::GetWavegate()->PlayBuffer(list);
        return 1;
    }
};

// The notifications a manager sends, from whichever thread sends them.
struct NotificationLog {
    static void Proc(uintptr_t user, uint32_t code, uintptr_t p1, uintptr_t p2)
    {
        auto* self = reinterpret_cast<NotificationLog*>(user);
        std::lock_guard lock(self->mutex);
        self->entries.push_back({code, p1, p2});
    }
    std::vector<std::array<uintptr_t, 3>> Entries()
    {
        std::lock_guard lock(mutex);
        return entries;
    }
    std::mutex mutex;
    std::vector<std::array<uintptr_t, 3>> entries;
};

class PerformanceTest : public WavegateTest {
protected:
    int32_t Ahead(const CWavegate& wg) const
    {
        return static_cast<int32_t>(wg.GetBufferTime() - (m_timers->clock().nowMs() - wg.GetPlayStartTime()));
    }
};

}  // namespace

TEST_F(PerformanceTest, AScalePlaysOnTimeWithNoteOffsFirstAndThePrefetchKept)
{
    CWavegate& wg = Init();
    ScaleScript scale;
    const int tag = wg.StartPerformance(&ScaleScript::Proc, reinterpret_cast<uintptr_t>(&scale), 1, 0);
    EXPECT_EQ(tag, 2);
    EXPECT_EQ(wg.IsActive(), 1);
    ASSERT_EQ(wg.OpenDevices(), 1);
    EXPECT_EQ(wg.GetBufferTime(), 200u) << "the first slices are queued before the start";
    ASSERT_EQ(wg.StartDevices(), 1);
    ASSERT_EQ(wg.GetTimingDevice(), wg.GetDevice(0, 1, 0));

    CMidiOut& out = MidiOut(0);
    for (int slice = 0; slice < 48; ++slice) {
        Step(100);
        // The block playing and the prefetch count of blocks stay queued: the last slice
        // written starts the latency ahead of the sound.
        EXPECT_EQ(out.GetBuffersOut(), 3) << "slice " << slice;
        EXPECT_EQ(m_memory->midiOut(0).queuedBlocks(), 3u) << "slice " << slice;
        EXPECT_EQ(Ahead(wg), 300) << "slice " << slice;
    }

    // Polled from 200 until the slice of the last note-off, then dropped.
    ASSERT_EQ(scale.slices.size(), 41u);
    EXPECT_EQ(scale.slices.front(), (std::pair<uint32_t, uint32_t>{200, 300}));
    EXPECT_EQ(scale.slices.back(), (std::pair<uint32_t, uint32_t>{4200, 4300}));
    EXPECT_EQ(wg.IsActive(), 0);

    const auto played = m_memory->midiOut(0).played();
    ASSERT_EQ(played.size(), 16u);
    for (size_t i = 0; i < 8; ++i) {
        // Note i starts at 200 + 500 i; at each boundary the previous note ends first.
        const size_t on = i == 0 ? 0 : 2 * i;
        EXPECT_EQ(played[on].streamMs, 200 + 500 * i) << "note " << i;
        EXPECT_EQ(played[on].clockMs, kStartMs + 200 + 500 * i) << "note " << i;
        EXPECT_EQ(played[on].bytes, (std::vector<uint8_t>{0x90, ScaleScript::kKeys[i], 0x64})) << "note " << i;
        const size_t off = 2 * i + 1;
        EXPECT_EQ(played[off].streamMs, 700 + 500 * i) << "note " << i;
        EXPECT_EQ(played[off].bytes[1], ScaleScript::kKeys[i]) << "note " << i;
        EXPECT_EQ(played[off].bytes[0], i % 2 ? 0x90 : 0x80) << "note " << i;
    }
    EXPECT_TRUE(m_memory->midiOut(1).played().empty());
}

TEST_F(PerformanceTest, APlayThatStartsInsideAMillisecondKeepsThePlayClockToTheNanosecond)
{
    CWavegate& wg = Init();
    wg.StartPerformance(&TenMsScript::Proc, 0, 1, 0);
    ASSERT_EQ(wg.OpenDevices(), 1);
    // The play starts 0.4 ms into a millisecond; its start time is that whole millisecond,
    // and play time t is the start of millisecond start + t for every client.
    m_timers->manualClock().setNs(int64_t{kStartMs} * 1'000'000 + 400'000);
    ASSERT_EQ(wg.StartDevices(), 1);
    ASSERT_EQ(wg.GetPlayStartTime(), kStartMs);
    Step(600);

    const auto played = m_memory->midiOut(0).played();
    ASSERT_EQ(played.size(), 41u) << "200 to 600";
    for (const auto& event : played)
        EXPECT_EQ(event.clockNs, (int64_t{kStartMs} + event.streamMs) * 1'000'000) << "the event of " << event.streamMs;
    wg.StopDevices();
}

TEST_F(PerformanceTest, StopPerformanceRemovesOneTagOrEvery)
{
    CWavegate& wg = Init();
    CountingScript a, b, c;
    const int ta = wg.StartPerformance(&CountingScript::Proc, reinterpret_cast<uintptr_t>(&a), 1, 0);
    wg.StartPerformance(&CountingScript::Proc, reinterpret_cast<uintptr_t>(&b), 0, 40);
    wg.StartPerformance(&CountingScript::Proc, reinterpret_cast<uintptr_t>(&c), 1, 40);
    wg.StopPerformance(ta);
    EXPECT_EQ(wg.IsActive(), 1);
    wg.PollPerformances();
    EXPECT_TRUE(a.Froms().empty());
    EXPECT_EQ(b.Froms().size(), 1u);
    EXPECT_EQ(c.Froms().size(), 1u);
    wg.StopPerformance(40);
    EXPECT_EQ(wg.IsActive(), 0);
    wg.StartPerformance(&CountingScript::Proc, reinterpret_cast<uintptr_t>(&a), 1, 0);
    wg.StartPerformance(&CountingScript::Proc, reinterpret_cast<uintptr_t>(&b), 1, 0);
    wg.StopPerformance(-1);
    wg.PollPerformances();
    EXPECT_TRUE(a.Froms().empty());
    EXPECT_EQ(wg.IsActive(), 0);
}

TEST_F(PerformanceTest, ABlockThatCouldNotBeSentIsMadeUpAtTheNextReturn)
{
    CWavegate& wg = Init();
    CountingScript script;
    wg.StartPerformance(&CountingScript::Proc, reinterpret_cast<uintptr_t>(&script), 1, 0);
    wg.OpenDevices();
    ASSERT_EQ(wg.StartDevices(), 1);
    CMidiOut& out = MidiOut(0);
    Step(100);
    ASSERT_EQ(out.GetBuffersOut(), 3);

    m_memory->midiOut(0).setFailure(Operation::queue, plat::media::kErrorNoMemory);
    Step(100);
    EXPECT_EQ(out.GetBuffersOut(), 2) << "the slice polled at 200 was lost";
    m_memory->midiOut(0).setFailure(Operation::queue, plat::media::kOk);

    Step(100);
    EXPECT_EQ(out.GetBuffersOut(), 3) << "two polls at the next return";
    EXPECT_EQ(script.Froms(), (std::vector<uint32_t>{200, 300, 400, 500, 600}));
    Step(300);
    EXPECT_EQ(out.GetBuffersOut(), 3);
    EXPECT_EQ(script.Froms().size(), 8u) << "then one poll per returned block again";
}

TEST_F(PerformanceTest, ATimingDeviceThatCannotStartHandsTheClockToTheTicks)
{
    CWavegate& wg = Init();
    CountingScript script;
    wg.StartPerformance(&CountingScript::Proc, reinterpret_cast<uintptr_t>(&script), 1, 0);
    m_memory->midiOut(0).setFailure(Operation::restart, plat::media::kErrorNotReady);
    wg.OpenDevices();
    EXPECT_EQ(wg.StartDevices(), 1);
    EXPECT_EQ(wg.GetTimingDevice(), nullptr);
    EXPECT_EQ(wg.GetDeviceState(0, 1, 1) & CWGDevice::WG_STARTED, CWGDevice::WG_STARTED);
    Step(300);
    EXPECT_EQ(script.Froms(), (std::vector<uint32_t>{200, 300, 400, 500}));
    EXPECT_EQ(MidiOut(1).GetBuffersOut(), 3);
}

TEST_F(PerformanceTest, AfterAStalledPollTheOutputReturnsToItsTimelineAndTheUnderrunIsReported)
{
    CWavegate& wg = Init();
    NotificationLog notifications;
    wg.SetNotificationCallback(&NotificationLog::Proc, reinterpret_cast<uintptr_t>(&notifications));
    TenMsScript script;
    wg.StartPerformance(&TenMsScript::Proc, reinterpret_cast<uintptr_t>(&script), 1, 0);
    wg.OpenDevices();
    ASSERT_EQ(wg.StartDevices(), 1);
    Step(500);

    // The poll is held up for 400 ms, longer than the output is ahead: the stream runs dry.
    uint32_t lateFrom = 0;
    uint32_t stallEnd = 0;
    {
        std::lock_guard lock(wg.GetMainLock());
        lateFrom = wg.GetBufferTime();
        m_timers->advance(400);
        stallEnd = wg.GetElapsedPlayTime();
    }
    ASSERT_LT(lateFrom, stallEnd);
    Settle();
    // The slices written late play at once and come back at once; their returns are polled
    // before the clock moves on.
    m_timers->advance(0);
    Settle();
    Step(1100);

    // Each output reports its underrun once, from its own thread.
    auto reported = notifications.Entries();
    std::sort(reported.begin(), reported.end());
    const uintptr_t late = stallEnd - lateFrom;
    EXPECT_EQ(reported, (std::vector<std::array<uintptr_t, 3>>{{311, late, 0}, {311, late, 1}}))
        << "how late the first slice after the stall came, on each output";
    const auto played = m_memory->midiOut(0).played();
    ASSERT_EQ(played.size(), 130u) << "nothing lost";
    for (size_t i = 0; i < played.size(); ++i) {
        const uint32_t time = 200 + 10 * static_cast<uint32_t>(i);
        SCOPED_TRACE(testing::Message() << "event at " << time);
        EXPECT_EQ(played[i].bytes[2], time / 10 % 128);
        EXPECT_EQ(played[i].streamMs, time) << "the stream kept its timeline";
        // What the stall held up goes out as soon as it comes; everything after it on time.
        const uint32_t expected = time >= lateFrom && time < stallEnd ? stallEnd : time;
        EXPECT_EQ(played[i].clockMs, kStartMs + expected);
    }
}

namespace {

// Performances that log their calls and, on their first one, start or stop others.
struct Meddler {
    static int Proc(uintptr_t user, int tagOrCode, uint32_t, uint32_t)
    {
        auto* self = reinterpret_cast<Meddler*>(user);
        if (tagOrCode < 0)
            return 1;
        self->log->push_back(self->name);
        ++self->calls;
        if (self->calls == 1 && self->stops)
            CWavegate::GetWavegate()->StopPerformance(self->stops);
        if (self->calls == 1 && self->starts)
            CWavegate::GetWavegate()->StartPerformance(&Proc, reinterpret_cast<uintptr_t>(self->starts), 1, 0);
        return self->calls == self->lastCall ? 0 : 1;
    }
    const char* name;
    std::vector<std::string>* log;
    int stops = 0;                // a tag to stop at the first call
    Meddler* starts = nullptr;    // a performance to start at the first call
    int lastCall = 0;             // the call that answers 0
    int calls = 0;
};

}  // namespace

TEST_F(PerformanceTest, PerformancesMayStartAndStopOthersDuringAPoll)
{
    CWavegate& wg = Init();
    std::vector<std::string> log;
    Meddler started{"started", &log};
    Meddler first{"first", &log, 50, &started};
    Meddler ending{"ending", &log, 0, nullptr, 2};
    Meddler stopped{"stopped", &log};
    wg.StartPerformance(&Meddler::Proc, reinterpret_cast<uintptr_t>(&first), 1, 0);
    wg.StartPerformance(&Meddler::Proc, reinterpret_cast<uintptr_t>(&ending), 1, 0);
    wg.StartPerformance(&Meddler::Proc, reinterpret_cast<uintptr_t>(&stopped), 1, 50);
    for (int poll = 0; poll < 3; ++poll)
        ASSERT_TRUE(wg.PollPerformances());
    // A performance stopped during a poll is not called even in that poll; one started
    // during a poll joins at the next; one that answers 0 is not called again.
    EXPECT_EQ(log, (std::vector<std::string>{"first", "ending", "first", "ending", "started", "first", "started"}));
}

TEST_F(PerformanceTest, AStopFromAnotherThreadWaitsForTheRunningPollAndEndsThePerformance)
{
    CWavegate& wg = Init();
    struct Blocking {
        static int Proc(uintptr_t user, int tagOrCode, uint32_t, uint32_t)
        {
            auto* self = reinterpret_cast<Blocking*>(user);
            if (tagOrCode < 0)
                return 1;
            if (++self->calls == 1) {
                self->entered.set();
                self->release.wait(5000);
                self->finished = true;
            }
            return 1;
        }
        std::atomic<int> calls{0};
        std::atomic<bool> finished{false};
        plat::Event entered{true, false};
        plat::Event release{true, false};
    } blocking;
    const int tag = wg.StartPerformance(&Blocking::Proc, reinterpret_cast<uintptr_t>(&blocking), 1, 0);
    wg.OpenDevices();
    ASSERT_EQ(wg.StartDevices(), 1);
    m_timers->advance(100);   // the first block comes back: the timing device's thread polls
    ASSERT_EQ(blocking.entered.wait(5000), plat::Event::WaitResult::signalled);

    bool finishedWhenStopped = false;
    int callsWhenStopped = 0;
    std::thread stopper([&] {
        wg.StopPerformance(tag);
        finishedWhenStopped = blocking.finished;
        callsWhenStopped = blocking.calls;
    });
    blocking.release.set();
    stopper.join();
    EXPECT_TRUE(finishedWhenStopped);
    Settle();
    Step(500);
    EXPECT_EQ(blocking.calls, callsWhenStopped) << "never called after the stop returned";
    EXPECT_EQ(wg.IsActive(), 0);
}

class TickPerformanceTest : public PerformanceTest {
protected:
    void SetUp() override { InstallBackend(0, 0); }
};

TEST_F(TickPerformanceTest, WithoutMidiOutputsTheTicksPollAndCatchUpAfterAStall)
{
    CWavegate& wg = Init();
    CountingScript script;
    wg.StartPerformance(&CountingScript::Proc, reinterpret_cast<uintptr_t>(&script), 1, 0);
    wg.OpenDevices();
    ASSERT_EQ(wg.StartDevices(), 1);
    EXPECT_EQ(wg.GetTimingDevice(), nullptr);
    Step(300);
    EXPECT_EQ(script.Froms(), (std::vector<uint32_t>{200, 300, 400, 500}));
    EXPECT_EQ(Ahead(wg), 300);

    // The driver thread stalls for half a second: the ticks wait behind the lock.
    {
        std::lock_guard lock(wg.GetMainLock());
        m_timers->advance(500);
    }
    Settle();
    EXPECT_EQ(script.Froms().size(), 9u) << "the first tick after the stall polls five slices";
    EXPECT_EQ(Ahead(wg), 300);
    Step(100);
    EXPECT_EQ(script.Froms().size(), 10u);

    wg.StopDevices();
    Step(300);
    EXPECT_EQ(script.Froms().size(), 10u) << "no ticks after stop";
}

TEST_F(TickPerformanceTest, WithNothingToPollTheTicksRestAndAPerformanceWakesThemWhereTheyWouldStand)
{
    CWavegate& wg = Init();
    wg.OpenDevices();
    ASSERT_EQ(wg.StartDevices(), 1);
    ASSERT_EQ(wg.GetTimingDevice(), nullptr);
    Step(200);
    EXPECT_EQ(m_timers->activeTimers(), 0u) << "no timer while nobody is polled";
    // At rest the buffer time stands where the ticks would have taken it: a latency and a
    // slice ahead, on the slices' grid.
    for (const uint32_t ms : {370u, 1000u, 50u}) {
        m_timers->advance(ms);
        Settle();
        EXPECT_GE(Ahead(wg), 300) << ms;
        EXPECT_LT(Ahead(wg), 400) << ms;
        EXPECT_EQ(wg.GetBufferTime() % 100, 0u) << ms;
    }

    // A performance brings the ticks back: it is polled from that buffer time on, slice after
    // slice, and the buffer time stays ahead as before.
    const uint32_t resumed = wg.GetBufferTime();
    CountingScript script;
    const int tag = wg.StartPerformance(&CountingScript::Proc, reinterpret_cast<uintptr_t>(&script), 1, 0);
    EXPECT_EQ(m_timers->activeTimers(), 1u);
    Step(300);
    const std::vector<uint32_t> froms = script.Froms();
    ASSERT_GE(froms.size(), 3u);
    for (size_t i = 0; i < froms.size(); ++i)
        EXPECT_EQ(froms[i], resumed + 100 * i);
    EXPECT_GE(Ahead(wg), 300);
    EXPECT_LT(Ahead(wg), 400);

    // Once it has gone, the ticks rest again; a stop and a start begin anew.
    wg.StopPerformance(tag);
    Step(200);
    EXPECT_EQ(m_timers->activeTimers(), 0u);
    wg.StopDevices();
    ASSERT_EQ(wg.StartDevices(), 1);
    EXPECT_EQ(wg.GetBufferTime(), 0u);
    EXPECT_EQ(m_timers->activeTimers(), 1u);
}
