// Where the transport stands and goes: the flow marks' targets, markers for Next and Previous,
// step play by chord groups, the region notifications, and the time conversions with the
// step-record values.

#include "sequencer/tests/PlayerTestSupport.h"

#include "notabase/model/ECFlowControl.h"
#include "notabase/model/ECText.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/SCMode.h"
#include "notabase/states/SCTime.h"
#include "sequencer/data/DCsqFlowControl.h"
#include "sequencer/states/SCPerform.h"
#include "sequencer/transport/MCFlowControl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

namespace {

// The document's part: a locate request (1901) becomes SetLocation; every time state is noted.
struct Document {
    static int Handler(ECBase*, int, void* state, void* user)
    {
        auto* self = static_cast<Document*>(user);
        auto* time = dynamic_cast<SCTime*>(static_cast<SCBase*>(state));
        if (!time)
            return 0;
        self->times.emplace_back(time->GetCode(), time->GetTime().GetSeconds());
        if (time->GetCode() == 1901)
            self->sequence->SetLocation(time->GetTime());
        return 0;
    }
    CSequence* sequence;
    std::vector<std::pair<int, float>> times;
};

class PositionTest : public PlayerFixture {
protected:
    PositionTest() : PlayerFixture(1) {}

    ECFlowControl* Mark(float time, int type)
    {
        auto* mark = new ECFlowControl;
        mark->SetFlowControlType(static_cast<unsigned char>(type));
        const MCTime at(time);
        mark->SetTime(&at);
        m_piece.ConductorStaff()->AddChild(mark, 1);
        mark->GetData(0, 1);
        return mark;
    }
    static DCsqFlowControl* Data(ECFlowControl* mark) { return plat::dynamicDowncast<DCsqFlowControl>(mark->GetData(0, 0)); }

    void Text(float time, unsigned char type)
    {
        auto* text = new ECText(type, "mark");
        const MCTime at(time);
        text->SetTime(&at);
        m_piece.ConductorStaff()->AddChild(text, 1);
    }

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

