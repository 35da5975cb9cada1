#include "sequencer/tests/SequencerTestSupport.h"

#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/ECSystemMessage.h"
#include "notabase/states/SCTime.h"
#include "platform/core/RecursiveLock.h"
#include "sequencer/data/DCsqSysMsg.h"
#include "sequencer/layers/LCsqPreferences.h"
#include "sequencer/states/SCMaster.h"
#include "sequencer/states/SCPerform.h"
#include "sequencer/transport/CSequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kPlayMask = CSequence::kPlayStates;

// A sequence of a piece of 4/4 bars at 120 beats per minute (two quarter notes a second)
// with the device manager over memory outputs on the manual clock. Every named lock taken out
// of order is recorded, and none may be.
class TransportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousHandler = plat::RecursiveLock::setViolationHandler([this](const plat::RecursiveLock& held, const plat::RecursiveLock& taken) {
            const std::lock_guard lock(m_breachMutex);
            m_breaches.push_back(std::string(taken.name()) + " while " + held.name());
        });
        m_piece.AddStaves(2);
        m_piece.AddBarsUpTo(64.0f);
        SetTempo(0.0f, 120.0f);
        NewSequence();
    }
    void TearDown() override
    {
        m_sequence.reset();
        // The states still on their way belong to the state manager until delivered.
        plat::MessageLoop::current().pump();
        plat::RecursiveLock::setViolationHandler(m_previousHandler);
        EXPECT_TRUE(m_breaches.empty()) << "lock order broken: " << m_breaches.front();
    }

    void SetTempo(float time, float bpm)
    {
        auto* tempo = new ECTempo;
        MCTime at(time);
        tempo->SetTime(&at);
        tempo->SetTempo(bpm, 1.0f);
        tempo->SetStyle(ECEnvPoint::styleStep);
        m_piece.ConductorStaff()->GetTempoEnv()->AddChild(tempo, 1);
    }

    void NewSequence()
    {
        m_sequence.reset();
        m_sequence = std::make_unique<CSequence>();
        m_sequence->Attach(m_piece.Performance());
        m_sequence->CheckDataIntegrity();
        m_sequence->EnableAutoStop(m_autoStop);
    }

    CSequence& Seq() { return *m_sequence; }
    // Opens and starts the devices and runs them until their queues are full, so that from then
    // on each block played brings one slice.
    void StartDevices()
    {
        m_devices.Start();
        m_devices.Step(500);
    }
    uint32_t PlayState() const { return m_sequence->GetState() & kPlayMask; }
    void Slice(int count = 1) { m_devices.Step(100 * static_cast<uint32_t>(count)); }

    // Runs an action that waits for the callback while another thread moves the clock.
    void WhileTheClockRuns(const std::function<void()>& action)
    {
        std::atomic<bool> done{false};
        std::thread clock([&] {
            while (!done)
                m_devices.Step(10);
        });
        action();
        done = true;
        clock.join();
        m_devices.Settle();
    }

    // Brings the transport to rest and checks that nothing of it stays with the device manager.
    void Rest()
    {
        WhileTheClockRuns([this] { Seq().Stop(1); });
        Slice();
        EXPECT_EQ(PlayState(), CSequence::stateStopped);
        EXPECT_EQ(m_devices.Wavegate().IsActive(), 0);
    }

    struct Window {
        float begin;
        float end;
        float location;
        bool operator==(const Window&) const = default;
    };
    Window CurrentWindow()
    {
        const std::lock_guard lock(Seq().GetLock());
        return {Seq().GetCurrentWindowBegin().GetSeconds(), Seq().GetCurrentWindowEnd().GetSeconds(), Seq().GetLocation().GetSeconds()};
    }

    // The windows of the next slices, each as its slice left it: the clock moves 10 ms at a time
    // and a window is noted whenever it changed.
    std::vector<Window> NextSlices(size_t count)
    {
        std::vector<Window> windows;
        Window last = CurrentWindow();
        for (int step = 0; step < 1000 && windows.size() < count; ++step) {
            m_devices.Step(10);
            const Window now = CurrentWindow();
            if (!(now == last))
                windows.push_back(now);
            last = now;
        }
        return windows;
    }

    SequencerEnvironment m_environment;
    MemoryDevices m_devices;
    Piece m_piece;
    StateLog m_states{m_piece.Performance()};
    std::unique_ptr<CSequence> m_sequence;
    // Off unless a test plays to the last note: the piece plays on to its last bar.
    int m_autoStop = 0;
    std::mutex m_breachMutex;
    std::vector<std::string> m_breaches;

private:
    plat::RecursiveLock::ViolationHandler m_previousHandler;
};

