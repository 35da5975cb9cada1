// Repeats, D.C. with coda, the loop region and tempo ramps play on one timeline: every message at
// the millisecond that an oracle, working from the elements, the tempo marks and the order in
// which the flow marks send the play, gives. The same pieces written as MIDI-file events come out
// in unwrapped time with the repeats played out.

#include "sequencer/tests/PlayerTestSupport.h"

#include "notabase/commands/CCAddMeasure.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditItem.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/SCTime.h"
#include "sequencer/data/DCsqFlowControl.h"
#include "sequencer/transport/MCFlowControl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

// What a piece with flow marks should play: the notes, the tempo marks (steps) and the musical
// segments in the order the play goes through them.
class FlowOracle {
public:
    void Tempo(float time, float bpm) { m_tempos[time] = bpm; }
    void Note(int channel, float time, float duration, int key) { m_notes.push_back({channel, time, duration, key}); }
    void Segment(float from, float to) { m_segments.emplace_back(from, to); }

    // Seconds along the tempo marks from 0 to the time (60 per minute before the first).
    double Clock(double time) const
    {
        double seconds = 0.0;
        double from = 0.0;
        double bpm = 60.0;
        for (const auto& [at, value] : m_tempos) {
            const double to = std::min<double>(time, at);
            if (to > from)
                seconds += (to - from) * 60.0 / bpm;
            from = std::max<double>(from, at);
            bpm = value;
        }
        if (time > from)
            seconds += (time - from) * 60.0 / bpm;
        return seconds;
    }

    struct Expected {
        double at;  // ms from the start, or thousandths of a quarter
        std::vector<uint8_t> bytes;
    };
    // Each note of a segment, on at its place in the segment, off its duration later; clock
    // milliseconds when performed, thousandths of a quarter note (unwrapped) when not.
    std::vector<Expected> Expect(bool performed) const
    {
        std::vector<Expected> expected;
        double elapsed = 0.0;
        for (const auto& [from, to] : m_segments) {
            for (const auto& n : m_notes) {
                if (n.time < from || !(n.time < to))
                    continue;
                const auto on = static_cast<uint8_t>(0x90 | n.channel);
                if (performed) {
                    const double begin = elapsed + (Clock(n.time) - Clock(from)) * 1000.0;
                    const double end = elapsed + (Clock(n.time + n.duration) - Clock(from)) * 1000.0;
                    expected.push_back({begin, {on, static_cast<uint8_t>(n.key), 100}});
                    expected.push_back({end, {on, static_cast<uint8_t>(n.key), 0}});
                } else {
                    expected.push_back({(elapsed + n.time - from) * 1000.0, {on, static_cast<uint8_t>(n.key), 100}});
                    expected.push_back({(elapsed + n.time - from + n.duration) * 1000.0, {on, static_cast<uint8_t>(n.key), 0}});
                }
            }
            elapsed += performed ? (Clock(to) - Clock(from)) * 1000.0 : (to - from);
        }
        return expected;
    }

private:
    struct Played {
        int channel;
        float time;
        float duration;
        int key;
    };
    std::map<float, float> m_tempos;
    std::vector<Played> m_notes;
    std::vector<std::pair<float, float>> m_segments;
};

class FlowPlayTest : public PlayerFixture {
protected:
    FlowPlayTest() : PlayerFixture(1) {}

    ECFlowControl* Mark(float time, int type, int repetitions = 1)
    {
        auto* mark = new ECFlowControl;
        mark->SetFlowControlType(static_cast<unsigned char>(type));
        const MCTime at(time);
        mark->SetTime(&at);
        m_piece.ConductorStaff()->AddChild(mark, 1);
        if (auto* data = plat::dynamicDowncast<DCsqFlowControl>(mark->GetData(0, 1)))
            data->SetNumRepetitions(repetitions);
        return mark;
    }

    // Quarter notes on staff 1 from 0 up to the end, rising keys, into the piece and the oracle.
    void Quarters(float end, FlowOracle& oracle)
    {
        for (int i = 0; static_cast<float>(i) < end; ++i) {
            Note(1, static_cast<float>(i), 1.0f, 40 + i);
            oracle.Note(0, static_cast<float>(i), 1.0f, 40 + i);
        }
    }

