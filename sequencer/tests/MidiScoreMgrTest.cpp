#include "notabase/model/ECChannelMode.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECText.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECStaff.h"
#include "notabase/score/ECTuplet.h"
#include "notabase/states/SCMode.h"
#include "sequencer/data/DCsqChannelMode.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/layers/LCsqQuantize.h"
#include "sequencer/score/CMidiScoreMgr.h"
#include "sequencer/tests/SequencerTestSupport.h"
#include "sequencer/transport/CSequence.h"
#include "sequencer/values/MCVoiceMap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

FCMidi Message(unsigned status, unsigned data1, unsigned data2 = 0)
{
    return FCMidi(static_cast<MIDIWORD>(status | data1 << 8 | data2 << 16));
}

class MidiScoreMgrTest : public ::testing::Test {
protected:
    MidiScoreMgrTest()
    {
        m_piece.AddStaves(2);
        m_sequence.Attach(m_piece.Performance());
        // As in a file load, each element is in the score when its add returns.
        Score().SetFileLoading(1);
    }
    ~MidiScoreMgrTest() override { m_sequence.Detach(); }

    CMidiScoreMgr& Score() { return m_sequence.GetMidiScoreMgr(); }
    ECBase* Midi(float time, int track, const FCMidi& message, int device = 0)
    {
        return Score().AddMidiEvent(MCTime(time), MCVoiceTrack(0, track), message, device, MCTime::TimeNull());
    }
    float Length(ECBase* note) { return note->GetDuration()->GetSeconds(); }
    int ConductorBars() { return m_piece.Conductor()->GetMeasureNumberAtTime(m_piece.Conductor()->GetMaxMeasureEndTime() - MCTime(0.001f)); }

    SequencerEnvironment m_environment;
    Piece m_piece;
    CSequence m_sequence;
};