TEST_F(TransportTest, ANewSequenceHasItsDefaults)
{
    CSequence fresh;
    EXPECT_EQ(fresh.GetState(), 0x1001u);
    EXPECT_EQ(fresh.GetOptions(), 0x181083u);
    EXPECT_EQ(fresh.GetNumLeadInMeasures(), 2);
    EXPECT_EQ(fresh.GetFastSpeed(), 4.0f);
    EXPECT_EQ(fresh.GetUserSpeed(), 1.0f);
    EXPECT_EQ(fresh.GetScoreSpeed(), 1.0f);
    EXPECT_EQ(fresh.GetActualSpeed(), 1.0f);
    EXPECT_EQ(fresh.GetMasterGain(), 1.0f);
    EXPECT_EQ(fresh.GetStepPlayThreshold(), MCTime(0.1f));
    EXPECT_EQ(fresh.GetLocation(), MCTime::TimeNull());
    EXPECT_EQ(fresh.GetPerformance(), nullptr);
    EXPECT_EQ(fresh.GetPerformTag(), 0);

    // Stop on a sequence at rest returns at once and leaves step mode.
    fresh.Step();
    EXPECT_EQ(fresh.GetStepMode(), 1);
    fresh.Step();
    EXPECT_EQ(fresh.GetStepMode(), 0);
    fresh.Step();
    fresh.Stop(1);
    EXPECT_EQ(fresh.GetStepMode(), 0);
    EXPECT_EQ(fresh.GetState(), 0x1001u);

    // Speeds of 0, below 0 and not a number become 0.1; lead-in measures at least 1.
    for (const float bad : {0.0f, -2.0f, std::numeric_limits<float>::quiet_NaN()}) {
        fresh.SetUserSpeed(bad);
        fresh.SetScoreSpeed(bad);
        fresh.SetFastSpeed(bad);
        EXPECT_EQ(fresh.GetUserSpeed(), 0.1f);
        EXPECT_EQ(fresh.GetScoreSpeed(), 0.1f);
        EXPECT_EQ(fresh.GetFastSpeed(), 0.1f);
    }
    fresh.SetNumLeadInMeasures(0);
    EXPECT_EQ(fresh.GetNumLeadInMeasures(), 1);
    plat::MessageLoop::current().pump();
}

TEST_F(TransportTest, AttachWiresEveryMemberAndDetachLetsGo)
{
    EXPECT_EQ(Seq().GetPerformance(), m_piece.Performance());
    EXPECT_EQ(Seq().GetConductor(), m_piece.Conductor());
    const std::vector<CSequence*> members = {
        Seq().GetPlayer().GetSequence(),        Seq().GetMetronome().GetSequence(),  Seq().GetMidiRecorder().GetSequence(),
        Seq().GetWaveRecorder().GetSequence(),  Seq().GetMidiScoreMgr().GetSequence(), Seq().GetWaveScoreMgr().GetSequence(),
        Seq().GetMeterLevelMgr().GetSequence(), Seq().GetHighlightMgr().GetSequence(), Seq().GetWavePrefetchMgr().GetSequence(),
    };
    for (CSequence* member : members)
        EXPECT_EQ(member, &Seq());
    m_piece.AddNote(1, 1.0f, 1.0f, 60);
    Seq().CheckDataIntegrity();
    ASSERT_NE(Seq().GetHead(), nullptr);
    Seq().Detach();
    EXPECT_EQ(Seq().GetPerformance(), nullptr);
    EXPECT_EQ(Seq().GetConductor(), nullptr);
    EXPECT_EQ(Seq().GetHead(), nullptr);
    EXPECT_EQ(Seq().GetTail(), nullptr);
    EXPECT_EQ(Seq().GetPlayPosition(), nullptr);
    EXPECT_EQ(Seq().GetPlayer().GetSequence(), nullptr);
    EXPECT_EQ(Seq().GetWavePrefetchMgr().GetSequence(), nullptr);
}

TEST(TransportAttachTest, ThePiecesMapsAreMadeWhenAttachedNeverInTheCallback)
{
    // The callback reads the tempo and meter maps on the driver thread; a missing one would be
    // made there by a command. Attaching makes them first.
    SequencerEnvironment environment;
    Piece piece;
    const auto maps = [&piece] {
        int found = 0;
        for (ECBase* child : *piece.Conductor()->GetChildren())
            if (child->GetEventId() == EventId::ConductorStaff)
                for (ECBase* map : *child->GetChildren())
                    found += map->GetEventId() == EventId::TempoEnv || map->GetEventId() == EventId::MeterEnv;
        return found;
    };
    EXPECT_EQ(maps(), 0);
    CSequence sequence;
    sequence.Attach(piece.Performance());
    EXPECT_EQ(maps(), 2);
}

TEST_F(TransportTest, TimesConvertBetweenTheirModes)
{
    auto* meter = new ECMeter(4, 4, 0);
    MCTime zero(0.0f);
    meter->SetTime(&zero);
    m_piece.ConductorStaff()->GetMeterEnv()->AddChild(meter, 1);
    StartDevices();
    Seq().SetLocation(MCTime(1.0f));
    Seq().Play();
    Slice(3);
    MCTime window;
    {
        const std::lock_guard lock(Seq().GetLock());
        window = Seq().GetCurrentWindowBegin();
    }
    // Performance time and musical time map onto each other through the window's reference.
    MCTime back = window;
    Seq().AbsoluteTime(back);
    EXPECT_EQ(back.GetMode(), MCTime::absolute);
    MCTime later(back.GetSeconds() + 0.5f);
    later.SetMode(MCTime::absolute);
    Seq().NormalizeTime(later);
    EXPECT_EQ(later.GetMode(), MCTime::normal);
    EXPECT_NEAR(later.GetSeconds(), window.GetSeconds() + 1.0f, 1e-4) << "two quarter notes a second";
    Seq().NormalizeTime(back);
    EXPECT_NEAR(back.GetSeconds(), window.GetSeconds(), 1e-4);
    // Clock seconds along the tempo map, and bars of 4/4 counted from 0 (bar 2 begins at 8.0).
    MCTime clock(3.0f);
    clock.SetMode(MCTime::clock);
    Seq().NormalizeTime(clock);
    EXPECT_NEAR(clock.GetSeconds(), 6.0f, 1e-4);
    MCTime bar(2, 0, 0, 480);
    Seq().NormalizeTime(bar);
    EXPECT_EQ(bar.GetMode(), MCTime::normal);
    EXPECT_NEAR(bar.GetSeconds(), 8.0f, 1e-4);
    MCTime none = MCTime::TimeNull();
    none.SetMode(MCTime::clock);
    Seq().NormalizeTime(none);
    EXPECT_EQ(none.GetMode(), MCTime::normal);
    EXPECT_EQ(none, MCTime::TimeNull());
    MCTime unwrapped(5.0f);
    unwrapped.SetMode(MCTime::unwrapped);
    Seq().NormalizeTime(unwrapped);
    EXPECT_EQ(unwrapped, MCTime(5.0f)) << "nothing jumped back over yet";
    // A mode the conversion does not start from is left alone.
    MCTime asIs(7.0f);
    asIs.SetMode(MCTime::clock);
    Seq().AbsoluteTime(asIs);
    EXPECT_EQ(asIs.GetMode(), MCTime::clock);
    EXPECT_EQ(asIs.GetSeconds(), 7.0f);
    Rest();
}