    CSequence& Prepared(float location = 0.0f)
    {
        CSequence& seq = Sequence(location);
        MCFlowControl().Coordinate(&seq);
        return seq;
    }

    // Compares what output 0 played up to `untilMs` after t0 with the oracle: the same
    // messages, each within a millisecond of its exact time, and at a shared millisecond the
    // off first.
    void Compare(const FlowOracle& oracle, uint32_t t0, double untilMs = 1e12)
    {
        std::vector<Heard> heard;
        for (const Heard& h : Take()) {
            if (h.ms < t0 + untilMs)
                heard.push_back(h);
        }
        std::vector<FlowOracle::Expected> expected;
        for (const auto& e : oracle.Expect(true)) {
            if (e.at < untilMs)
                expected.push_back(e);
        }
        for (const Heard& h : heard) {
            auto match = std::find_if(expected.begin(), expected.end(), [&](const FlowOracle::Expected& e) {
                return e.bytes == h.bytes && std::abs(static_cast<double>(h.ms) - (t0 + e.at)) <= 1.0;
            });
            EXPECT_NE(match, expected.end()) << "unexpected " << Describe(h);
            if (match != expected.end())
                expected.erase(match);
        }
        for (const auto& e : expected)
            ADD_FAILURE() << "not heard: @" << t0 + e.at << " " << Describe({0, 0, e.bytes});
        for (size_t i = 1; i < heard.size(); ++i) {
            if (heard[i].ms == heard[i - 1].ms) {
                EXPECT_FALSE(IsNoteOff(heard[i].bytes) && !IsNoteOff(heard[i - 1].bytes))
                    << Describe(heard[i - 1]) << " before " << Describe(heard[i]);
            }
        }
    }

    void PlayAndCompare(const FlowOracle& oracle)
    {
        StartDevices();
        Take();
        const uint32_t t0 = m_devices.Wavegate().GetBufferTime();
        m_sequence->Play();
        PlayToTheEnd();
        ASSERT_EQ(PlayState(), CSequence::stateStopped);
        Compare(oracle, t0);
    }

    // The piece as MIDI-file events, window after window of one quarter note.
    std::vector<FlowOracle::Expected> WriteOut()
    {
        CSequence& seq = *m_sequence;
        seq.SetMidiWriting(1);
        CWGEventList out;
        int done = 0;
        for (int i = 0; i < 1000 && !done; ++i) {
            MCTime from(static_cast<float>(i));
            MCTime to(static_cast<float>(i + 1));
            done = seq.GetMidiFileEvents(from, to, CSequence::kEveryTrack, out);
        }
        seq.SetMidiWriting(0);
        EXPECT_EQ(done, 1) << "the end of the music was reached";
        std::vector<FlowOracle::Expected> written;
        for (const auto& record : out) {
            if (record->type != CWGEventData::WG_EVENT_MIDI)
                continue;
            const auto word = static_cast<uint32_t>(record->data);
            std::vector<uint8_t> bytes{static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8),
                                       static_cast<uint8_t>(word >> 16)};
            written.push_back({static_cast<double>(record->time), bytes});
        }
        return written;
    }

    static void ExpectWritten(const FlowOracle& oracle, const std::vector<FlowOracle::Expected>& written)
    {
        std::vector<FlowOracle::Expected> expected = oracle.Expect(false);
        std::stable_sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
            if (std::lround(a.at) != std::lround(b.at))
                return a.at < b.at;
            return a.bytes[2] == 0 && b.bytes[2] != 0;
        });
        ASSERT_EQ(written.size(), expected.size());
        for (size_t i = 0; i < written.size(); ++i) {
            EXPECT_NEAR(written[i].at, expected[i].at, 1.0) << i;
            EXPECT_EQ(written[i].bytes, expected[i].bytes) << i << " at " << written[i].at;
        }
    }
};

