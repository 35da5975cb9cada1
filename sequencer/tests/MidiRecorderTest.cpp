#include "notabase/actions/ACFindEvents.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECStaff.h"
#include "platform/media/memory/MemoryMidiIn.h"
#include "sequencer/data/DCsqNote.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/record/CMidiRecorder.h"
#include "sequencer/tests/PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

namespace {

uint32_t Packed(unsigned status, unsigned data1, unsigned data2 = 0)
{
    return status | data1 << 8 | data2 << 16;
}

// A recorded note as the score holds it.
struct Taken {
    int track;
    int voice;
    float time;
    float length;
    int key;
    bool operator==(const Taken&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Taken& note)
{
    return out << "track " << note.track << " voice " << note.voice << " @" << note.time << " len " << note.length
               << " key " << note.key;
}

void Collect(ECBase* element, int track, std::vector<Taken>& notes)
{
    MCEventList* children = element ? element->GetChildren() : nullptr;
    if (!children)
        return;
    for (ECBase* child : *children) {
        if (child->GetEventId() == EventId::Note) {
            auto* data = plat::dynamicDowncast<DCsqNote>(child->GetData(0, 0));
            const MCVoiceTrack* word = child->GetVoiceTrack();
            notes.push_back({track, word ? word->GetVoice() : -1, child->GetTime()->GetSeconds(),
                             child->GetDuration()->GetSeconds(), data ? data->GetNoteOnData().GetDataByte1() : -1});
        }
        Collect(child, track, notes);
    }
}

// The routing table, on a device manager with two MIDI inputs.
class MidiRoutingTest : public ::testing::Test {
protected:
    MidiRoutingTest() : m_devices(1, 2)
    {
        m_piece.AddStaves(3);
        m_sequence.Attach(m_piece.Performance());
    }
    ~MidiRoutingTest() override { m_sequence.Detach(); }

    CMidiRecorder& Recorder() { return m_sequence.GetMidiRecorder(); }