TEST_F(TransportTest, OptionReadersFollowTheSyncMode)
{
    // Every option on, then read under each sync mode.
    Seq().EnableAutoRewind(1);
    Seq().EnableAutoSendPrestart(1);
    Seq().EnableLoopRegion(1);
    Seq().EnablePlayRegion(1);
    Seq().EnableRecordRegion(1);
    Seq().EnableRecordLeadIn(1);
    Seq().EnableLoopRecordLeadIn(1);
    Seq().EnableAutoStop(1);
    struct Row {
        const char* name;
        std::function<int(CSequence&)> read;
        int mode0, mode1, mode2;
    };
    const std::vector<Row> rows = {
        {"auto rewind", &CSequence::AutoRewindEnabled, 1, 1, 1},
        {"auto send prestart", &CSequence::AutoSendPrestart, 1, 1, 0},
        {"loop region", &CSequence::LoopRegionEnabled, 1, 0, 0},
        {"play region", &CSequence::PlayRegionEnabled, 1, 1, 0},
        {"record region", &CSequence::RecordRegionEnabled, 1, 1, 0},
        {"record lead-in", &CSequence::RecordLeadInEnabled, 1, 1, 0},
        {"loop record lead-in", &CSequence::LoopRecordLeadInEnabled, 1, 1, 0},
        {"auto stop", &CSequence::AutoStopEnabled, 1, 1, 0},
    };
    for (uint32_t mode : {0u, 1u, 2u}) {
        m_devices.Wavegate().SetSyncMode(mode);
        for (const Row& row : rows)
            EXPECT_EQ(row.read(Seq()), mode == 0 ? row.mode0 : mode == 1 ? row.mode1 : row.mode2) << row.name << ", sync mode " << mode;
    }
    // Following external clock, the piece rewinds until an external start, whatever the option.
    Seq().EnableAutoRewind(0);
    EXPECT_EQ(Seq().AutoRewindEnabled(), 1);
    m_devices.Wavegate().SetSyncMode(0);
    EXPECT_EQ(Seq().AutoRewindEnabled(), 0);
    // The MIDI-writing switches count only while a MIDI file is written.
    Seq().SetIgnoreFilters(1);
    EXPECT_EQ(Seq().IgnoreFilters(), 0);
    Seq().SetMidiWriting(1);
    EXPECT_EQ(Seq().IgnoreTrackStates(), 1) << "from the preference's default";
    EXPECT_EQ(Seq().IgnoreFilters(), 0) << "from the preference's default";
    EXPECT_EQ(Seq().IgnoreTrack(5), 0) << "every track is written";
    Seq().SetMidiWriting(0);
    EXPECT_EQ(Seq().TestState(CSequence::stateMidiWriting), 0);
}

TEST_F(TransportTest, FiltersAreFoundByTheirType)
{
    LCsqPreferences preferences;
    LCsqBase base;
    LCBase plain;
    Seq().AddInputFilter(nullptr);
    Seq().AddInputFilter(&plain);
    Seq().AddInputFilter(&base);
    Seq().AddOutputFilter(&preferences);
    EXPECT_EQ(Seq().GetInputFilter(FilterBase), &base);
    EXPECT_EQ(Seq().GetInputFilter(FilterPreferences), &CSequence::s_PrefsInFilter);
    EXPECT_EQ(Seq().GetOutputFilter(FilterPreferences), &CSequence::s_PrefsOutFilter) << "type 5 is always the static filter";
    EXPECT_EQ(Seq().GetOutputFilter(FilterBase), nullptr);
    std::vector<LCBase*> list;
    Seq().GetFilterList(list, 0x4 | 0x8 | 0x10 | 0x20);
    EXPECT_EQ(list, (std::vector<LCBase*>{&plain, &base, &preferences, &CSequence::s_PrefsInFilter, &CSequence::s_PrefsOutFilter}));
    Seq().RemoveInputFilter(&base);
    Seq().RemoveInputFilter(nullptr);
    list.clear();
    Seq().GetFilterList(list, 0x4);
    EXPECT_EQ(list, (std::vector<LCBase*>{&plain}));
}