TEST_F(FlowPlayTest, ARepeatWithTwoRepetitionsPlaysItsSectionThreeTimesThenGoesOn)
{
    FlowOracle oracle;
    SetTempo(0.0f, 120.0f);
    oracle.Tempo(0.0f, 120.0f);
    SetTempo(5.0f, 90.0f);  // inside the repeated section: each pass slows there
    oracle.Tempo(5.0f, 90.0f);
    Quarters(10.0f, oracle);
    Mark(2.0f, 0);
    Mark(6.0f, 1, 2);
    oracle.Segment(0.0f, 6.0f);
    oracle.Segment(2.0f, 6.0f);
    oracle.Segment(2.0f, 6.0f);
    oracle.Segment(6.0f, 10.0f);
    Prepared();
    PlayAndCompare(oracle);
    ExpectWritten(oracle, WriteOut());
    // A second save from the top writes the same again, repeats and all.
    ExpectWritten(oracle, WriteOut());
}

TEST_F(FlowPlayTest, DaCapoGoesBackToTheTopAndTheSecondTimeJumpsToTheCoda)
{
    FlowOracle oracle;
    SetTempo(0.0f, 120.0f);
    oracle.Tempo(0.0f, 120.0f);
    Quarters(12.0f, oracle);
    Mark(4.0f, 4);   // to coda: taken only after the D.C.
    Mark(8.0f, 6);   // D.C.
    Mark(10.0f, 4);  // the coda
    oracle.Segment(0.0f, 8.0f);
    oracle.Segment(0.0f, 4.0f);
    oracle.Segment(10.0f, 12.0f);
    Prepared();
    PlayAndCompare(oracle);
    ExpectWritten(oracle, WriteOut());
}

TEST_F(FlowPlayTest, IgnoringRepeatsWritesThePieceAsItStands)
{
    FlowOracle oracle;
    SetTempo(0.0f, 120.0f);
    Quarters(8.0f, oracle);
    Mark(2.0f, 0);
    Mark(4.0f, 1, 1);
    oracle.Segment(0.0f, 8.0f);
    Prepared();
    SaveIntPreference("Sequencer\\Midi\\Save", "Ignore Repeats", 1);
    ExpectWritten(oracle, WriteOut());
}

TEST_F(FlowPlayTest, TheLoopRegionGoesRoundUntilStoppedWithHiddenMarksAtItsBounds)
{
    FlowOracle oracle;
    SetTempo(0.0f, 120.0f);
    oracle.Tempo(0.0f, 120.0f);
    Quarters(10.0f, oracle);
    CSequence& seq = Prepared(2.0f);
    seq.SetLoopRegion(MCTime(2.0f), MCTime(6.0f));
    seq.EnableLoopRegion(1);
    for (int pass = 0; pass < 4; ++pass)
        oracle.Segment(2.0f, 6.0f);
    StartDevices();
    Take();
    const uint32_t t0 = m_devices.Wavegate().GetBufferTime();
    seq.Play();
    // The hidden marks: a loop start at 2 and a loop end at 6 under the conductor staff.
    ASSERT_NE(seq.GetLoopStartData(), nullptr);
    ASSERT_NE(seq.GetLoopEndData(), nullptr);
    EXPECT_EQ(*seq.GetLoopStartData()->GetOwner()->GetTime(), MCTime(2.0f));
    EXPECT_EQ(*seq.GetLoopEndData()->GetOwner()->GetTime(), MCTime(6.0f));
    m_devices.Step(3 * 2000 + 600);
    seq.Stop(0);
    m_devices.Step(1000);
    ASSERT_EQ(PlayState(), CSequence::stateStopped);
    // Three full passes and the start of the fourth; the stop ends what sounds.
    Compare(oracle, t0, 3 * 2000.0 + 500.0);
    // A new region moves the same marks; the loop off takes them out.
    DCsqFlowControl* start = seq.GetLoopStartData();
    seq.SetLoopRegion(MCTime(3.0f), MCTime(7.0f));
    seq.SetLocation(MCTime(3.0f));
    seq.Play();
    EXPECT_EQ(seq.GetLoopStartData(), start);
    EXPECT_EQ(*start->GetOwner()->GetTime(), MCTime(3.0f));
    seq.Stop(0);
    m_devices.Step(500);
    seq.EnableLoopRegion(0);
    seq.Play();
    EXPECT_EQ(seq.GetLoopStartData(), nullptr);
    EXPECT_EQ(seq.GetLoopEndData(), nullptr);
    int marks = 0;
    for (ECBase* child : *m_piece.ConductorStaff()->GetChildren())
        marks += child->GetEventId() == EventId::FlowControl ? 1 : 0;
    EXPECT_EQ(marks, 0);
    seq.Stop(0);
    m_devices.Step(500);
}