TEST_F(MidiScoreMgrTest, NoteDurationsFollowTheirNoteOffs)
{
    struct Case {
        const char* what;
        float on;
        FCMidi off;
        float offAt;
        float length;
    };
    const std::vector<Case> cases = {
        {"a note off", 1.0f, Message(0x80, 60), 2.5f, 1.5f},
        {"a note on of velocity 0", 1.0f, Message(0x90, 60, 0), 1.25f, 0.25f},
        {"a note off at the note's own time", 1.0f, Message(0x80, 60), 1.0f, 0.1f},
        {"across a bar line", 3.5f, Message(0x80, 60), 4.5f, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ECBase* note = Midi(c.on, 1, Message(0x90, 60, 100));
        ASSERT_NE(note, nullptr);
        plat::RefPtr<ECBase> hold(note);
        EXPECT_EQ(Midi(c.offAt, 1, c.off), nullptr) << "a note off adds nothing";
        EXPECT_FLOAT_EQ(Length(note), c.length);
        EXPECT_NE(note->GetAncestor(EventId::Measure, -1), nullptr);
    }
    EXPECT_EQ(Midi(3.0f, 1, Message(0x80, 61)), nullptr) << "a note off with no note on";
}

TEST_F(MidiScoreMgrTest, TheNoteOffEndsTheLatestNoteOnOfItsKeyChannelAndDevice)
{
    plat::RefPtr<ECBase> first(Midi(0.0f, 1, Message(0x90, 60, 100)));
    plat::RefPtr<ECBase> second(Midi(1.0f, 1, Message(0x90, 60, 100)));
    plat::RefPtr<ECBase> otherChannel(Midi(1.0f, 1, Message(0x91, 60, 100)));
    plat::RefPtr<ECBase> otherDevice(Midi(1.0f, 1, Message(0x90, 60, 100), 1));
    Midi(3.0f, 1, Message(0x80, 60));
    EXPECT_FLOAT_EQ(Length(second.get()), 2.0f);
    EXPECT_FLOAT_EQ(Length(first.get()), 1.0f) << "the earlier note ends where the later one begins";
    Midi(4.0f, 1, Message(0x81, 60));
    Midi(5.0f, 1, Message(0x80, 60), 1);
    EXPECT_FLOAT_EQ(Length(otherChannel.get()), 3.0f);
    EXPECT_FLOAT_EQ(Length(otherDevice.get()), 4.0f);

    // Forgotten notes keep their length; a later note off finds nothing.
    plat::RefPtr<ECBase> open(Midi(6.0f, 1, Message(0x90, 64, 100)));
    const float before = Length(open.get());
    Score().ClearPendingEvents();
    Midi(7.0f, 1, Message(0x80, 64));
    EXPECT_FLOAT_EQ(Length(open.get()), before);
}

TEST_F(MidiScoreMgrTest, MetersStandOnBarLinesAndKeysOncePerTime)
{
    const MCVoiceTrack conductor(0, 0);
    m_piece.AddBarsUpTo(16.0f);
    EXPECT_NE(Score().AddMeterEvent(MCTime(0.0f), conductor, 3, 4), nullptr) << "no meter in force";
    ASSERT_NE(Score().AddMeterEvent(MCTime(0.0f), conductor, 4, 4), nullptr);
    EXPECT_EQ(Score().AddMeterEvent(MCTime(6.0f), conductor, 3, 4), nullptr) << "off the bar line of 4/4";
    ASSERT_NE(Score().AddMeterEvent(MCTime(8.0f), conductor, 3, 4), nullptr);
    EXPECT_EQ(Score().AddMeterEvent(MCTime(10.0f), conductor, 2, 4), nullptr) << "off the bar line of 3/4";
    EXPECT_NE(Score().AddMeterEvent(MCTime(11.0f), conductor, 2, 4), nullptr);
    EXPECT_EQ(Score().AddMeterEvent(MCTime(13.0f), conductor, 0, 4), nullptr) << "no beats";
    EXPECT_EQ(Score().AddMeterEvent(MCTime(13.0f), conductor, 3, 5), nullptr) << "no power of two";

    const MCVoiceTrack staff(0, 1);
    ECBase* key = Score().AddKeySignature(MCTime(4.0f), staff, 2, 0, 0);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(static_cast<ECKey*>(key)->GetNumSharps(), 2);
    EXPECT_EQ(Score().AddKeySignature(MCTime(4.0f), staff, 0, 3, 1), nullptr) << "a key already stands there";
    EXPECT_EQ(Score().AddKeySignature(MCTime(4.0f), MCVoiceTrack(0, 9), 0, 3, 1), nullptr) << "no staff";
}

TEST_F(MidiScoreMgrTest, TextTypesFollowTheMetaType)
{
    struct Case {
        int metaType;
        int track;
        const char* text;
        int type;
    };
    const std::vector<Case> cases = {
        {1, 1, "text", 0},       {2, 0, "(c)", 1},   {3, 0, "Song", 8},   {3, 1, "Piano", 3},
        {4, 1, "Piano", 4},      {6, 0, "Verse", 15}, {6, 0, "Part 2", 14}, {7, 0, "cue", 6},
        {10, 1, "other", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string text = c.text;
        ECBase* element = Score().AddTextEvent(MCTime(0.0f), MCVoiceTrack(0, c.track),
                                               reinterpret_cast<const unsigned char*>(text.data()), static_cast<long>(text.size()), c.metaType);
        ASSERT_NE(element, nullptr);
        EXPECT_EQ(static_cast<ECText*>(element)->GetTextType(), c.type);
        EXPECT_EQ(static_cast<ECText*>(element)->GetText(), text);
    }
    const unsigned char bytes[] = {'a', 0, 'b'};
    ECBase* embedded = Score().AddTextEvent(MCTime(0.0f), MCVoiceTrack(0, 1), bytes, 3, 1);
    EXPECT_EQ(static_cast<ECText*>(embedded)->GetText(), std::string("a\0b", 3)) << "exactly the given length";
}

TEST_F(MidiScoreMgrTest, FlowMarksStandInVoiceFourteenOfTheConductor)
{
    for (ECBase* flow : {Score().AddSequenceNumber(MCTime(0.0f), MCVoiceTrack(3, 2), 7),
                         Score().AddTrackEnd(MCTime(2.0f), MCVoiceTrack(0, 1)),
                         Score().AddSMPTEOffset(MCTime(0.0f), MCVoiceTrack(0, 1), 1, 2, 3, 4, 5)}) {
        ASSERT_NE(flow, nullptr);
        EXPECT_EQ(flow->GetVoiceTrack()->GetVoice(), 14);
        EXPECT_EQ(flow->GetVoiceTrack()->GetTrack(), 0);
    }
}

TEST_F(MidiScoreMgrTest, BarsComeOneAtATimeWhenLoadingAndTenAtATimeWhileRecording)
{
    Score().CapMeasures(MCTime(5.0f));
    EXPECT_EQ(m_piece.Conductor()->GetMaxMeasureEndTime().GetSeconds(), 8.0f);
    Score().SetFileLoading(0);
    m_sequence.AddState(CSequence::stateRecording);
    Score().CapMeasures(MCTime(9.0f));
    EXPECT_EQ(m_piece.Conductor()->GetMaxMeasureEndTime().GetSeconds(), 48.0f) << "ten more bars of 4/4";
    m_sequence.ClearState(CSequence::stateRecording);
}

TEST_F(MidiScoreMgrTest, ChannelModesFollowTheOmniAndPolyMasks)
{
    struct Step {
        FCMidi message;
        int type;
    };
    // Channel 3: omni off (poly) is mode 3, mono on (omni off) mode 4, omni on (mono) mode 2,
    // poly on (omni on) mode 1.
    const std::vector<Step> steps = {
        {Message(0xB3, 120), 0}, {Message(0xB3, 121), 1}, {Message(0xB3, 122, 1), 2}, {Message(0xB3, 122, 0), 3},
        {Message(0xB3, 123), 4}, {Message(0xB3, 124), 7}, {Message(0xB3, 126, 4), 8}, {Message(0xB3, 125), 6},
        {Message(0xB3, 127), 5},
    };
    float time = 0.0f;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.type);
        ECBase* mode = Midi(time, 1, step.message);
        ASSERT_NE(mode, nullptr);
        EXPECT_EQ(static_cast<ECChannelMode*>(mode)->GetChannelModeType(), step.type);
        auto* data = plat::dynamicDowncast<DCsqChannelMode>(mode->GetData(0, 0));
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->GetBasicChannel(), 3);
        time += 1.0f;
    }
    EXPECT_EQ(Score().GetOmniMask(), 0xFFFF);
    Midi(time, 1, Message(0xB3, 126, 1));
    EXPECT_EQ(Score().GetPolyMask(), 0xFFF7);
    Score().SetFileLoading(1);
    EXPECT_EQ(Score().GetPolyMask(), 0xFFFF);
}