    SequencerEnvironment m_environment;
    MemoryDevices m_devices;
    Piece m_piece;
    CSequence m_sequence;
};

TEST_F(MidiRoutingTest, EachConfigurationRoutesDeviceChannelAndPitch)
{
    struct Case {
        int config;
        int ignoresDevice;
        unsigned device;
        unsigned channel;
        unsigned pitch;
        int voice;
        int track;
    };
    const std::vector<Case> cases = {
        {0, 1, 0, 5, 70, 0, 1},   {0, 1, 1, 5, 70, 0, 1},   {0, 0, 1, 5, 70, 0, 2},
        {2, 1, 0, 0, 59, 0, 2},   {2, 1, 0, 0, 60, 0, 1},   {2, 0, 1, 0, 59, 0, 4},   {2, 0, 1, 0, 60, 0, 3},
        {3, 1, 0, 9, 59, 1, 1},   {3, 1, 0, 9, 60, 0, 1},   {3, 0, 1, 9, 60, 0, 2},
        {4, 1, 0, 3, 60, 0, 4},   {4, 0, 1, 3, 60, 0, 20},  {1, 1, 0, 0, 60, 0, 1},   {1, 0, 1, 0, 60, 0, 17},
        // Low channel 2: channel 0 below it; six voices of track 1, seven of track 2, then track 3.
        {5, 1, 0, 0, 60, 0, 1},   {5, 1, 0, 1, 60, 0, 1},   {5, 1, 0, 2, 60, 1, 1},   {5, 1, 0, 6, 60, 5, 1},
        {5, 1, 0, 7, 60, 0, 2},   {5, 1, 0, 13, 60, 6, 2},  {5, 1, 0, 14, 60, 0, 3},  {5, 1, 0, 15, 60, 1, 3},
        {5, 0, 1, 1, 60, 0, 4},   {7, 1, 0, 2, 60, 0, 1},
        // A device the table has no row for is routed like device 0.
        {2, 0, 9, 0, 59, 0, 2},
    };
    Recorder().SetSplitPitch(60);
    for (const Case& c : cases) {
        SCOPED_TRACE("config " + std::to_string(c.config) + " ignore " + std::to_string(c.ignoresDevice) + " device " +
                     std::to_string(c.device) + " channel " + std::to_string(c.channel) + " pitch " + std::to_string(c.pitch));
        Recorder().SetRecordConfig(c.config);
        Recorder().SetIgnoresDevice(c.ignoresDevice);
        const MCVoiceTrack routed = Recorder().GetRealVoiceTrack(c.device, c.channel, c.pitch);
        EXPECT_EQ(routed.GetVoice(), c.voice);
        EXPECT_EQ(routed.GetTrack(), c.track);
    }
}

TEST_F(MidiRoutingTest, TheInputDeviceTradesRowsWithDeviceZero)
{
    Recorder().SetRecordConfig(0);
    Recorder().SetIgnoresDevice(0);
    m_sequence.SetInputMidiDevice(1);
    EXPECT_EQ(Recorder().GetRealVoiceTrack(1, 0, 60).GetTrack(), 1);
    EXPECT_EQ(Recorder().GetRealVoiceTrack(0, 0, 60).GetTrack(), 2);
    // A preference naming a device that is gone reads row 0, never past the table.
    m_sequence.SetInputMidiDevice(7);
    EXPECT_EQ(Recorder().GetRealVoiceTrack(0, 0, 60).GetTrack(), 1);
    EXPECT_EQ(Recorder().GetRealVoiceTrack(7, 0, 60).GetTrack(), 1);
    Recorder().SetBaseVoiceTrack(MCVoiceTrack(3, 3), 5, 0, 0);
    Recorder().SetBaseVoiceTrack(MCVoiceTrack(3, 3), 0, 16, 0);
    EXPECT_EQ(Recorder().GetBaseVoiceTrack(0, 0, 0).GetTrack(), 1) << "out-of-range entries are ignored";
}

TEST_F(MidiRoutingTest, ANewChannelGetsATrackAfterTheLastAndKeepsIt)
{
    Recorder().SetRecordConfig(1);
    const MCVoiceTrack first = Recorder().GetRealVoiceTrack(0, 5, 60);
    EXPECT_EQ(first.GetTrack(), 4);
    EXPECT_EQ(Recorder().GetRealVoiceTrack(0, 5, 20), first) << "both halves of the channel follow it";
    EXPECT_EQ(Recorder().GetRealVoiceTrack(0, 6, 60).GetTrack(), 4) << "the next channel too, until a staff is made";
}

TEST_F(MidiRoutingTest, OffsetsMoveTheVoiceAndTrackWithinBounds)
{
    Recorder().SetRecordConfig(3);
    Recorder().SelectBaseRecordingTrack(3);
    EXPECT_EQ(Recorder().GetTrackOffset(), 2u);
    EXPECT_EQ(Recorder().GetRealVoiceTrack(0, 0, 40), MCVoiceTrack(1, 3));
    Recorder().SetVoiceOffset(5);
    EXPECT_EQ(Recorder().GetRealVoiceTrack(0, 0, 40), MCVoiceTrack(6, 3));
    Recorder().SetVoiceOffset(9);
    EXPECT_EQ(Recorder().GetRealVoiceTrack(0, 0, 40), MCVoiceTrack(7, 3)) << "a voice past 7 records into 7";
    Recorder().SelectBaseRecordingTrack(0);
    EXPECT_EQ(Recorder().GetTrackOffset(), 0u);
}

// Recording through the device manager: MIDI fed to the memory input while the sequence
// records on the manual clock.
class MidiRecordTest : public PlayerFixture {
protected:
    MidiRecordTest() : PlayerFixture(2) {}

    void SetUp() override
    {
        PlayerFixture::SetUp();
        SetTempo(0.0f, 120.0f);
        Sequence(0.0f, 0);
        m_sequence->EnableRecordLeadIn(0);
        StartDevices();
    }

    plat::media::MemoryMidiIn& Input() { return m_devices.In(0); }
    // Waits until the input's thread has handed on what it was fed, then lets this thread
    // record it: the recorder queues what comes in to this thread, which records it (one
    // turn) and runs the commands that posts (the next).
    void SettleInput()
    {
        CWGDevice* input = m_devices.Wavegate().GetDevice(CWavegate::WG_MIDI, CWavegate::WG_IN, 0);
        for (int round = 0; round < 500 && !input->Sync(5); ++round)
            plat::MessageLoop::current().pump();
        m_devices.Settle();
        for (int turn = 0; turn < 2; ++turn)
            plat::MessageLoop::current().pump();
    }
    void Feed(uint32_t message)
    {
        ASSERT_TRUE(Input().feed(message));
        SettleInput();
    }