// Tempo ramps: the window's musical place and the events' times follow the same map, so eighth
// notes through a ramp keep the map's spacing and the music after it is not early.
TEST_F(FlowPlayTest, EighthNotesThroughATempoRampPlayWhereTheTempoMapPutsThem)
{
    SetTempo(0.0f, 90.0f);
    SetTempo(8.0f, 120.0f);
    ECTempoEnv* map = m_piece.ConductorStaff()->GetTempoEnv();
    for (ECBase* mark : *map->GetChildren()) {
        if (*mark->GetTime() == MCTime(0.0f))
            static_cast<ECEnvPoint*>(mark)->SetStyle(ECEnvPoint::styleLinear);
    }
    map->RecalculateClockTimes();
    std::vector<std::pair<double, std::vector<uint8_t>>> expected;
    for (int i = 0; i < 32; ++i) {
        const float time = 0.5f * static_cast<float>(i);
        Note(1, time, i == 10 ? 4.0f : 0.5f, 50 + (i % 20));
        for (const float at : {time, time + (i == 10 ? 4.0f : 0.5f)}) {
            MCTime clock(at);
            map->GetClockTime(clock);
            const uint8_t velocity = at == time ? 100 : 0;
            expected.push_back({clock.GetSeconds() * 1000.0, {0x90, static_cast<uint8_t>(50 + (i % 20)), velocity}});
        }
    }
    Sequence();
    StartDevices();
    Take();
    const uint32_t t0 = m_devices.Wavegate().GetBufferTime();
    m_sequence->Play();
    PlayToTheEnd();
    std::vector<Heard> heard = Take();
    ASSERT_EQ(heard.size(), expected.size());
    for (const Heard& h : heard) {
        auto match = std::find_if(expected.begin(), expected.end(), [&](const auto& e) {
            return e.second == h.bytes && std::abs(static_cast<double>(h.ms) - (t0 + e.first)) <= 1.0;
        });
        EXPECT_NE(match, expected.end()) << "off the map: " << Describe(h);
        if (match != expected.end())
            expected.erase(match);
    }
}

// A speed change while notes sound times again what is queued: the held note ends where the
// new speed puts its end, before the next note on its key begins.
TEST_F(FlowPlayTest, ASpeedChangeRetimesTheQueuedEndOfAHeldNote)
{
    SetTempo(0.0f, 120.0f);
    Note(1, 0.0f, 2.0f, 60);
    Note(1, 2.0f, 1.0f, 60);
    Sequence();
    StartDevices();
    Take();
    const uint32_t t0 = m_devices.Wavegate().GetBufferTime();
    m_sequence->Play();
    m_devices.Step(400);
    const uint32_t rebase = m_devices.Wavegate().GetBufferTime();
    m_sequence->SetUserSpeed(2.0f);
    PlayToTheEnd();
    const std::vector<Heard> heard = Take();
    // Musical place at the change, then the rest of the held note at twice the speed.
    const double quarters = (rebase - t0) / 500.0;
    const auto end = static_cast<uint32_t>(rebase + (2.0 - quarters) * 250.0);
    const std::vector<Heard> expected = {{0, t0, {0x90, 60, 100}},
                                         {0, end, {0x90, 60, 0}},
                                         {0, end, {0x90, 60, 100}},
                                         {0, end + 250, {0x90, 60, 0}}};
    ASSERT_EQ(heard.size(), expected.size());
    for (size_t i = 0; i < heard.size(); ++i) {
        EXPECT_EQ(heard[i].bytes, expected[i].bytes) << i;
        EXPECT_NEAR(heard[i].ms, expected[i].ms, 1.0) << i << ": " << Describe(heard[i]);
    }
}