TEST_F(TransportTest, TheTransportStateMachine)
{
    StartDevices();
    using Action = std::function<void(CSequence&)>;
    const Action play = [](CSequence& s) { s.Play(); };
    const Action pause = [](CSequence& s) { s.Pause(); };
    const Action stop = [](CSequence& s) { s.Stop(0); };
    const std::vector<std::pair<const char*, std::function<void()>>> starts = {
        {"stopped", [] {}},
        {"playing", [&] { Seq().Play(); Slice(); }},
        {"pausing", [&] { Seq().Play(); Slice(); Seq().Pause(); }},
        {"paused", [&] { Seq().Play(); Slice(); Seq().Pause(); Slice(); }},
        {"stopping", [&] { Seq().Play(); Slice(); Seq().Stop(0); }},
    };
    struct Row {
        const char* start;
        const char* action;
        uint32_t at;     // the state right after the call
        uint32_t after;  // after the next slice
    };
    const std::vector<Row> rows = {
        {"stopped", "play", 0x10, 0x10},  {"stopped", "pause", 0x1, 0x1},  {"stopped", "stop", 0x1, 0x1},
        {"playing", "play", 0x10, 0x10},  {"playing", "pause", 0x8, 0x4},  {"playing", "stop", 0x2, 0x1},
        {"pausing", "play", 0x10, 0x10},  {"pausing", "pause", 0x8, 0x4},  {"pausing", "stop", 0x1, 0x1},
        {"paused", "play", 0x10, 0x10},   {"paused", "pause", 0x10, 0x10}, {"paused", "stop", 0x1, 0x1},
        {"stopping", "play", 0x10, 0x10}, {"stopping", "pause", 0x2, 0x1}, {"stopping", "stop", 0x2, 0x1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.start) + " then " + row.action);
        NewSequence();
        for (const auto& [name, reach] : starts)
            if (std::string(name) == row.start)
                reach();
        const std::string action = row.action;
        (action == "play" ? play : action == "pause" ? pause : stop)(Seq());
        EXPECT_EQ(PlayState(), row.at);
        Slice();
        EXPECT_EQ(PlayState(), row.after);
        EXPECT_EQ(m_devices.Wavegate().IsActive(), row.after == 0x10 ? 1 : 0) << "registered exactly while playing";
        Rest();
        m_states.Take();
    }

    // A locate from every state ends at rest at the new place; only a playing transport asks
    // the document to play on (3302).
    for (const auto& [name, reach] : starts) {
        SCOPED_TRACE(std::string("locate while ") + name);
        NewSequence();
        reach();
        m_states.Take();
        WhileTheClockRuns([this] { Seq().SetLocation(MCTime(6.0f)); });
        EXPECT_EQ(PlayState(), CSequence::stateStopped);
        EXPECT_EQ(Seq().GetLocation(), MCTime(6.0f));
        const std::vector<int> codes = m_states.Take();
        const bool askedToPlay = std::find(codes.begin(), codes.end(), SCPerform::codePlay) != codes.end();
        EXPECT_EQ(askedToPlay, std::string(name) == "playing");
        Rest();
    }
}

TEST_F(TransportTest, SlicesMapToMusicalTimeThroughTempoAndSpeed)
{
    StartDevices();
    SetTempo(2.1f, 60.0f);  // half speed from 2.1
    Seq().SetLocation(MCTime(0.0f));
    Seq().Play();
    // 120 beats per minute: 0.2 quarter notes per slice. The tempo mark at 2.1 cuts its slice:
    // the slice goes on from the mark at half that speed, and so do the slices after it.
    const std::vector<Window> windows = NextSlices(14);
    const float expected[][2] = {{0.0f, 0.2f}, {0.2f, 0.4f}, {0.4f, 0.6f}, {0.6f, 0.8f}, {0.8f, 1.0f},
                                 {1.0f, 1.2f}, {1.2f, 1.4f}, {1.4f, 1.6f}, {1.6f, 1.8f}, {1.8f, 2.0f},
                                 {2.1f, 2.15f}, {2.15f, 2.25f}, {2.25f, 2.35f}, {2.35f, 2.45f}};
    ASSERT_EQ(windows.size(), std::size(expected));
    for (size_t i = 0; i < windows.size(); ++i) {
        EXPECT_NEAR(windows[i].begin, expected[i][0], 1e-4) << "slice " << i;
        EXPECT_NEAR(windows[i].end, expected[i][1], 1e-4) << "slice " << i;
        EXPECT_NEAR(windows[i].location, expected[i][0], 1e-4) << "the location follows the slices";
    }
    EXPECT_FLOAT_EQ(Seq().GetScoreSpeed(), 1.0f);

    // Twice the user speed re-bases at once, without a jump either.
    Seq().SetUserSpeed(2.0f);
    EXPECT_FLOAT_EQ(Seq().GetActualSpeed(), 2.0f);
    const Window doubled = NextSlices(1).at(0);
    EXPECT_NEAR(doubled.begin, 2.45f, 1e-4);
    EXPECT_NEAR(doubled.end, 2.65f, 1e-4);
    // Fast forward runs at the fast speed and back.
    Seq().Forward();
    EXPECT_FLOAT_EQ(Seq().GetActualSpeed(), 4.0f);
    const Window fast = NextSlices(1).at(0);
    EXPECT_NEAR(fast.begin, 2.65f, 1e-4);
    EXPECT_NEAR(fast.end, 3.05f, 1e-4);
    Seq().Forward();
    EXPECT_FLOAT_EQ(Seq().GetActualSpeed(), 2.0f);
    EXPECT_EQ(Seq().TestState(CSequence::stateFastForward), 0);
    Rest();
}

TEST_F(TransportTest, TheTempoShownIsToldAtOnceWhenItChangesAndOnlyNowAndThenWhileItStays)
{
    StartDevices();
    Seq().SetLocation(MCTime(0.0f));
    m_states.Take();
    const auto told = [this] {
        const std::vector<int> codes = m_states.Take();
        return std::count(codes.begin(), codes.end(), int(SCMaster::codeTempoDisplay));
    };
    Seq().Play();
    // Thirty slices of one tempo, each state delivered as it comes: told as the play starts,
    // then about once a second, not at every slice.
    long steady = 0;
    for (int slice = 0; slice < 30; ++slice) {
        Slice();
        steady += told();
    }
    EXPECT_GE(steady, 2);
    EXPECT_LE(steady, 5);
    // A new speed is told at once.
    Seq().SetUserSpeed(2.0f);
    EXPECT_EQ(told(), 1);
    Rest();
}

