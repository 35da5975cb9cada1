// The playback filters on single events: accents, event-type blocking and thinning,
// transposition and velocity envelopes.

#include "sequencer/tests/SequencerTestSupport.h"

#include "notabase/model/ECAccent.h"
#include "notabase/model/ECControlChange.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECNote.h"
#include "notabase/prefs/Preferences.h"
#include "sequencer/data/DCsqAccent.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/layers/LCsqAccent.h"
#include "sequencer/layers/LCsqPreferences.h"
#include "sequencer/layers/LCsqTranspose.h"
#include "sequencer/layers/LCsqVelocity.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

FCMidi Message(uint8_t status, uint8_t d1, uint8_t d2)
{
    return FCMidi(static_cast<MIDIWORD>(status) | static_cast<MIDIWORD>(d1) << 8 | static_cast<MIDIWORD>(d2) << 16);
}

std::unique_ptr<CSeqEvent> MidiEvent(uint8_t status, uint8_t d1, uint8_t d2, DCsqTrack* track = nullptr, float time = 0.0f)
{
    auto event = std::make_unique<CSeqEvent>();
    event->SetMidiEvent(Message(status, d1, d2), nullptr, track, MCTime(time), MCVoiceTrack());
    return event;
}

std::unique_ptr<CSeqEvent> NoteEvent(uint8_t key, uint8_t velocity, float duration, unsigned long release, DCsqTrack* track = nullptr)
{
    auto event = std::make_unique<CSeqEvent>();
    event->SetNoteEvent(Message(0x90, key, velocity), release, MCTime(duration), nullptr, track, MCTime(0.0f), MCVoiceTrack());
    return event;
}

LCsqAccent Accent(float duration, float on, float off)
{
    LCsqAccent accent;
    accent.SetDurationChange(duration);
    accent.SetVelocityOnChange(on);
    accent.SetVelocityOffChange(off);
    return accent;
}

class PlaybackFiltersTest : public ::testing::Test {
protected:
    SequencerEnvironment m_environment;
    CSeqEventList m_made;
};

TEST_F(PlaybackFiltersTest, AccentsScaleVelocitiesAndDurationsWithinTheirLimits)
{
    struct Case {
        float duration, on, off;
        uint8_t velocity;
        float noteLength;
        unsigned long release;
        uint8_t expectedVelocity;
        float expectedLength;
        unsigned long expectedRelease;
    };
    const Case cases[] = {
        {1.0f, 1.5f, 1.0f, 100, 1.0f, 0, 127, 1.0f, 0},        // 150 is held to 127
        {1.0f, 0.005f, 1.0f, 100, 1.0f, 0, 1, 1.0f, 0},        // 0.5 is held to 1, never 0
        {0.6f, 1.0f, 1.3f, 100, 2.0f, 100, 100, 1.2f, 127},    // release 130 is held to 127
        {1.0f, 1.3f, 0.5f, 50, 1.0f, 41, 65, 1.0f, 20},        // 20.5 truncated
        {-1.0f, -1.0f, -1.0f, 100, 1.0f, 64, 1, 0.05f, 0},     // never updated: 1 and 0.05
    };
    for (const Case& c : cases) {
        LCsqAccent accent = Accent(c.duration, c.on, c.off);
        auto note = NoteEvent(60, c.velocity, c.noteLength, c.release);
        accent.ProcessEvent(note.get(), m_made);
        EXPECT_EQ(note->GetMidiData().GetDataByte2(), c.expectedVelocity) << c.on;
        EXPECT_FLOAT_EQ(note->GetDuration().GetSeconds(), c.expectedLength) << c.duration;
        EXPECT_EQ(note->GetValue(), c.expectedRelease) << c.off;
    }
    EXPECT_TRUE(m_made.empty());
}