TEST_F(FlowPlayTest, FastForwardRetimesTheQueuedEndOfAHeldNote)
{
    SetTempo(0.0f, 120.0f);
    Note(1, 0.0f, 4.0f, 60);
    Note(1, 4.0f, 1.0f, 62);
    Sequence();
    StartDevices();
    Take();
    const uint32_t t0 = m_devices.Wavegate().GetBufferTime();
    m_sequence->Play();
    m_devices.Step(400);
    const uint32_t rebase = m_devices.Wavegate().GetBufferTime();
    m_sequence->Forward();  // four quarter notes a second
    m_devices.Step(2000);
    const std::vector<Heard> heard = Take();
    const double quarters = (rebase - t0) / 500.0;
    const auto end = static_cast<uint32_t>(rebase + (4.0 - quarters) * 250.0);
    ASSERT_GE(heard.size(), 3u);
    EXPECT_EQ(heard[1].bytes, (std::vector<uint8_t>{0x90, 60, 0}));
    EXPECT_NEAR(heard[1].ms, end, 1.0);
    EXPECT_EQ(heard[2].bytes, (std::vector<uint8_t>{0x90, 62, 100}));
    EXPECT_NEAR(heard[2].ms, end, 1.0);
    m_sequence->Stop(1);
}

}  // namespace

namespace {

// Forwards the batches' state 500 (and every other state) to the sequence, as the document does.
struct EditingDocument {
    static int Handler(ECBase*, int, void* state, void* user)
    {
        auto* base = static_cast<SCBase*>(state);
        if (base->GetCode() == 500)
            static_cast<CSequence*>(user)->OnUpdate(base->GetCode(), base);
        return 0;
    }
};

// Edits while the piece plays: a note moved, a tempo mark changed and a bar inserted ahead of
// the play are heard from the next slice on, each message once, nothing left sounding.
TEST_F(FlowPlayTest, EditsAheadOfThePlayAreHeardAsThePieceNowStands)
{
    SetTempo(0.0f, 120.0f);
    SetTempo(10.0f, 120.0f);
    std::vector<ECNote*> notes;
    for (int i = 0; i < 16; ++i)
        notes.push_back(Note(1, static_cast<float>(i), 1.0f, 40 + i));
    CSequence& seq = Sequence();
    m_piece.Performance()->AddStateHandler(&EditingDocument::Handler, &seq);
    StartDevices();
    Take();
    const uint32_t t0 = m_devices.Wavegate().GetBufferTime();
    seq.Play();
    m_devices.Step(1000);
    ASSERT_LT(seq.GetLocation(), MCTime(6.0f));
    auto batch = [this](CCBase* command) {
        MCCommandMgr::BeginNotify(m_piece.Performance());
        command->SetSynchronous(1);
        command->Apply(m_piece.Performance());
        MCCommandMgr::EndNotify(m_piece.Performance());
    };
    const MCTime later(8.5f);
    batch(new CCEditTime(notes[8], &later));
    m_devices.Step(300);
    ECTempo* mark = m_piece.Conductor()->GetTempoAtTime(MCTime(10.0f));
    auto* edit = new CCEdit;
    plat::dynamicDowncast<ECTempo>(edit->EditEvent(mark)->GetNewEvent())->SetTempo(60.0f, 1.0f);
    batch(edit);
    m_devices.Step(300);
    batch(new CCAddMeasure(1, 3));
    PlayToTheEnd();
    ASSERT_EQ(PlayState(), CSequence::stateStopped);

    // What the piece says now, along its tempo map as it stands.
    ECTempoEnv* map = m_piece.ConductorStaff()->GetTempoEnv();
    std::vector<std::pair<double, std::vector<uint8_t>>> expected;
    for (ECNote* note : notes) {
        const float on = note->GetTime()->GetSeconds();
        const float off = on + note->GetDuration()->GetSeconds();
        const auto key = static_cast<uint8_t>(note->GetData(0, 0) ? plat::dynamicDowncast<DCsqNote>(note->GetData(0, 0))->GetNoteOnData().GetDataByte1() : 0);
        for (const auto& [at, velocity] : {std::pair{on, 100}, std::pair{off, 0}}) {
            MCTime clock(at);
            map->GetClockTime(clock);
            expected.push_back({t0 + clock.GetSeconds() * 1000.0, {0x90, key, static_cast<uint8_t>(velocity)}});
        }
    }
    EXPECT_FLOAT_EQ(notes[8]->GetTime()->GetSeconds(), 8.5f);
    const std::vector<Heard> heard = Take();
    EXPECT_EQ(heard.size(), expected.size()) << "each message once";
    for (const Heard& h : heard) {
        auto match = std::find_if(expected.begin(), expected.end(), [&](const auto& e) {
            return e.second == h.bytes && std::abs(static_cast<double>(h.ms) - e.first) <= 1.0;
        });
        EXPECT_NE(match, expected.end()) << "unexpected " << Describe(h);
        if (match != expected.end())
            expected.erase(match);
    }
    for (const auto& e : expected)
        ADD_FAILURE() << "not heard @" << e.first << " " << Describe({0, 0, e.second});
    m_piece.Performance()->RemoveStateHandlers();
}

}  // namespace