TEST_F(TransportTest, ThePieceEndsAtItsLastNoteUnlessItLoopsOrRecords)
{
    StartDevices();
    m_piece.AddNote(1, 0.0f, 1.0f, 60);
    m_autoStop = 1;
    NewSequence();
    Seq().SetLocation(MCTime(0.0f));
    m_states.Take();
    Seq().Play();
    // The last note ends at 1.001: the slice from 1.0 still plays, the one from 1.2 ends it.
    Slice(6);
    ASSERT_EQ(PlayState(), CSequence::statePlaying);
    Slice();
    EXPECT_EQ(PlayState(), CSequence::stateStopped);
    EXPECT_EQ(m_devices.Wavegate().IsActive(), 0) << "the callback answered 0";
    // Ended by itself: the document is asked to stop, to rewind, and hears of the rest.
    std::vector<int> codes = m_states.Take();
    for (int code : std::vector<int>{1900, SCPerform::codeStop, SCPerform::codeReturn, SCPerform::codeAtRest})
        EXPECT_NE(std::find(codes.begin(), codes.end(), code), codes.end()) << code;

    // In a loop the end never comes.
    Seq().EnableLoopRegion(1);
    Seq().SetLocation(MCTime(0.0f));
    Seq().Play();
    Slice(12);
    EXPECT_EQ(PlayState(), CSequence::statePlaying);
    Rest();
    Seq().EnableLoopRegion(0);
    Seq().SetLocation(MCTime(0.0f));
    m_states.Take();
    // A stop asked for is not announced as an end.
    Seq().Play();
    Slice();
    Seq().Stop(0);
    Slice();
    codes = m_states.Take();
    EXPECT_EQ(std::find(codes.begin(), codes.end(), SCPerform::codeStop), codes.end());
    EXPECT_NE(std::find(codes.begin(), codes.end(), SCPerform::codeAtRest), codes.end());
}

TEST_F(TransportTest, ThePieceEndsWithTheNoteThatEndsLastNotTheOneThatStartsLast)
{
    StartDevices();
    m_piece.AddNote(1, 0.0f, 1.3f, 60);
    m_piece.AddNote(2, 0.5f, 0.2f, 64);
    m_autoStop = 1;
    NewSequence();
    Seq().SetLocation(MCTime(0.0f));
    Seq().Play();
    // The first note ends at 1.301: the slice from 1.2 still plays, the one from 1.4 ends it.
    Slice(7);
    ASSERT_EQ(PlayState(), CSequence::statePlaying);
    Slice();
    EXPECT_EQ(PlayState(), CSequence::stateStopped);
}

TEST_F(TransportTest, PauseAndResumeContinueWhereThePlayStopped)
{
    StartDevices();
    Seq().SetLocation(MCTime(0.0f));
    Seq().Play();
    Slice(3);
    Seq().Pause();
    EXPECT_EQ(PlayState(), CSequence::statePausing);
    Slice();
    EXPECT_EQ(PlayState(), CSequence::statePaused);
    EXPECT_EQ(m_devices.Wavegate().IsActive(), 0);
    const float held = CurrentWindow().location;
    Slice(5);
    Seq().Pause();
    EXPECT_EQ(PlayState(), CSequence::statePlaying);
    Slice();
    EXPECT_NEAR(CurrentWindow().begin, held, 1e-4) << "resumed where it paused";
    EXPECT_EQ(m_devices.Wavegate().IsActive(), 1);
    Rest();
}

TEST_F(TransportTest, PlayWhileTheCallbackDrainsKeepsOneRegistration)
{
    StartDevices();
    Seq().SetLocation(MCTime(0.0f));
    Seq().Play();
    Slice();
    const int tag = Seq().GetPerformTag();
    Seq().Stop(0);
    Seq().Play();
    EXPECT_EQ(Seq().GetPerformTag(), tag) << "the draining registration plays on";
    Slice(2);
    EXPECT_EQ(PlayState(), CSequence::statePlaying);
    Seq().Stop(0);
    Slice();
    EXPECT_EQ(m_devices.Wavegate().IsActive(), 0) << "no second registration was left behind";

    // After a locate the tag is new: a registration still draining under the old one ends at its
    // next slice, and the new play registers afresh.
    Seq().Play();
    Slice();
    Seq().Pause();
    WhileTheClockRuns([this] { Seq().SetLocation(MCTime(2.0f)); });
    Seq().Play();
    Slice(2);
    EXPECT_EQ(m_devices.Wavegate().IsActive(), 1);
    Rest();
}

// The document's answer to a locate request (1901): SetLocation, there and then.
struct LocatingDocument {
    static int Handler(ECBase*, int, void* state, void* user)
    {
        auto* self = static_cast<LocatingDocument*>(user);
        auto* time = dynamic_cast<SCTime*>(static_cast<SCBase*>(state));
        if (time && time->GetCode() == 1901) {
            self->located.push_back(time->GetTime().GetSeconds());
            self->sequence->SetLocation(time->GetTime());
        }
        return 0;
    }
    CSequence* sequence;
    std::vector<float> located;
};

TEST_F(TransportTest, PlayLocatesToTheLoopWhileTheCallbackStillDrains)
{
    // Play with the loop on first asks the document to locate to the loop's start; the document
    // stops the transport and waits for the callback to drain, which it can because Play holds
    // no lock meanwhile.
    StartDevices();
    LocatingDocument document{m_sequence.get(), {}};
    m_piece.Performance()->AddStateHandler(&LocatingDocument::Handler, &document);
    Seq().SetLocation(MCTime(0.0f));
    Seq().Play();
    Slice();
    Seq().Stop(0);
    ASSERT_EQ(PlayState(), CSequence::stateStopping);
    Seq().SetLoopRegion(MCTime(2.0f), MCTime(6.0f));
    Seq().EnableLoopRegion(1);
    WhileTheClockRuns([this] { Seq().Play(); });
    EXPECT_EQ(document.located, std::vector<float>{2.0f});
    EXPECT_EQ(PlayState(), CSequence::statePlaying);
    const Window next = NextSlices(1).at(0);
    EXPECT_GE(next.begin, 2.0f - 1e-4f) << "the play goes on from the loop's start";
    EXPECT_LT(next.begin, 6.0f);
    m_piece.Performance()->RemoveStateHandlers();
    Rest();
}

