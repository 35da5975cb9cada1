#include "notabase/states/SCTime.h"
#include "sequencer/play/CSeqMetronome.h"
#include "sequencer/tests/PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <utility>
#include <vector>

namespace {

// The clicks the preferences give a sequence when it is attached: note-ons on channel 10.
constexpr uint8_t kClickStatus = 0x99;
constexpr uint8_t kPrimaryKey = 76;
constexpr uint8_t kSecondaryKey = 77;

// The metronome clicks on output 1; the music plays on output 0.
class MetronomeTest : public PlayerFixture {
protected:
    MetronomeTest() : PlayerFixture(1) {}

    void SetUp() override
    {
        PlayerFixture::SetUp();
        SetTempo(0.0f, 120.0f);
        m_previousActive = ECPerformance::SetActivePerformance(m_piece.Performance());
        m_piece.Performance()->AddStateHandler(&MetronomeTest::OnState, this);
    }
    void TearDown() override
    {
        CSeqMetronome::SetBeepHook({});
        m_piece.Performance()->RemoveStateHandlers();
        ECPerformance::SetActivePerformance(m_previousActive);
        PlayerFixture::TearDown();
    }

    CSeqMetronome& Metronome() { return m_sequence->GetMetronome(); }

    CSequence& Prepared(float location)
    {
        Note(1, 60.0f, 1.0f, 60);   // keeps the play going
        CSequence& sequence = Sequence(location);
        Metronome().SetMetronomeDevice(1);
        Metronome().EnableMetroPlay(1);
        StartDevices();
        return sequence;
    }

    uint32_t SoundsAt(float quarter)
    {
        MCTime at(quarter);
        m_sequence->AbsoluteTime(at);
        return static_cast<uint32_t>(at.GetMSec());
    }

    // The clicks output 1 played: (stream ms, key).
    std::vector<std::pair<uint32_t, uint8_t>> Clicks()
    {
        std::vector<std::pair<uint32_t, uint8_t>> clicks;
        for (const auto& played : m_devices.Out(1).takePlayed()) {
            if (!played.immediate && IsNoteOn(played.bytes))
                clicks.emplace_back(played.streamMs, played.bytes[1]);
        }
        return clicks;
    }

    // Waits for what the metronome thread posted to reach this thread.
    bool WaitFor(const std::function<bool()>& condition)
    {
        return plat::MessageLoop::current().runUntil(condition, std::chrono::milliseconds(5000));
    }

    static int OnState(ECBase*, int, void* state, void* user)
    {
        auto* self = static_cast<MetronomeTest*>(user);
        auto* base = static_cast<SCBase*>(state);
        if (base->GetCode() == 1900 || base->GetCode() == 1902) {
            auto* time = static_cast<SCTime*>(base);
            std::lock_guard lock(self->m_statesLock);
            self->m_states.push_back({time->GetCode(), time->GetLeadInPulse(), time->GetLeadInMeasure()});
        }
        return 0;
    }