TEST_F(MidiScoreMgrTest, ARecordingThatMakesATrackPerChannelNamesAndRoutesTheNewStaff)
{
    m_sequence.GetMidiRecorder().SetRecordConfig(1);
    m_sequence.AddState(CSequence::stateRecording);
    plat::RefPtr<ECBase> note(Midi(1.0f, 3, Message(0x95, 60, 100), 1));
    m_sequence.ClearState(CSequence::stateRecording);
    ASSERT_NE(note.get(), nullptr);
    ECTrack* staff = m_piece.Conductor()->GetTrack(1, 3, 0);
    ASSERT_NE(staff, nullptr) << "the staff was made for the recording";
    plat::MessageLoop::current().pump();
    bool named = false;
    for (ECBase* child : *staff->GetChildren()) {
        if (child->GetEventId() == EventId::Text)
            named = named || static_cast<ECText*>(child)->GetText() == "Track 3";
    }
    EXPECT_TRUE(named);
    DCsqTrack* data = DCsqTrack::GetTrackData(3, 1, &m_sequence);
    ASSERT_NE(data, nullptr);
    for (int voice = 0; voice < 8; ++voice) {
        EXPECT_EQ(data->GetVoiceMap(voice)->GetDevice(), 1u);
        EXPECT_EQ(data->GetVoiceMap(voice)->GetChannel(), 5u);
    }
}