    // Starts recording and runs the clock until the first slice has placed the play.
    void StartRecording()
    {
        m_sequence->Record();
        for (int i = 0; i < 100 && !m_sequence->TestState(CSequence::statePlaying); ++i)
            m_devices.Step(10);
        ASSERT_EQ(m_sequence->TestState(CSequence::stateRecording), 1);
        // Recorded elements reach the score as soon as the main thread runs its messages,
        // not on the batching timer.
        m_piece.Performance()->SetCommandRate(0);
        plat::MessageLoop::current().pump();
    }

    // The play time (ms since the devices started) at which a musical time sounds.
    uint32_t SoundsAt(float quarter)
    {
        MCTime at(quarter);
        m_sequence->AbsoluteTime(at);
        return static_cast<uint32_t>(at.GetMSec());
    }

    // Plays the phrase: (musical time, message) in order, each fed when the clock reaches the
    // moment that time sounds.
    void Play(const std::vector<std::pair<float, uint32_t>>& phrase)
    {
        for (const auto& [quarter, message] : phrase) {
            const uint32_t target = SoundsAt(quarter);
            while (m_devices.Wavegate().GetElapsedPlayTime() < target)
                m_devices.Step(1, 1);
            Feed(message);
        }
        m_devices.Step(50);
    }

    void StopRecording()
    {
        m_sequence->Stop(0);
        m_devices.Step(300);
        m_piece.Performance()->SetCommandRate(0);
        plat::MessageLoop::current().pump();
    }