namespace {

// The tempo in force where the play stands changes: the play goes on from where it is at the
// new tempo, nothing heard twice.
TEST_F(FlowPlayTest, ChangingTheTempoInForceWhilePlayingGoesOnFromThePlacePlayed)
{
    SetTempo(0.0f, 120.0f);
    std::vector<ECNote*> notes;
    for (int i = 0; i < 12; ++i)
        notes.push_back(Note(1, static_cast<float>(i), 1.0f, 40 + i));
    CSequence& seq = Sequence();
    m_piece.Performance()->AddStateHandler(&EditingDocument::Handler, &seq);
    StartDevices();
    Take();
    seq.Play();
    m_devices.Step(1500);
    ECTempo* mark = m_piece.Conductor()->GetTempoAtTime(MCTime(0.0f));
    auto* edit = new CCEdit;
    plat::dynamicDowncast<ECTempo>(edit->EditEvent(mark)->GetNewEvent())->SetTempo(60.0f, 1.0f);
    MCCommandMgr::BeginNotify(m_piece.Performance());
    edit->SetSynchronous(1);
    edit->Apply(m_piece.Performance());
    MCCommandMgr::EndNotify(m_piece.Performance());
    PlayToTheEnd();
    std::vector<uint32_t> ons;
    for (const Heard& h : Take()) {
        if (IsNoteOn(h.bytes)) {
            EXPECT_EQ(h.bytes[1], 40 + ons.size()) << "in order, each once";
            ons.push_back(h.ms);
        }
    }
    ASSERT_EQ(ons.size(), notes.size());
    EXPECT_EQ(ons[1] - ons[0], 500u);
    EXPECT_EQ(ons.back() - ons[ons.size() - 2], 1000u) << "the new tempo from the edit on";
    for (size_t i = 1; i < ons.size(); ++i) {
        EXPECT_GE(ons[i] - ons[i - 1], 500u) << i;
        EXPECT_LE(ons[i] - ons[i - 1], 1000u) << i << ": no stall where the old and new timelines meet";
    }
    m_piece.Performance()->RemoveStateHandlers();
}

}  // namespace

namespace {

// A recording runs over the repeats as written; only the loop goes round, counting its passes.
TEST_F(FlowPlayTest, WhileRecordingRepeatsAreNotTakenButTheLoopIs)
{
    FlowOracle oracle;
    SetTempo(0.0f, 120.0f);
    oracle.Tempo(0.0f, 120.0f);
    Quarters(8.0f, oracle);
    Mark(2.0f, 0);
    Mark(4.0f, 1, 1);
    oracle.Segment(0.0f, 8.0f);
    CSequence& seq = Prepared();
    seq.EnableRecordLeadIn(0);
    // Only the piece is compared: the metronome, on while recording by default, stays quiet.
    seq.GetMetronome().EnableMetroRecord(0);
    StartDevices();
    Take();
    const uint32_t t0 = m_devices.Wavegate().GetBufferTime();
    seq.Record();
    ASSERT_EQ(seq.TestState(CSequence::stateRecording), 1);
    m_devices.Step(3000);
    seq.Stop(0);
    m_devices.Step(1000);
    Compare(oracle, t0, 3000.0);
    EXPECT_EQ(seq.GetRecordLoopCount(), 0);

    // With the loop on, each pass over the loop's end starts the recording again.
    seq.SetLoopRegion(MCTime(1.0f), MCTime(3.0f));
    seq.EnableLoopRegion(1);
    seq.SetLocation(MCTime(1.0f));
    seq.Record();
    m_devices.Step(2600);
    EXPECT_EQ(seq.GetRecordLoopCount(), 2) << "two passes over the loop's end in 2.6 s of 1 s passes";
    EXPECT_EQ(seq.TestState(CSequence::stateRecording), 1);
    seq.Stop(0);
    m_devices.Step(1000);
    EXPECT_EQ(seq.GetRecordLoopCount(), 0);
}

}  // namespace