TEST_F(MidiScoreMgrTest, ARecordedNoteIsQuantizedAtItsNoteOff)
{
    // The recorder's quantizer moves note starts to the nearest sixteenth.
    LCsqQuantize& quantizer = m_sequence.GetMidiRecorder().GetQuantizer();
    quantizer.SetPrimaryDivision(4);
    quantizer.SetQuantizationPercent(100);
    quantizer.SetQuantizationMode(LCsqQuantize::modeNoteStarts);
    quantizer.SetEnabled(1);
    m_sequence.AddState(CSequence::stateRecording);
    plat::RefPtr<ECBase> note(Midi(1.02f, 1, Message(0x90, 60, 100)));
    Midi(1.52f, 1, Message(0x80, 60));
    m_sequence.ClearState(CSequence::stateRecording);
    EXPECT_FLOAT_EQ(note->GetTime()->GetSeconds(), 1.0f);
    EXPECT_NEAR(Length(note.get()), 0.5f, 1e-5f) << "the length the note off gave stays";
    // Not recording: nothing is quantized.
    plat::RefPtr<ECBase> played(Midi(2.02f, 1, Message(0x90, 62, 100)));
    Midi(2.52f, 1, Message(0x80, 62));
    EXPECT_FLOAT_EQ(played->GetTime()->GetSeconds(), 2.02f);
    // Nor with the quantizer off.
    quantizer.SetEnabled(0);
    m_sequence.AddState(CSequence::stateRecording);
    plat::RefPtr<ECBase> loose(Midi(3.02f, 1, Message(0x90, 64, 100)));
    Midi(3.52f, 1, Message(0x80, 64));
    m_sequence.ClearState(CSequence::stateRecording);
    EXPECT_FLOAT_EQ(loose->GetTime()->GetSeconds(), 3.02f);
}

TEST_F(MidiScoreMgrTest, ATupletEntryAddsACopyOfTheTemplateAboveThePlayedKey)
{
    EXPECT_EQ(Score().AddTupletEvent(MCTime(0.0f), MCVoiceTrack(0, 1), Message(0x90, 60, 100), 0, MCTime(0.5f)), nullptr)
        << "no entry template";

    m_piece.AddBarsUpTo(8.0f);
    plat::RefPtr<ECTuplet> entry(new ECTuplet(3, 2, ECTuplet::unitsEighth));
    for (int key : {60, 64, 67}) {
        auto* note = new ECNote(MCTime(0.0f), MCTime(1.0f / 3));
        entry->AddChild(note, 1);
        auto* data = plat::dynamicDowncast<DCsqNote>(note->GetData(0, 1));
        data->SetNoteOnData(Message(0x90, static_cast<unsigned>(key), 90));
    }
    SCMode::SetEventFunc([](void* template_) { return static_cast<ECBase*>(template_); }, entry.get());
    SCMode::SetMode(SCMode::kEventMode);
    ECBase* added = Score().AddTupletEvent(MCTime(1.0f), MCVoiceTrack(0, 1), Message(0x92, 62, 100), 0, MCTime(1.0f / 3));
    SCMode::SetMode(SCMode::kFirstMode);
    SCMode::SetEventFunc(nullptr, nullptr);
    ASSERT_NE(added, nullptr);
    EXPECT_NE(added, entry.get()) << "the template stays the input mode's";
    EXPECT_EQ(added->GetEventId(), EventId::Tuplet);
    std::vector<int> keys;
    for (ECBase* note : *added->GetChildren()) {
        EXPECT_FLOAT_EQ(note->GetTime()->GetSeconds(), 1.0f);
        EXPECT_FLOAT_EQ(note->GetDuration()->GetSeconds(), 1.0f / 3);
        const FCMidi& on = plat::dynamicDowncast<DCsqNote>(note->GetData(0, 0))->GetNoteOnData();
        keys.push_back(on.GetDataByte1());
        EXPECT_EQ(on.GetStatusByte(), 0x92);
    }
    EXPECT_EQ(keys, (std::vector<int>{62, 66, 69}));
    // Children and parents hold each other: the template is taken apart to be freed.
    entry->RemoveChildren(1);
}

}  // namespace

namespace {

TEST_F(MidiScoreMgrTest, ANewStaffTakesAChannelNoOtherVoiceUses)
{
    MemoryDevices devices;
    m_piece.AddStaves(2);
    std::vector<unsigned> channels;
    for (int track = 1; track <= 4; ++track) {
        DCsqTrack* data = DCsqTrack::GetTrackData(static_cast<unsigned>(track), 1, &m_sequence);
        ASSERT_NE(data, nullptr);
        for (int voice = 1; voice < 8; ++voice)
            EXPECT_EQ(data->GetVoiceMap(voice)->GetChannel(), data->GetVoiceMap(0)->GetChannel());
        channels.push_back(data->GetVoiceMap(0)->GetChannel());
    }
    EXPECT_NE(channels[2], channels[3]) << "the two staves added to the sequence";
    EXPECT_NE(channels[2], channels[0]);
    EXPECT_NE(channels[3], 9u) << "never the drum channel";
}

}  // namespace