    // Every message the output played since the last call, immediate ones too.
    std::vector<std::vector<uint8_t>> Sent()
    {
        m_devices.Settle();
        std::vector<std::vector<uint8_t>> sent;
        for (const auto& played : m_devices.Out(0).takePlayed())
            sent.push_back(played.bytes);
        return sent;
    }
};

TEST_F(PositionTest, EachFlowMarkIsLinkedToTheMarkItJumpsTo)
{
    ECFlowControl* lonelyEnd = Mark(2.0f, 1);
    ECFlowControl* early = Mark(3.0f, 0);
    ECFlowControl* sameTimeA = Mark(5.0f, 0);
    ECFlowControl* sameTimeB = Mark(5.0f, 0);
    ECFlowControl* end = Mark(5.0f, 1);
    ECFlowControl* loopStartFar = Mark(1.0f, 17);
    ECFlowControl* loopStart = Mark(6.0f, 17);
    ECFlowControl* loopEnd = Mark(8.0f, 18);
    ECFlowControl* toCoda = Mark(9.0f, 3);
    ECFlowControl* coda = Mark(12.0f, 4);
    ECFlowControl* segno = Mark(7.0f, 3);
    ECFlowControl* dalSegno = Mark(10.0f, 10);
    CSequence& seq = Sequence();
    MCFlowControl().Coordinate(&seq);
    EXPECT_EQ(Data(lonelyEnd)->GetInitialTarget(), nullptr) << "no earlier repeat start: the jump goes to the beginning";
    EXPECT_EQ(Data(end)->GetInitialTarget(), Data(early)) << "starts at its own time are passed over";
    EXPECT_NE(Data(end)->GetInitialTarget(), Data(sameTimeA));
    EXPECT_NE(Data(end)->GetInitialTarget(), Data(sameTimeB));
    EXPECT_EQ(Data(loopEnd)->GetInitialTarget(), Data(loopStart)) << "the nearest earlier loop start";
    EXPECT_NE(Data(loopEnd)->GetInitialTarget(), Data(loopStartFar));
    EXPECT_EQ(Data(toCoda)->GetFinalTarget(), Data(coda));
    EXPECT_EQ(Data(dalSegno)->GetInitialTarget(), Data(toCoda)) << "the nearest earlier type 3";
    EXPECT_NE(Data(dalSegno)->GetInitialTarget(), Data(segno));
}

TEST_F(PositionTest, TheFirstEnabledIntroMarkIsWherePlayStarts)
{
    CSequence& seq = Sequence();
    EXPECT_EQ(MCFlowControl().PerformIntro(&seq), nullptr);
    ECFlowControl* disabled = Mark(1.0f, 19);
    Data(disabled)->SetEnabled(0);
    Mark(3.0f, 19);
    Mark(2.0f, 19);
    const MCTime* intro = MCFlowControl().PerformIntro(&seq);
    ASSERT_NE(intro, nullptr);
    EXPECT_FLOAT_EQ(intro->GetSeconds(), 2.0f) << "the first enabled one in the staff's child order";
    // Play from the top asks the document to locate there.
    Document document{&seq, {}};
    m_piece.Performance()->AddStateHandler(&Document::Handler, &document);
    seq.SetLocation(MCTime(0.0f));
    StartDevices();
    seq.Play();
    EXPECT_EQ(seq.GetLocation(), MCTime(2.0f));
    EXPECT_EQ(PlayState(), CSequence::statePlaying);
    seq.Stop(0);
    m_devices.Step(500);
    m_piece.Performance()->RemoveStateHandlers();
}

TEST_F(PositionTest, NextAndPreviousStopAtMarkersAndTheFirstPreviousAtTheStart)
{
    SetTempo(0.0f, 120.0f);
    for (int i = 0; i < 16; ++i)
        Note(1, static_cast<float>(i), 1.0f, 60);
    Text(2.0f, 5);   // marker
    Text(4.0f, 2);   // not a marker type
    Text(9.0f, 15);  // rehearsal number
    Mark(11.0f, 0);
    CSequence& seq = Sequence(3.0f);
    Document document{&seq, {}};
    m_piece.Performance()->AddStateHandler(&Document::Handler, &document);
    auto press = [&seq](int code) {
        SCPerform state(code);
        seq.OnUpdate(code, &state);
    };
    press(SCPerform::codeNext);
    EXPECT_EQ(seq.GetLocation(), MCTime(9.0f));
    press(SCPerform::codeNext);
    EXPECT_EQ(seq.GetLocation(), MCTime(11.0f));
    press(SCPerform::codeNext);
    EXPECT_EQ(seq.GetLocation(), m_piece.Conductor()->GetMaxMeasureEndTime()) << "no marker after: the end";

    // Play from 3, stop near 5: the first Previous goes back to 3, the next one to the marker.
    seq.SetLocation(MCTime(3.0f));
    StartDevices();
    seq.Play();
    m_devices.Step(1000);
    WhileTheClockRuns([&seq] { seq.Stop(1); });
    EXPECT_GT(seq.GetLocation(), MCTime(4.5f));
    WhileTheClockRuns([&] { press(SCPerform::codePrevious); });
    EXPECT_EQ(seq.GetLocation(), MCTime(3.0f));
    WhileTheClockRuns([&] { press(SCPerform::codePrevious); });
    EXPECT_EQ(seq.GetLocation(), MCTime(2.0f));
    WhileTheClockRuns([&] { press(SCPerform::codePrevious); });
    EXPECT_EQ(seq.GetLocation(), MCTime(0.0f)) << "no marker before: the start";
    m_piece.Performance()->RemoveStateHandlers();
}

// Steps through notes at 0, 0.05, 0.25 and 1.0 with the threshold preference; the note-ons
// each step sounds.
class StepPlayTest : public PositionTest, public ::testing::WithParamInterface<std::pair<float, std::vector<int>>> {
};

TEST_P(StepPlayTest, EachStepPlaysTheNextChordGroupWithinTheThreshold)
{
    const auto& [threshold, expected] = GetParam();
    SaveFloatPreference("Sequencer\\Midi\\Play", "Step-play Threshold", threshold);
    Note(1, 0.0f, 0.5f, 60);
    Note(1, 0.05f, 0.5f, 64);
    Note(1, 0.25f, 0.5f, 67);
    Note(1, 1.0f, 0.5f, 72);
    CSequence& seq = Sequence(0.0f);
    StartDevices();
    Sent();
    seq.Step();
    ASSERT_EQ(seq.GetStepMode(), 1);
    std::vector<int> ons;
    for (size_t step = 0; step < expected.size(); ++step) {
        seq.Play();
        EXPECT_EQ(seq.TestState(CSequence::stateStepPlaying), 1);
        // The device manager writes ahead of the clock: what is due at once sounds a latency
        // later.
        m_devices.Step(500);
        int count = 0;
        for (const auto& bytes : Sent())
            count += IsNoteOn(bytes) ? 1 : 0;
        ons.push_back(count);
    }
    EXPECT_EQ(ons, expected);
    EXPECT_FLOAT_EQ(seq.GetStepPlayThreshold().GetSeconds(), std::max(threshold, 0.001f));
    seq.Stop(0);
    m_devices.Step(500);
    EXPECT_EQ(seq.GetStepMode(), 0);
    EXPECT_EQ(PlayState(), CSequence::stateStopped);
    // The last step's note ends at the stop: nothing sounds on.
    int offs = 0;
    for (const auto& bytes : Sent())
        offs += IsNoteOff(bytes) ? 1 : 0;
    EXPECT_EQ(offs, 1);
}

INSTANTIATE_TEST_SUITE_P(Thresholds, StepPlayTest,
                         ::testing::Values(std::pair{0.1f, std::vector<int>{2, 1, 1}}, std::pair{0.3f, std::vector<int>{3, 1}},
                                           std::pair{0.0f, std::vector<int>{1, 1, 1, 1}}));

TEST_F(PositionTest, RegionsAreAnnouncedWithTheirBoundsOrTheNullTime)
{
    CSequence& seq = Sequence();
    Document document{&seq, {}};
    m_piece.Performance()->AddStateHandler(&Document::Handler, &document);
    auto announced = [&document] {
        plat::MessageLoop::current().pump();
        std::vector<std::pair<int, float>> regions;
        for (const auto& [code, time] : document.times) {
            if (code >= 1905 && code <= 1908)
                regions.emplace_back(code, time);
        }
        document.times.clear();
        return regions;
    };
    const float null = MCTime::TimeNull().GetSeconds();
    seq.SetPlayRegion(MCTime(1.0f), MCTime(5.0f));
    EXPECT_TRUE(announced().empty()) << "the region is off";
    seq.EnablePlayRegion(1);
    EXPECT_EQ(announced(), (std::vector<std::pair<int, float>>{{1905, 1.0f}, {1906, 5.0f}}));
    seq.EnableLoopRegion(1);
    announced();
    seq.EnablePlayRegion(0);
    EXPECT_EQ(announced(), (std::vector<std::pair<int, float>>{{1905, 1.0f}, {1906, 5.0f}})) << "the loop still shows it";
    seq.EnableLoopRegion(0);
    EXPECT_EQ(announced(), (std::vector<std::pair<int, float>>{{1905, null}, {1906, null}}));
    seq.SetRecordRegion(MCTime(6.0f), MCTime(4.0f));
    seq.EnableRecordRegion(1);
    seq.SetRecordRegion(MCTime(2.0f), MCTime(4.0f));
    EXPECT_EQ(announced(), (std::vector<std::pair<int, float>>{{1907, 6.0f}, {1908, 4.0f}, {1907, 2.0f}, {1908, 4.0f}}))
        << "the setter sends nothing for an empty region; the switch sends what is stored";
    m_piece.Performance()->RemoveStateHandlers();
}

TEST_F(PositionTest, TimeConversionsAndStepRecordValues)
{
    SetTempo(0.0f, 120.0f);
    SetMeter(0.0f, 3, 4);
    CSequence& seq = Sequence();
    // Clock time along the map; the null time only changes its mode.
    MCTime clock(3.0f);
    seq.ClockTime(clock);
    EXPECT_EQ(clock.GetMode(), MCTime::clock);
    EXPECT_FLOAT_EQ(clock.GetSeconds(), 1.5f);
    seq.NormalizeTime(clock);
    EXPECT_FLOAT_EQ(clock.GetSeconds(), 3.0f);
    MCTime null = MCTime::TimeNull();
    seq.ClockTime(null);
    EXPECT_EQ(null.GetMode(), MCTime::clock);
    EXPECT_EQ(null.GetSeconds(), MCTime::TimeNull().GetSeconds());
    // Bar/pulse/tick and back.
    MCTime bpt(6.0f);
    seq.BarPulseTickTime(bpt);
    EXPECT_EQ(bpt.GetMode(), MCTime::barPulseTick);
    seq.NormalizeTime(bpt);
    EXPECT_FLOAT_EQ(bpt.GetSeconds(), 6.0f);
    // Unwrapped and back, with no jump taken: the same value.
    MCTime unwrapped(2.5f);
    seq.UnwrappedTime(unwrapped);
    EXPECT_EQ(unwrapped.GetMode(), MCTime::unwrapped);
    seq.NormalizeTime(unwrapped);
    EXPECT_FLOAT_EQ(unwrapped.GetSeconds(), 2.5f);
    // A window from the last Midi-file call: before, inside, at the end.
    MCTime from(1.0f);
    MCTime to(2.0f);
    seq.SetMidiWriting(1);
    seq.GetMidiFileEvents(from, to, CSequence::kEveryTrack, *std::make_unique<CWGEventList>());
    seq.SetMidiWriting(0);
    const MCTime probes[] = {MCTime(0.5f), MCTime(1.0f), MCTime(1.5f), MCTime(2.0f)};
    const int expected[] = {-1, 0, 0, 1};
    for (size_t i = 0; i < std::size(probes); ++i)
        EXPECT_EQ(seq.TimeInCurrentWindow(&probes[i]), expected[i]) << i;

    // Step-record times snap to a beat within 0.0015.
    seq.SetLocation(MCTime(2.999f));
    EXPECT_FLOAT_EQ(seq.GetStepRecordTime().GetSeconds(), 2.999f);
    EXPECT_FLOAT_EQ(seq.GetStepRecordTime().GetSeconds(), 4.0f) << "3.999 snapped";
    seq.SetLocation(MCTime(3.0016f));
    seq.GetStepRecordTime();
    EXPECT_NEAR(seq.GetStepRecordTime().GetSeconds(), 4.0016f, 1e-5) << "too far to snap";
    EXPECT_FLOAT_EQ(seq.GetStepRecordDuration().GetSeconds(), 1.0f);
    seq.SetStepPlayThreshold(MCTime(0.0f));
    EXPECT_FLOAT_EQ(seq.GetStepPlayThreshold().GetSeconds(), 0.001f);
    EXPECT_FLOAT_EQ(LoadFloatPreference("Sequencer\\Midi\\Play", "Step-play Threshold", 1.0f), 0.001f);
    seq.SetPreRecordAllowance(MCTime(-2.0f));
    EXPECT_FLOAT_EQ(seq.GetPreRecordAllowance().GetSeconds(), 0.0f);
}

}  // namespace