TEST_F(PlaybackFiltersTest, AnAccentMakesANoteOffOfVelocityZeroATrueNoteOff)
{
    LCsqAccent accent = Accent(1.0f, 1.0f, 1.3f);
    auto off = MidiEvent(0x93, 60, 0);
    accent.ProcessEvent(off.get(), m_made);
    EXPECT_EQ(off->GetMidiData().GetStatusByte(), 0x83);
    EXPECT_EQ(off->GetMidiData().GetDataByte2(), 83);  // 64 × 1.3 = 83.2
    // A factor of exactly 1.0 leaves note offs and note ons alone.
    LCsqAccent plain = Accent(1.0f, 1.0f, 1.0f);
    auto untouched = MidiEvent(0x90, 60, 0);
    plain.ProcessEvent(untouched.get(), m_made);
    EXPECT_EQ(untouched->GetMidiData().GetValue(), Message(0x90, 60, 0).GetValue());
    // Other messages pass.
    auto controller = MidiEvent(0xB0, 7, 100);
    accent.ProcessEvent(controller.get(), m_made);
    EXPECT_EQ(controller->GetMidiData().GetDataByte2(), 100);
}

TEST_F(PlaybackFiltersTest, AnAccentTakesItsFactorsFromThePreferencesOfItsType)
{
    // A fresh store holds what start-up wrote: staccato durations of 50 percent.
    ECAccent staccato(0);
    LCsqAccent accent;
    accent.UpdateParametersFrom(&staccato);
    EXPECT_FLOAT_EQ(accent.GetDurationChange(), 0.5f);
    auto note = NoteEvent(60, 100, 1.0f, 0);
    accent.ProcessEvent(note.get(), m_made);
    EXPECT_FLOAT_EQ(note->GetDuration().GetSeconds(), 0.5f);

    // Without a stored value the filter's own defaults hold.
    SaveIntPreference(LCsqAccent::kSection, "Marcato Velocity ON percent", 175);
    ECAccent marcato(1);
    accent.UpdateParametersFrom(&marcato);
    EXPECT_FLOAT_EQ(accent.GetVelocityOnChange(), 1.75f);
    EXPECT_FLOAT_EQ(accent.GetVelocityOffChange(), 1.3f);

    // A type without preferences changes nothing.
    ECAccent other(20);
    accent.UpdateParametersFrom(&other);
    EXPECT_FLOAT_EQ(accent.GetDurationChange(), 1.0f);
    EXPECT_FLOAT_EQ(accent.GetVelocityOnChange(), 1.0f);
}

TEST_F(PlaybackFiltersTest, TheAccentDataOfAMarkAlwaysHasAnEnabledFilter)
{
    ECAccent marcato(1);
    auto* data = plat::dynamicDowncast<DCsqAccent>(marcato.GetData(0, 1));
    ASSERT_NE(data, nullptr);
    auto* filter = plat::dynamicDowncast<LCsqAccent>(data->GetFilter());
    ASSERT_NE(filter, nullptr);
    EXPECT_EQ(filter->IsEnabled(), 1);
    EXPECT_FLOAT_EQ(filter->GetVelocityOnChange(), 1.5f);
    // Giving the data its owner again keeps the filter it has.
    filter->SetEnabled(0);
    data->SetOwner(&marcato);
    EXPECT_EQ(data->GetFilter(), filter);
    EXPECT_EQ(filter->IsEnabled(), 1);
}

TEST_F(PlaybackFiltersTest, ThinningMutesEverySecondThinnableEventWithOneCounter)
{
    LCsqPreferences filter;
    filter.ThinEventType(LCsqPreferences::entryControllers, 0, 1);
    filter.ThinEventType(LCsqPreferences::entryPitchBend, 0, 1);
    std::vector<int> muted;
    for (int i = 0; i < 6; ++i) {
        auto event = MidiEvent(0xB0, 1, static_cast<uint8_t>(i));
        filter.ProcessEvent(event.get(), m_made);
        muted.push_back(event->IsMuted());
    }
    EXPECT_EQ(muted, (std::vector<int>{0, 1, 0, 1, 0, 1}));

    // A thinned pitch bend between controllers shifts their pattern; notes are never thinned
    // and do not count.
    muted.clear();
    const uint8_t statuses[] = {0xB0, 0xE0, 0xB0, 0x90, 0xB0, 0xB0};
    for (uint8_t status : statuses) {
        auto event = MidiEvent(status, 1, 64);
        filter.ProcessEvent(event.get(), m_made);
        muted.push_back(event->IsMuted());
    }
    EXPECT_EQ(muted, (std::vector<int>{0, 1, 0, 0, 1, 0}));
}