    struct Announced {
        int code;
        int pulse;
        int measure;
    };
    std::mutex m_statesLock;
    std::vector<Announced> m_states;
    ECPerformance* m_previousActive = nullptr;
};

TEST_F(MetronomeTest, ClicksFollowTheMeterMapFromMidBarAcrossAMeterChange)
{
    SetMeter(0.0f, 4, 4);
    SetMeter(16.0f, 3, 4);
    // The third bar, pulse 2, 120 ticks (bars and pulses counted from 0).
    MCTime start;
    start.SetBarPulseTick(2, 2, static_cast<int>(MCTime::GlobalPPQ / 4), static_cast<int>(MCTime::GlobalPPQ));
    Prepared(0.0f);
    m_sequence->NormalizeTime(start);
    ASSERT_EQ(start.GetMode(), MCTime::normal);
    m_sequence->SetLocation(start);
    m_sequence->Play();
    m_devices.Step(5000);
    m_sequence->Stop(0);
    m_devices.Step(500);

    // The oracle: every quarter after the start, accented on each bar line, 4/4 before 16 and
    // 3/4 from there.
    const float first = std::ceil(start.GetSeconds());
    std::vector<std::pair<uint32_t, uint8_t>> expected;
    const auto clicks = Clicks();
    ASSERT_GE(clicks.size(), 9u);
    for (size_t i = 0; i < clicks.size(); ++i) {
        const float q = first + static_cast<float>(i);
        const bool downbeat = q < 16.0f ? std::fmod(q, 4.0f) == 0.0f : std::fmod(q - 16.0f, 3.0f) == 0.0f;
        expected.emplace_back(SoundsAt(q), downbeat ? kPrimaryKey : kSecondaryKey);
    }
    ASSERT_EQ(clicks.size(), expected.size());
    for (size_t i = 0; i < clicks.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(clicks[i].second, expected[i].second);
        // Records carry whole milliseconds: within one of the oracle's rounding.
        EXPECT_NEAR(static_cast<double>(clicks[i].first), static_cast<double>(expected[i].first), 1.0);
    }
    EXPECT_EQ(clicks.front().second, kSecondaryKey) << "pulse 3 of bar 3";
}

TEST_F(MetronomeTest, ADownbeatStartClicksThePrimaryFirstAndEachClickOnce)
{
    Prepared(8.0f);
    m_sequence->Play();
    m_devices.Step(3000);
    m_sequence->Stop(0);
    m_devices.Step(500);
    std::vector<Heard> heard;
    for (const auto& played : m_devices.Out(1).takePlayed())
        if (!played.immediate)
            heard.push_back({1, played.streamMs, played.bytes});
    ASSERT_GE(heard.size(), 4u);
    EXPECT_EQ(heard[0].bytes, (std::vector<uint8_t>{kClickStatus, kPrimaryKey, 127}));
    int ons = 0;
    int offs = 0;
    for (const Heard& h : heard) {
        ons += IsNoteOn(h.bytes);
        offs += IsNoteOff(h.bytes);
    }
    EXPECT_EQ(ons, offs) << "every click released, none twice";
    for (size_t i = 1; i < heard.size(); ++i)
        EXPECT_NE(heard[i], heard[i - 1]) << Describe(heard[i]);
}

TEST_F(MetronomeTest, AudibilityFollowsPlayAndRecordSwitches)
{
    Prepared(0.0f);
    Metronome().EnableMetroPlay(0);
    Metronome().EnableMetroRecord(1);
    m_sequence->Play();
    m_devices.Step(2000);
    EXPECT_TRUE(Clicks().empty()) << "play clicks are off";
    m_sequence->Stop(0);
    m_devices.Step(500);

    m_sequence->EnableRecordLeadIn(0);
    m_sequence->Record();
    m_devices.Step(2000);
    EXPECT_FALSE(Clicks().empty()) << "record clicks are on";
    m_sequence->Stop(0);
    m_devices.Step(500);
}

TEST_F(MetronomeTest, BeepModeSoundsNoMidiAndAnnouncesEachClick)
{
    std::atomic<int> beeps{0};
    CSeqMetronome::SetBeepHook([&beeps] { ++beeps; });
    Prepared(0.0f);
    Metronome().SetMetronomeMidi(0);
    m_sequence->Play();
    m_devices.Step(2000);
    EXPECT_TRUE(Clicks().empty());
    EXPECT_TRUE(WaitFor([&] { return beeps.load() >= 3; }));
    EXPECT_TRUE(WaitFor([&] {
        std::lock_guard lock(m_statesLock);
        return std::count_if(m_states.begin(), m_states.end(), [](const Announced& a) { return a.code == 1900; }) >= 3;
    }));
    m_sequence->Stop(0);
    m_devices.Step(500);
}

TEST_F(MetronomeTest, TheLeadInCountsItsMeasuresDown)
{
    SetMeter(0.0f, 4, 4);
    Prepared(0.0f);
    Metronome().EnableMetroRecord(1);
    m_sequence->EnableRecordLeadIn(1);
    m_sequence->SetNumLeadInMeasures(2);
    m_sequence->Record();
    ASSERT_EQ(m_sequence->TestState(CSequence::stateRecordLeadIn), 1);
    // Two bars of 4/4 at 120 last 4 s; the states are taken as they come, so that no more
    // than three are on their way at once.
    std::vector<Announced> leadIn;
    for (int step = 0; step < 45; ++step) {
        m_devices.Step(100);
        plat::MessageLoop::current().pump();
        std::lock_guard lock(m_statesLock);
        for (const Announced& a : m_states)
            if (a.code == 1902)
                leadIn.push_back(a);
        m_states.clear();
    }
    m_sequence->Stop(0);
    m_devices.Step(500);
    ASSERT_GE(leadIn.size(), 6u);
    for (size_t i = 0; i < leadIn.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(leadIn[i].pulse, static_cast<int>(i % 4));
        EXPECT_EQ(leadIn[i].measure, i < 4 ? -3 : -2);
    }
}

}  // namespace