TEST_F(TransportTest, RecordLocatesToTheLoopWhileTheCallbackStillDrains)
{
    // Recording from the middle of a play with the loop on asks the document to locate to the
    // loop's start, which stops the play and waits for the callback: Record holds no lock
    // meanwhile, so the wait ends as soon as the callback drains.
    StartDevices();
    LocatingDocument document{m_sequence.get(), {}};
    m_piece.Performance()->AddStateHandler(&LocatingDocument::Handler, &document);
    Seq().SetLocation(MCTime(0.0f));
    Seq().Play();
    Slice(3);
    Seq().SetLoopRegion(MCTime(2.0f), MCTime(6.0f));
    Seq().EnableLoopRegion(1);
    WhileTheClockRuns([this] { Seq().Record(); });
    EXPECT_EQ(document.located, std::vector<float>{2.0f});
    EXPECT_EQ(PlayState(), CSequence::statePlaying);
    // The clock runs freely while Record waits, so the lead-in may already be over.
    EXPECT_NE(Seq().TestState(CSequence::stateRecordLeadIn | CSequence::stateRecording), 0);
    EXPECT_NE(Seq().GetRecordTag(), 0);
    m_piece.Performance()->RemoveStateHandlers();
    Rest();
    EXPECT_EQ(Seq().TestState(CSequence::stateRecordStopped), 1);
}

TEST_F(TransportTest, MidiWritingStopsAtOnceUnderThePerformanceLock)
{
    // The MIDI-file writer holds the performance lock, which the callback needs to drain a stop
    // and under which the device manager's lock may not be taken: the stop completes there and
    // then, and the registration ends at the next slice.
    StartDevices();
    Seq().SetLocation(MCTime(0.0f));
    Seq().Play();
    Slice();
    ASSERT_EQ(PlayState(), CSequence::statePlaying);
    m_piece.Performance()->Lock();
    Seq().SetMidiWriting(1);
    const uint32_t state = PlayState();
    const int writing = Seq().TestState(CSequence::stateMidiWriting);
    m_piece.Performance()->Unlock();
    EXPECT_EQ(state, CSequence::stateStopped);
    EXPECT_EQ(writing, 1);
    Slice();
    EXPECT_EQ(m_devices.Wavegate().IsActive(), 0);
    Seq().SetMidiWriting(0);
    EXPECT_EQ(Seq().TestState(CSequence::stateMidiWriting), 0);
    Seq().Play();
    Slice();
    EXPECT_EQ(m_devices.Wavegate().IsActive(), 1) << "a later play registers anew";
    Rest();
}

TEST_F(TransportTest, ALocateClampsToThePieceAndMovesThePlayPosition)
{
    ECNote* first = m_piece.AddNote(1, 1.0f, 1.0f, 60);
    ECNote* second = m_piece.AddNote(2, 3.0f, 1.0f, 62);
    NewSequence();
    Seq().SetLocation(MCTime(2.0f));
    ASSERT_NE(Seq().GetPlayPosition(), nullptr);
    EXPECT_EQ(Seq().GetPlayPosition()->GetOwner(), second);
    EXPECT_EQ(Seq().GetRecordPosition(), Seq().GetPlayPosition());
    EXPECT_NE(Seq().GetPerformTag(), 0);
    Seq().SetLocation(MCTime(-3.0f));
    EXPECT_EQ(Seq().GetLocation(), MCTime(0.0f));
    EXPECT_EQ(Seq().GetPlayPosition()->GetOwner(), first);
    Seq().SetLocation(MCTime(500.0f));
    EXPECT_EQ(Seq().GetLocation(), m_piece.Conductor()->GetMaxMeasureEndTime());
    EXPECT_EQ(Seq().GetPlayPosition(), nullptr);
    EXPECT_EQ(Seq().GetRecordPosition(), Seq().GetTail());
    std::vector<int> codes = m_states.Take();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 1900), 3);
}