TEST_F(PlaybackFiltersTest, BlockingMutesTheEntriesByMessageEventAndElement)
{
    LCsqPreferences filter;
    filter.BlockEventType(LCsqPreferences::entryNotes, 0, 1);
    filter.BlockEventType(LCsqPreferences::entryProgramChange, 0, 1);
    filter.BlockEventType(LCsqPreferences::entryRPN, 0, 1);
    EXPECT_EQ(filter.EventTypeBlocked(LCsqPreferences::entryRPN, 0), 1);
    EXPECT_EQ(filter.EventTypeBlocked(LCsqPreferences::entryRPN, 1), 0);

    auto note = NoteEvent(60, 100, 1.0f, 0);
    auto on = MidiEvent(0x90, 60, 100);
    auto program = MidiEvent(0xC0, 5, 0);
    auto controller = MidiEvent(0xB0, 7, 100);
    auto patch = std::make_unique<CSeqEvent>();
    patch->SetPatchEvent(Message(0xC0, 5, 0), 1, 2, nullptr, nullptr, MCTime(0.0f), MCVoiceTrack());
    auto rpn = std::make_unique<CSeqEvent>();
    rpn->SetRPNEvent(0, 0, 64, nullptr, nullptr, MCTime(0.0f), MCVoiceTrack());
    for (CSeqEvent* event : {note.get(), on.get(), program.get(), controller.get(), patch.get(), rpn.get()})
        filter.ProcessEvent(event, m_made);
    EXPECT_EQ(note->IsMuted(), 1);
    EXPECT_EQ(on->IsMuted(), 1);
    EXPECT_EQ(program->IsMuted(), 1);
    EXPECT_EQ(controller->IsMuted(), 0);
    EXPECT_EQ(patch->IsMuted(), 1);
    EXPECT_EQ(rpn->IsMuted(), 1);

    // Recorded messages: bank select answers as a program change, data entry as a controller.
    EXPECT_NE(filter.FilterEvent(Message(0xB0, 32, 1)), 0);
    EXPECT_EQ(filter.FilterEvent(Message(0xB0, 6, 1)), 0);
    EXPECT_NE(filter.FilterEvent(Message(0xB0, 100, 0)), 0);
    EXPECT_NE(filter.FilterEvent(Message(0x80, 60, 0)), 0);
    EXPECT_EQ(filter.FilterEvent(Message(0xE0, 0, 64)), 0);
    ECNote element(MCTime(0.0f), MCTime(1.0f));
    ECControlChange change(7);
    EXPECT_NE(filter.FilterEvent(&element), 0);
    EXPECT_EQ(filter.FilterEvent(&change), 0);

    // Unblocking a parameter takes it out of the list again; bad entries are ignored.
    filter.BlockEventType(LCsqPreferences::entryRPN, 0, 0);
    filter.BlockEventType(LCsqPreferences::entryControllers, 500, 1);
    filter.BlockEventType(12, 0, 1);
    EXPECT_EQ(filter.EventTypeBlocked(LCsqPreferences::entryRPN, 0), 0);
    EXPECT_EQ(filter.EventTypeBlocked(LCsqPreferences::entryControllers, 500), 0);
    EXPECT_EQ(filter.EventTypeBlocked(12, 0), 0);
}