namespace {

// First and second endings: the second time through, the first ending is skipped to the
// repeat's end, and the music goes on after it.
TEST_F(FlowPlayTest, TheSecondTimeThroughTheFirstEndingIsSkipped)
{
    FlowOracle oracle;
    SetTempo(0.0f, 120.0f);
    oracle.Tempo(0.0f, 120.0f);
    Quarters(10.0f, oracle);
    Mark(1.0f, 0);  // repeat start
    Mark(4.0f, 2);  // first ending
    Mark(6.0f, 1);  // repeat end
    oracle.Segment(0.0f, 6.0f);
    oracle.Segment(1.0f, 4.0f);
    oracle.Segment(6.0f, 10.0f);
    Prepared();
    PlayAndCompare(oracle);
    ExpectWritten(oracle, WriteOut());
}

// D.S. al coda: back to the segno, then from the to-coda mark to the coda.
TEST_F(FlowPlayTest, DalSegnoGoesBackToTheSegnoAndOnToTheCoda)
{
    FlowOracle oracle;
    SetTempo(0.0f, 120.0f);
    oracle.Tempo(0.0f, 120.0f);
    Quarters(14.0f, oracle);
    Mark(2.0f, 3);    // segno
    Mark(5.0f, 4);    // to coda
    Mark(8.0f, 10);   // D.S.
    Mark(12.0f, 4);   // coda
    oracle.Segment(0.0f, 8.0f);
    oracle.Segment(2.0f, 5.0f);
    oracle.Segment(12.0f, 14.0f);
    Prepared();
    PlayAndCompare(oracle);
    ExpectWritten(oracle, WriteOut());
}

}  // namespace