TEST_F(TransportTest, PreStartMessagesGoToEveryOutputBeforeThePlay)
{
    StartDevices();
    const unsigned char gmOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    const unsigned char volume[] = {0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x40, 0xF7};
    const unsigned char later[] = {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
    struct Message {
        float time;
        const unsigned char* bytes;
        size_t length;
    };
    for (const Message& m : {Message{-2.0f, gmOn, sizeof gmOn}, Message{-1.0f, volume, sizeof volume}, Message{4.0f, later, sizeof later}}) {
        auto* element = new ECSystemMessage;
        MCTime at(m.time);
        element->SetTime(&at);
        element->SetVoiceTrack(0, 0);
        m_piece.ConductorStaff()->AddChild(element, 1);
        static_cast<DCsqSysMsg*>(element->GetData(0, 1))->SetSysExData(FCMidiSysEx(m.bytes, static_cast<unsigned>(m.length)));
    }
    NewSequence();
    Seq().SetLocation(MCTime(0.0f));
    Slice();
    for (int out = 0; out < 2; ++out)
        m_devices.Out(out).clearPlayed();
    Seq().Play();
    Slice(3);
    for (int out = 0; out < 2; ++out) {
        SCOPED_TRACE(out);
        std::vector<std::vector<uint8_t>> sent;
        for (const auto& played : m_devices.Out(out).played())
            sent.push_back(played.bytes);
        // The messages before time zero, in their order, and not the one of bar 2.
        EXPECT_EQ(sent, (std::vector<std::vector<uint8_t>>{{std::begin(gmOn), std::end(gmOn)}, {std::begin(volume), std::end(volume)}}));
    }
    Rest();
}

TEST_F(TransportTest, SyncModeOneRunsTheLeadInBeforeThePlay)
{
    auto* meter = new ECMeter(4, 4, 0);
    MCTime zero(0.0f);
    meter->SetTime(&zero);
    m_piece.ConductorStaff()->GetMeterEnv()->AddChild(meter, 1);
    StartDevices();
    m_devices.Wavegate().SetSyncMode(1);
    Seq().EnableRecordLeadIn(0);
    Seq().SetLocation(MCTime(0.0f));
    Seq().Play();
    // A lead-in shorter than a quarter note becomes one bar of 4/4: 4 quarter notes, 2 seconds
    // at 120 beats per minute, 20 slices.
    EXPECT_EQ(Seq().GetNumLeadInMeasures(), 1);
    EXPECT_EQ(Seq().RecordLeadInEnabled(), 1);
    EXPECT_EQ(PlayState(), CSequence::statePlayLeadIn);
    const std::vector<Window> leadIn = NextSlices(20);
    ASSERT_EQ(leadIn.size(), 20u);
    EXPECT_NEAR(leadIn.back().end, 4.0f, 1e-4);
    EXPECT_EQ(PlayState(), CSequence::statePlayLeadIn);
    const std::vector<Window> music = NextSlices(2);
    ASSERT_EQ(music.size(), 2u);
    EXPECT_EQ(PlayState(), CSequence::statePlaying);
    EXPECT_NEAR(music[0].begin, 0.0f, 1e-4) << "the music starts where the lead-in ends";
    EXPECT_NEAR(music[0].end, 0.2f, 1e-4);
    EXPECT_NEAR(music[1].begin, 0.2f, 1e-4);
    Rest();
    m_devices.Wavegate().SetSyncMode(0);
}

TEST_F(TransportTest, ExternalClockDrivesTheSlavedSequence)
{
    StartDevices();
    CWavegate& wg = m_devices.Wavegate();
    wg.SetSyncMode(2);
    m_devices.Settle();
    Seq().SetLocation(MCTime(0.0f));
    Seq().Play();
    m_devices.Settle();
    ASSERT_EQ(PlayState(), CSequence::statePlaying);
    auto post = [&](plat::MessageId msg, uintptr_t w = 0, intptr_t l = 0) {
        ASSERT_TRUE(wg.GetHWnd().post(msg, w, l));
        m_devices.Settle();
    };
    post(CWavegate::WM_WG_EXTSTART);
    EXPECT_EQ(Seq().GetOptions() >> 16 & 1, 1u) << "external start received";
    EXPECT_EQ(Seq().AutoRewindEnabled(), 0);
    // Nine clocks 25 ms apart: eight intervals of a third of a quarter note in 200 ms, 100 beats
    // per minute against the piece's 120.
    for (int clock = 0; clock < 9; ++clock)
        post(CWavegate::WM_WG_CLOCKTICK, 0, 1000 + 25 * clock);
    EXPECT_NEAR(Seq().GetUserSpeed(), 100.0f / 120.0f, 1e-4);
    // Clocks with one time stamp tell no tempo and change nothing.
    for (int clock = 0; clock < 8; ++clock)
        post(CWavegate::WM_WG_CLOCKTICK, 0, 1200);
    EXPECT_NEAR(Seq().GetUserSpeed(), 100.0f / 120.0f, 1e-4);
    EXPECT_TRUE(std::isfinite(Seq().GetActualSpeed()));
    // A song position of 16 sixteenth notes is 4 quarter notes.
    post(CWavegate::WM_WG_SONGPOSITION, 16);
    EXPECT_EQ(Seq().GetLocation(), MCTime(4.0f));
    EXPECT_EQ(PlayState(), CSequence::stateStopped) << "following external clock a stop is immediate";
    EXPECT_EQ(wg.IsActive(), 0) << "and unregisters the performance";
    // The document answers the play state that came with the locate.
    Seq().Play();
    m_devices.Settle();
    post(CWavegate::WM_WG_EXTCONTINUE);
    EXPECT_EQ(Seq().GetOptions() >> 17 & 1, 1u);
    m_states.Take();
    post(CWavegate::WM_WG_EXTSTOP);
    EXPECT_EQ(Seq().GetOptions() >> 18 & 1, 1u);
    std::vector<int> codes = m_states.Take();
    EXPECT_NE(std::find(codes.begin(), codes.end(), SCPerform::codeStop), codes.end());
    // The document stops on 3300; a later play registers anew after the device manager
    // dropped every performance.
    Seq().Stop(1);
    EXPECT_EQ(PlayState(), CSequence::stateStopped);
    Seq().Play();
    m_devices.Settle();
    EXPECT_EQ(wg.IsActive(), 1);
    Seq().Stop(1);
    EXPECT_EQ(wg.IsActive(), 0) << "the slaved stop unregisters itself";
    wg.SetSyncMode(0);
}

TEST_F(TransportTest, ARecordingFollowingExternalClockWritesItsTempoIntoThePiece)
{
    StartDevices();
    CWavegate& wg = m_devices.Wavegate();
    wg.SetSyncMode(2);
    wg.EnableSlaveTempoRecording(1);
    m_devices.Settle();
    Seq().SetLocation(MCTime(0.0f));
    Seq().Record();
    // Edits made by the recording run one by one rather than on the command timer.
    m_piece.Performance()->SetCommandRate(0);
    m_devices.Settle();
    ASSERT_EQ(Seq().TestState(CSequence::stateRecording), 1);
    auto post = [&](plat::MessageId msg, uintptr_t w = 0, intptr_t l = 0) {
        ASSERT_TRUE(wg.GetHWnd().post(msg, w, l));
        m_devices.Settle();
        plat::MessageLoop::current().pump();
    };
    ECTempoEnv* tempos = m_piece.ConductorStaff()->GetTempoEnv();
    ECTempo* first = m_piece.Conductor()->GetTempoAtTime(MCTime(0.0f));
    ASSERT_NE(first, nullptr);

    // Before the external transport starts, the clock's tempo becomes the piece's own.
    for (int clock = 0; clock < 9; ++clock)
        post(CWavegate::WM_WG_CLOCKTICK, 0, 1000 + 25 * clock);
    EXPECT_NEAR(first->GetTempo(1.0f), 100.0f, 1e-3);
    EXPECT_FLOAT_EQ(Seq().GetUserSpeed(), 1.0f);
    EXPECT_EQ(tempos->GetPointCount(), 1);

    // Once it runs, a change of tempo is a new tempo mark; the same tempo again adds nothing.
    post(CWavegate::WM_WG_EXTSTART);
    for (int clock = 1; clock <= 8; ++clock)
        post(CWavegate::WM_WG_CLOCKTICK, 0, 1200 + 30 * clock);
    ASSERT_EQ(tempos->GetPointCount(), 2);
    for (int clock = 9; clock <= 16; ++clock)
        post(CWavegate::WM_WG_CLOCKTICK, 0, 1200 + 30 * clock);
    EXPECT_EQ(tempos->GetPointCount(), 2);
    ECTempo* recorded = nullptr;
    for (ECBase* point : *tempos->GetChildren())
        if (point != first)
            recorded = plat::dynamicDowncast<ECTempo>(point);
    ASSERT_NE(recorded, nullptr);
    EXPECT_NEAR(recorded->GetTempo(1.0f), 20000.0f / 240.0f, 1e-2);
    EXPECT_GE(recorded->GetTime()->GetSeconds(), 0.0f);
    EXPECT_NEAR(first->GetTempo(1.0f), 100.0f, 1e-3) << "the first tempo stays";
    Seq().Stop(1);
    wg.EnableSlaveTempoRecording(0);
    wg.SetSyncMode(0);
}

TEST_F(TransportTest, ForwardWhileRecordingLeavesTheRecordingToo)
{
    StartDevices();
    CWavegate& wg = m_devices.Wavegate();
    Seq().SetLocation(MCTime(0.0f));
    Seq().EnableRecordLeadIn(0);
    Seq().Record();
    EXPECT_EQ(Seq().TestState(CSequence::stateRecording), 1);
    EXPECT_EQ(PlayState(), CSequence::statePlaying);
    EXPECT_NE(Seq().GetRecordTag(), 0);
    Slice();
    Seq().Forward();
    EXPECT_EQ(Seq().TestState(CSequence::stateRecordStopped), 1);
    EXPECT_EQ(Seq().GetRecordTag(), 0);
    EXPECT_EQ(Seq().TestState(CSequence::stateFastForward), 1);
    Rest();
    EXPECT_EQ(wg.IsActive(), 0) << "no recording outlives the transport";
}

TEST_F(TransportTest, ADestroyedSequenceLeavesNothingWithTheDeviceManager)
{
    StartDevices();
    CWavegate& wg = m_devices.Wavegate();
    Seq().SetLocation(MCTime(0.0f));
    Seq().EnableRecordLeadIn(0);
    Seq().Record();
    Slice();
    ASSERT_EQ(wg.IsActive(), 1);
    WhileTheClockRuns([this] { m_sequence.reset(); });
    EXPECT_EQ(wg.IsActive(), 0);
    // Input and slices after the sequence went reach nothing of it.
    CWGEventData input;
    input.SetMidiData(0x00403C90u);
    wg.ForwardRecordedData(&input);
    Slice(2);
}

TEST_F(TransportTest, TheLockOrderCheckReportsASequenceLockHeldIntoTheTransport)
{
    StartDevices();
    std::vector<std::string> seen;
    {
        const std::lock_guard lock(Seq().GetLock());
        // Play reads the piece: the performance lock would be taken below the sequence lock.
        Seq().Play();
        const std::lock_guard breaches(m_breachMutex);
        seen.swap(m_breaches);
    }
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), "performance while sequence");
    Rest();
    const std::lock_guard breaches(m_breachMutex);
    m_breaches.clear();
}

TEST_F(TransportTest, StopAndPauseWhileTheCallbackDrainsFromAnotherThread)
{
    // The clock runs on its own thread, so slices arrive while the transport changes: every
    // pairing of a transport call and a slice in progress happens somewhere in the loop.
    m_piece.AddNote(1, 0.0f, 60.0f, 60);
    NewSequence();
    StartDevices();
    Seq().SetLocation(MCTime(0.0f));
    std::atomic<bool> done{false};
    std::thread clock([&] {
        while (!done)
            m_devices.Step(10, 10);
    });
    for (int round = 0; round < 60; ++round) {
        Seq().Play();
        Seq().Pause();
        Seq().Pause();
        Seq().Stop(round % 2);
        Seq().Play();
        Seq().SetUserSpeed(round % 3 ? 1.0f : 1.5f);
        Seq().Forward();
        if (round % 5 == 0)
            Seq().SetLocation(MCTime(static_cast<float>(round % 7)));
        Seq().Stop(1);
        m_states.Take();
    }
    done = true;
    clock.join();
    m_devices.Settle();
    Slice();
    EXPECT_EQ(PlayState(), CSequence::stateStopped);
    EXPECT_EQ(m_devices.Wavegate().IsActive(), 0);
}

}  // namespace