    std::vector<Taken> Notes()
    {
        std::vector<Taken> notes;
        for (int track = 1; track <= m_piece.Conductor()->GetMaxTrackNumber(1); ++track)
            Collect(m_piece.Conductor()->GetTrack(1, track, 0), track, notes);
        std::sort(notes.begin(), notes.end(),
                  [](const Taken& a, const Taken& b) { return std::tie(a.time, a.key) < std::tie(b.time, b.key); });
        return notes;
    }

};

TEST_F(MidiRecordTest, APlayedPhraseBecomesNotesAtItsBeatsAndPlaysBack)
{
    StartRecording();
    // Quarter notes on beats 2 to 5, each held for an eighth.
    Play({{2.0f, Packed(0x90, 60, 100)}, {2.5f, Packed(0x80, 60)}, {3.0f, Packed(0x90, 62, 90)}, {3.5f, Packed(0x80, 62)},
          {4.0f, Packed(0x90, 64, 80)}, {4.5f, Packed(0x80, 64)}, {5.0f, Packed(0x90, 65, 70)}, {5.5f, Packed(0x80, 65)}});
    StopRecording();
    const std::vector<Taken> notes = Notes();
    ASSERT_EQ(notes.size(), 4u);
    const int keys[] = {60, 62, 64, 65};
    for (size_t i = 0; i < notes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(notes[i].track, 1);
        EXPECT_EQ(notes[i].voice, 0);
        EXPECT_EQ(notes[i].key, keys[i]);
        EXPECT_NEAR(notes[i].time, 2.0f + static_cast<float>(i), 0.01f);
        EXPECT_NEAR(notes[i].length, 0.5f, 0.01f);
    }

    // Played back from the start, the notes sound half a second apart, the first on beat 2.
    Take();
    m_sequence->CheckDataIntegrity();
    m_sequence->SetLocation(MCTime(0.0f));
    m_sequence->EnableAutoStop(1);
    m_sequence->Play();
    m_devices.Step(10);
    const uint32_t start = SoundsAt(0.0f);
    PlayToTheEnd();
    std::vector<Heard> ons;
    for (const Heard& heard : Take())
        if (IsNoteOn(heard.bytes))
            ons.push_back(heard);
    ASSERT_EQ(ons.size(), 4u);
    for (size_t i = 0; i < ons.size(); ++i) {
        EXPECT_EQ(ons[i].bytes[1], keys[i]);
        EXPECT_NEAR(static_cast<double>(ons[i].ms - start), 1000.0 + 500.0 * static_cast<double>(i), 10.0) << Describe(ons[i]);
    }
}

TEST_F(MidiRecordTest, QuantizingPutsLateAndEarlyNotesOnTheGrid)
{
    LCsqQuantize& quantizer = m_sequence->GetMidiRecorder().GetQuantizer();
    quantizer.SetPrimaryDivision(4);
    quantizer.SetQuantizationPercent(100);
    quantizer.SetQuantizationMode(1);
    quantizer.SetEnabled(1);
    StartRecording();
    // Played late and early around beats 2, 3 and 4.
    Play({{2.08f, Packed(0x90, 60, 100)}, {2.4f, Packed(0x80, 60)}, {2.9f, Packed(0x90, 62, 90)}, {3.3f, Packed(0x80, 62)},
          {4.1f, Packed(0x90, 64, 80)}, {4.6f, Packed(0x80, 64)}});
    StopRecording();
    const std::vector<Taken> notes = Notes();
    ASSERT_EQ(notes.size(), 3u);
    const float beats[] = {2.0f, 3.0f, 4.0f};
    for (size_t i = 0; i < notes.size(); ++i) {
        SCOPED_TRACE(::testing::PrintToString(notes[i]));
        EXPECT_NEAR(notes[i].time, beats[i], 0.001f);
    }
}

// The pressure of a held key is no note: it goes onto the grid as it comes, with the
// controllers, where a note waits for its note off.
TEST_F(MidiRecordTest, KeyPressureIsQuantizedWithTheOtherEventsAsItComes)
{
    LCsqQuantize& quantizer = m_sequence->GetMidiRecorder().GetQuantizer();
    quantizer.SetPrimaryDivision(4);
    quantizer.SetQuantizationPercent(100);
    quantizer.SetQuantizationMode(LCsqQuantize::modeNoteStarts | LCsqQuantize::modeOtherEvents);
    quantizer.SetEnabled(1);
    StartRecording();
    Play({{2.08f, Packed(0x90, 60, 100)}, {2.9f, Packed(0xA0, 60, 50)}, {3.1f, Packed(0xB0, 1, 64)},
          {3.3f, Packed(0x80, 60)}});
    StopRecording();
    auto timeOf = [&](int id) {
        ACFindEvents find;
        find.AddEvtType(id);
        find.Apply(m_piece.Performance());
        return find.GetEvents().IsEmpty() ? -1.0f : find.GetEvents().GetHead()->GetTime()->GetSeconds();
    };
    EXPECT_NEAR(timeOf(EventId::Note), 2.0f, 0.001f);
    EXPECT_NEAR(timeOf(EventId::PolyPressure), 3.0f, 0.001f);
    EXPECT_NEAR(timeOf(EventId::ControlChange), 3.0f, 0.001f);
}

TEST_F(MidiRecordTest, TheRecordRegionPunchesInAndOut)
{
    m_sequence->SetRecordRegion(MCTime(1.0f), MCTime(2.0f));
    m_sequence->EnableRecordRegion(1);
    m_sequence->SetPreRecordAllowance(MCTime(0.25f));
    StartRecording();
    Play({{0.5f, Packed(0x90, 50, 100)},   // before the region, past the allowance: lost
          {0.6f, Packed(0x80, 50)},
          {0.85f, Packed(0x90, 60, 100)},  // within the allowance: at the region's start
          {1.5f, Packed(0x90, 62, 100)},
          {1.7f, Packed(0x80, 62)},
          {2.2f, Packed(0x80, 60)},        // a note off after the end still ends its note
          {2.4f, Packed(0x90, 64, 100)},   // a note on after the end is dropped
          {2.6f, Packed(0x80, 64)}});
    StopRecording();
    const std::vector<Taken> notes = Notes();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].key, 60);
    EXPECT_FLOAT_EQ(notes[0].time, 1.0f);
    EXPECT_NEAR(notes[0].length, 1.2f, 0.03f);
    EXPECT_EQ(notes[1].key, 62);
    EXPECT_NEAR(notes[1].time, 1.5f, 0.03f);
}