namespace {

// Times the piece defines exactly stay exact at every tempo: the target of a jump, the place a
// play starts from and the edge of a slice. A note standing there is heard once, on time, at
// each whole tempo from 40 to 240.
class ExactTimesTest : public FlowPlayTest {
protected:
    // The tempi at which what output 0 played differs from the oracle: a message missing,
    // one too many, or one more than a millisecond off.
    std::vector<int> Sweep(FlowOracle& oracle, float location, const std::function<void(float bpm)>& atTempo = {})
    {
        std::vector<int> failing;
        StartDevices();
        for (int bpm = 40; bpm <= 240; ++bpm) {
            const auto tempo = static_cast<float>(bpm);
            ECTempoEnv* map = m_piece.ConductorStaff()->GetTempoEnv();
            m_piece.Conductor()->GetTempoAtTime(MCTime(0.0f))->SetTempo(tempo, 1.0f);
            map->RecalculateClockTimes();
            oracle.Tempo(0.0f, tempo);
            if (atTempo)
                atTempo(tempo);
            CSequence& seq = Prepared(location);
            Take();
            const uint32_t t0 = m_devices.Wavegate().GetBufferTime();
            seq.Play();
            // A slice at a time: the outputs' times come from their stream, not from the steps.
            for (uint32_t ms = 0; ms < 60000 && PlayState() != CSequence::stateStopped; ms += 100)
                m_devices.Step(100, 100);
            m_devices.Step(1000, 100);
            std::vector<FlowOracle::Expected> expected = oracle.Expect(true);
            const std::vector<Heard> heard = Take();
            bool same = PlayState() == CSequence::stateStopped && heard.size() == expected.size();
            std::string difference;
            for (const Heard& h : heard) {
                auto match = std::find_if(expected.begin(), expected.end(), [&](const FlowOracle::Expected& e) {
                    return e.bytes == h.bytes && std::abs(static_cast<double>(h.ms) - (t0 + e.at)) <= 1.0;
                });
                same = same && match != expected.end();
                if (match != expected.end())
                    expected.erase(match);
                else
                    difference += " unexpected " + Describe({0, h.ms - t0, h.bytes});
            }
            for (const auto& e : expected)
                difference += " missing @" + std::to_string(e.at) + Describe({0, 0, e.bytes}).substr(8);
            if (!same) {
                // The first tempo that fails tells how.
                if (failing.empty())
                    ADD_FAILURE() << "at " << bpm << ":" << difference;
                failing.push_back(bpm);
            }
        }
        return failing;
    }
};

// The second time through, the first ending sends the play on to the second at 12 (played
// from just before the repeat, so that each tempo takes few slices).
TEST_F(ExactTimesTest, TheNoteAtASecondEndingIsHeardAtEveryTempo)
{
    FlowOracle oracle;
    SetTempo(0.0f, 120.0f);
    Quarters(14.0f, oracle);
    Mark(7.0f, 0);   // repeat start
    Mark(8.0f, 2);   // first ending
    Mark(12.0f, 1);  // repeat end; the second ending follows it
    oracle.Segment(6.5f, 12.0f);
    oracle.Segment(7.0f, 8.0f);
    oracle.Segment(12.0f, 14.0f);
    EXPECT_EQ(Sweep(oracle, 6.5f), std::vector<int>{});
}

// After the D.S. the to-coda mark sends the play to the coda at 16.
TEST_F(ExactTimesTest, TheNoteAtACodaIsHeardAtEveryTempo)
{
    FlowOracle oracle;
    SetTempo(0.0f, 120.0f);
    Quarters(18.0f, oracle);
    Mark(5.0f, 3);   // segno
    Mark(6.0f, 4);   // to coda
    Mark(12.0f, 10); // D.S.
    Mark(16.0f, 4);  // the coda
    oracle.Segment(11.0f, 12.0f);
    oracle.Segment(5.0f, 6.0f);
    oracle.Segment(16.0f, 18.0f);
    EXPECT_EQ(Sweep(oracle, 11.0f), std::vector<int>{});
}

// A play from 1.75 begins with the note that stands at 1.75.
TEST_F(ExactTimesTest, APlayFromALocationBeginsWithTheNoteThere)
{
    FlowOracle oracle;
    SetTempo(0.0f, 120.0f);
    for (const auto& [time, key] : {std::pair{0.5f, 40}, std::pair{1.75f, 41}, std::pair{2.5f, 42}}) {
        Note(1, time, 0.5f, key);
        oracle.Note(0, time, 0.5f, key);
    }
    oracle.Segment(1.75f, 3.0f);
    EXPECT_EQ(Sweep(oracle, 1.75f), std::vector<int>{});
}

// Notes that begin where one slice of 100 ms ends and the next begins: each in one of them,
// once, at its millisecond.
TEST_F(ExactTimesTest, NotesOnSliceBoundariesAreHeardOnceOnTime)
{
    constexpr int kNotes = 6;
    std::vector<ECNote*> notes;
    for (int k = 1; k <= kNotes; ++k)
        notes.push_back(Note(1, static_cast<float>(k) * 0.1f, 0.1f, 60 + k));
    SetTempo(0.0f, 120.0f);
    FlowOracle oracle;
    oracle.Segment(0.0f, 4.0f);
    FlowOracle* kept = &oracle;
    const std::vector<int> failing = Sweep(oracle, 0.0f, [&](float bpm) {
        // One slice is bpm / 600 quarter notes.
        *kept = FlowOracle();
        kept->Segment(0.0f, 4.0f);
        for (int k = 1; k <= kNotes; ++k) {
            const float slice = bpm / 600.0f;
            const MCTime at(static_cast<float>(k) * slice);
            const MCTime length(slice);
            notes[static_cast<size_t>(k - 1)]->SetTime(&at);
            notes[static_cast<size_t>(k - 1)]->SetDuration(&length);
            kept->Note(0, at.GetSeconds(), slice, 60 + k);
        }
        kept->Tempo(0.0f, bpm);
    });
    EXPECT_EQ(failing, std::vector<int>{});
}

}  // namespace