TEST_F(PlaybackFiltersTest, TranspositionMovesNotesPressureAndPortamentoWithinTheKeys)
{
    struct Case {
        uint8_t status, d1, d2;
        float amount;
        uint8_t expectedD1, expectedD2;
    };
    const Case cases[] = {
        {0x90, 120, 100, 12.7f, 127, 100},  // held to 127
        {0x90, 60, 100, -200.0f, 0, 100},   // held to 0
        {0x80, 60, 0, -1.9f, 59, 0},        // truncated toward zero
        {0xA0, 60, 30, 2.0f, 62, 30},       // poly pressure moves its key
        {0xB0, 84, 60, 5.0f, 84, 65},       // portamento control moves its value
        {0xB0, 7, 60, 5.0f, 7, 60},         // other controllers stay
        {0xC0, 5, 0, 5.0f, 5, 0},           // a program change is never transposed
    };
    DCsqTrack track;
    LCsqTranspose transpose;
    for (const Case& c : cases) {
        track.SetTrackTransposition(c.amount);
        auto event = MidiEvent(c.status, c.d1, c.d2, &track);
        transpose.ProcessEvent(event.get(), m_made);
        EXPECT_EQ(event->GetMidiData().GetDataByte1(), c.expectedD1) << c.amount;
        EXPECT_EQ(event->GetMidiData().GetDataByte2(), c.expectedD2) << c.amount;
    }
    // The envelope's value at the event's time adds to the track's; a muted event is left.
    track.SetTrackTransposition(1.0f);
    ECEnvelope envelope;
    auto* point = new ECEnvPoint;
    const MCTime at(2.0f);
    point->SetTime(&at);
    point->SetValue(12.0f);
    envelope.AddChild(point, 1);
    transpose.SetEnvelope(&envelope);
    auto early = MidiEvent(0x90, 60, 100, &track, 1.0f);
    auto late = MidiEvent(0x90, 60, 100, &track, 3.0f);
    auto muted = MidiEvent(0x90, 60, 100, &track, 3.0f);
    muted->SetMuted(1);
    for (CSeqEvent* event : {early.get(), late.get(), muted.get()})
        transpose.ProcessEvent(event, m_made);
    EXPECT_EQ(early->GetMidiData().GetDataByte1(), 61);
    EXPECT_EQ(late->GetMidiData().GetDataByte1(), 73);
    EXPECT_EQ(muted->GetMidiData().GetDataByte1(), 60);
    envelope.RemoveChildren(1);
}

TEST_F(PlaybackFiltersTest, AVelocityEnvelopeScalesNoteOnsOnly)
{
    LCsqVelocity velocity;
    auto before = NoteEvent(60, 100, 1.0f, 0);
    velocity.ProcessEvent(before.get(), m_made);
    EXPECT_EQ(before->GetMidiData().GetDataByte2(), 100);  // no envelope: nothing

    ECEnvelope envelope;
    envelope.SetDefaultValue(2.0f);
    velocity.SetEnvelope(&envelope);
    auto loud = NoteEvent(60, 100, 1.0f, 0);
    auto on = MidiEvent(0x90, 60, 20);
    auto off = MidiEvent(0x80, 60, 40);
    for (CSeqEvent* event : {loud.get(), on.get(), off.get()})
        velocity.ProcessEvent(event, m_made);
    EXPECT_EQ(loud->GetMidiData().GetDataByte2(), 127);
    EXPECT_EQ(on->GetMidiData().GetDataByte2(), 40);
    EXPECT_EQ(off->GetMidiData().GetDataByte2(), 40);
    envelope.SetDefaultValue(0.001f);
    auto soft = MidiEvent(0x90, 60, 20);
    velocity.ProcessEvent(soft.get(), m_made);
    EXPECT_EQ(soft->GetMidiData().GetDataByte2(), 1);
}

TEST_F(PlaybackFiltersTest, AStaffTransposesThroughItsOwnFilter)
{
    // Every staff has its transposition filter; without a piece it makes no envelope.
    DCsqStaff staff;
    auto* filter = plat::dynamicDowncast<LCsqTranspose>(staff.GetFilter(FilterTranspose, 0));
    ASSERT_NE(filter, nullptr);
    EXPECT_EQ(staff.GetTranspositionEnv(1), nullptr);
    EXPECT_EQ(staff.GetEnvelope(DCsqStaff::envTransposition, DCsqStaff::envCreate, 0, 0, 0), nullptr);
    EXPECT_EQ(staff.GetEnvelope(DCsqStaff::envVelocity, DCsqStaff::envCreate | DCsqStaff::envFallBack, 3, 0, 0), nullptr);
    staff.SetTrackTransposition(-3.0f);
    auto note = NoteEvent(60, 100, 1.0f, 0, &staff);
    filter->ProcessEvent(note.get(), m_made);
    EXPECT_EQ(note->GetMidiData().GetDataByte1(), 57);
}

}  // namespace