// The recording thread never waits for this one: a key that comes in while this thread
// does not serve its queue (as while a stop waits for the recording lock) is handed on at
// once and recorded when this thread next runs its messages.
TEST_F(MidiRecordTest, AKeyComingInWhileThisThreadIsBusyDoesNotHoldTheRecordingThread)
{
    m_sequence->SetLocation(MCTime(0.0f));
    m_sequence->Step();
    m_sequence->Record();
    ASSERT_EQ(m_sequence->TestState(CSequence::stateStepRecording), 1);
    m_devices.Step(20);
    m_piece.Performance()->SetCommandRate(0);

    CWGDevice* input = m_devices.Wavegate().GetDevice(CWavegate::WG_MIDI, CWavegate::WG_IN, 0);
    ASSERT_TRUE(Input().feed(Packed(0x90, 60, 100)));
    EXPECT_TRUE(input->Sync(2000)) << "the input's thread waited for this thread";
    EXPECT_TRUE(Notes().empty()) << "nothing is added off this thread";
    SettleInput();
    Feed(Packed(0x80, 60));
    ASSERT_EQ(Notes().size(), 1u);
    EXPECT_EQ(Notes()[0].key, 60);
    m_sequence->Stop(0);
    m_devices.Step(100);
}

TEST_F(MidiRecordTest, StepRecordingAddsOneChordPerStepAsOneUndoEntry)
{
    ECPerformance* performance = m_piece.Performance();
    m_sequence->SetLocation(MCTime(4.0f));
    m_sequence->Step();
    ASSERT_EQ(m_sequence->GetStepMode(), 1);
    m_sequence->Record();
    ASSERT_EQ(m_sequence->TestState(CSequence::stateStepRecording), 1);
    m_devices.Step(20);
    performance->SetCommandRate(0);
    const float step = m_sequence->GetStepRecordDuration().GetSeconds();
    ASSERT_GT(step, 0.0f);
    const int undoBefore = performance->GetUndoCount();

    // A chord of three keys, released in another order.
    for (uint32_t message : {Packed(0x90, 60, 100), Packed(0x90, 64, 100), Packed(0x90, 67, 100), Packed(0xB0, 7, 90),
                             Packed(0x80, 64), Packed(0x80, 60), Packed(0x90, 67, 0)})
        Feed(message);
    plat::MessageLoop::current().pump();
    EXPECT_EQ(performance->GetUndoCount(), undoBefore + 1);
    std::string name;
    performance->GetUndoString(name, -1);
    EXPECT_EQ(name, "Add Note (step-record)");

    // A rest moves the step on with no note; the next key lands after it.
    m_sequence->Step();
    Feed(Packed(0x90, 72, 100));
    Feed(Packed(0x80, 72));
    plat::MessageLoop::current().pump();

    const std::vector<Taken> notes = Notes();
    ASSERT_EQ(notes.size(), 4u);
    const int chord[] = {60, 64, 67};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(notes[i].time, 4.0f);
        EXPECT_EQ(notes[i].key, chord[i]);
    }
    EXPECT_NEAR(notes[3].time, 4.0f + 2.0f * step, 0.002f);
    EXPECT_EQ(notes[3].key, 72);

    // Each step is one entry: the last key, the rest, then the whole chord at once.
    EXPECT_EQ(performance->GetUndoCount(), undoBefore + 3);
    m_sequence->Stop(0);
    m_devices.Step(100);
    performance->Undo(1);
    plat::MessageLoop::current().pump();
    EXPECT_EQ(Notes().size(), 3u);
    performance->Undo(2);
    plat::MessageLoop::current().pump();
    EXPECT_EQ(Notes().size(), 0u);
}


// A key still down when the recording stops or pauses ends its note there: no note off will
// come for it, and the note would keep the length it was made with.
class MidiHeldKeyTest : public MidiRecordTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MidiHeldKeyTest, AKeyHeldWhenTheRecordingEndsLastsUntilThen)
{
    const bool pause = GetParam();
    StartRecording();
    Play({{2.0f, Packed(0x90, 60, 100)}, {3.0f, Packed(0x90, 62, 100)}, {3.5f, Packed(0x80, 62)}});
    while (m_devices.Wavegate().GetElapsedPlayTime() < SoundsAt(5.0f))
        m_devices.Step(1, 1);
    if (pause) {
        m_sequence->Pause();
        m_devices.Step(300);
        plat::MessageLoop::current().pump();
    }
    StopRecording();
    const std::vector<Taken> notes = Notes();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].key, 60);
    EXPECT_NEAR(notes[0].length, 3.0f, 0.02f);
    EXPECT_EQ(notes[1].key, 62);
    EXPECT_NEAR(notes[1].length, 0.5f, 0.02f);
}

INSTANTIATE_TEST_SUITE_P(StopAndPause, MidiHeldKeyTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Pause" : "Stop"; });

}  // namespace