namespace {

ECBase* templateNote(void* user)
{
    auto* note = static_cast<ECBase*>(user);
    if (note)
        note->Ref();
    return note;
}

TEST_F(PositionTest, TheStepDurationComesFromTheNoteOfTheInsertionMode)
{
    CSequence& seq = Sequence();
    const plat::RefPtr<ECNote> eighth(new ECNote(MCTime(0.0f), MCTime(0.5f)));
    SCMode::SetMode(SCMode::kEventMode);
    SCMode::SetEventType(EventId::Note);
    SCMode::SetEventFunc(&templateNote, eighth.get());
    seq.OnUpdate(SCMode::kEventMode, nullptr);
    EXPECT_FLOAT_EQ(seq.GetStepRecordDuration().GetSeconds(), 0.5f);
    SCMode::SetEventFunc(&templateNote, nullptr);
    seq.OnUpdate(SCMode::kEventMode, nullptr);
    EXPECT_FLOAT_EQ(seq.GetStepRecordDuration().GetSeconds(), 1.0f) << "a quarter without a template";
    SCMode::SetEventFunc(&templateNote, eighth.get());
    SCMode::SetEventType(EventId::Text);
    seq.OnUpdate(SCMode::kEventMode, nullptr);
    EXPECT_FLOAT_EQ(seq.GetStepRecordDuration().GetSeconds(), 1.0f) << "another mode keeps it";
    EXPECT_EQ(eighth->GetRefCount(), 1u) << "the template is released";
    SCMode::SetEventFunc(nullptr, nullptr);
    SCMode::SetMode(SCMode::kFirstMode);
}

}  // namespace
