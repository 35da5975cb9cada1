// The per-staff layers of older documents: their message and time steps and what a load
// keeps of them.

#include "sequencer/tests/SequencerTestSupport.h"

#include "notabase/model/ECTranspose.h"
#include "platform/core/Archive.h"
#include "platform/core/MemoryStream.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/layers/LCMidiAccent.h"
#include "sequencer/layers/LCMidiTranspose.h"
#include "sequencer/layers/LCMidiVelocity.h"
#include "sequencer/layers/LCMidiVoiceMap.h"

#include <gtest/gtest.h>

namespace {

FCMidi Message(uint8_t status, uint8_t d1, uint8_t d2)
{
    return FCMidi(static_cast<MIDIWORD>(status) | static_cast<MIDIWORD>(d1) << 8 | static_cast<MIDIWORD>(d2) << 16);
}

struct Velocity : LCMidiVelocity {
    using LCMidiVelocity::GetFloorChange;
    using LCMidiVelocity::PrepareValues;
    using LCMidiVelocity::ProcessVelocity;
    using LCMidiVelocity::UpdateVelocity;
};

struct Transpose : LCMidiTranspose {
    using LCMidiTranspose::ProcessMessage;
};

struct Accent : LCMidiAccent {
    using LCMidiAccent::ProcessDuration;
    using LCMidiAccent::ProcessNoteOff;
    using LCMidiAccent::ProcessNoteOn;
};

TEST(OldLayersTest, AVelocityCurveSetsFloorAndRange)
{
    Velocity exact;
    exact.SetVelocityExact(1);
    exact.SetInitialVelocity(100);
    exact.PrepareValues();
    FCMidi note = Message(0x90, 60, 20);
    exact.ProcessVelocity(note);
    EXPECT_EQ(note.GetDataByte2(), 100);

    // Without a staff the base is 64: mezzo forte (type 5) floors at 64 × 1.111 with a range
    // of 64/127 × 21.
    Velocity curve;
    curve.SetDynamicType(5);
    curve.PrepareValues();
    EXPECT_NEAR(curve.GetCurrentFloor(), 71.104f, 0.01f);
    EXPECT_NEAR(curve.GetCurrentRange(), 10.583f, 0.01f);
    FCMidi loud = Message(0x90, 60, 127);
    curve.ProcessVelocity(loud);
    EXPECT_EQ(loud.GetDataByte2(), 81);

    // A falling mark near the bottom falls no further than 1.
    Velocity falling;
    falling.SetDynamicType(12);
    falling.SetDynamicChange(2);
    EXPECT_FLOAT_EQ(falling.GetFloorChange(5.0f), -4.0f);
}

TEST(OldLayersTest, ACurveMovesOverItsDurationAndThenStops)
{
    Velocity curve;
    curve.SetDynamicType(11);  // a mark with a duration, rising
    curve.SetVelocityExact(1);
    curve.SetInitialVelocity(40);
    curve.SetFinalVelocity(80);
    curve.PrepareValues();
    EXPECT_EQ(curve.IsChanging(), 1);
    MCTime start(1.0f);
    MCTime duration(2.0f);
    curve.SetStartTime(&start);
    curve.SetDuration(&duration);
    curve.UpdateVelocity(MCTime(2.0f));
    EXPECT_FLOAT_EQ(curve.GetCurrentFloor(), 60.0f);
    curve.UpdateVelocity(MCTime(3.5f));
    EXPECT_FLOAT_EQ(curve.GetCurrentFloor(), 80.0f);
    EXPECT_EQ(curve.IsChanging(), 0);
    EXPECT_EQ(curve.GetStartTime(), nullptr);
}

TEST(OldLayersTest, TranspositionAndAccentStepsStayWithinTheirLimits)
{
    ECTranspose down(1, MCTime(4.0f));
    const MCTime at(2.0f);
    down.SetTime(&at);
    Transpose transpose;
    transpose.UpdateParametersFrom(&down);
    EXPECT_EQ(transpose.GetSemitones(), -12);
    EXPECT_FLOAT_EQ(transpose.GetBeginTime().GetSeconds(), 2.0f);
    EXPECT_FLOAT_EQ(transpose.GetEndTime().GetSeconds(), 6.0f);
    FCMidi low = Message(0x90, 5, 100);
    transpose.ProcessMessage(low);
    EXPECT_EQ(low.GetDataByte1(), 0);

    Accent accent;
    accent.SetVelocityOnChange(1.5f);
    accent.SetVelocityOffChange(1.3f);
    accent.SetDurationChange(0.0f);
    FCMidi on = Message(0x90, 60, 100);
    accent.ProcessNoteOn(on);
    EXPECT_EQ(on.GetDataByte2(), 127);
    FCMidi off = Message(0x90, 60, 0);
    accent.ProcessNoteOff(off);
    EXPECT_EQ(off.GetValue(), Message(0x90, 60, 0).GetValue()) << "note offs only when asked";
    accent.ProcessNotesOff(1);
    accent.ProcessNoteOff(off);
    EXPECT_EQ(off.GetValue(), Message(0x80, 60, 83).GetValue());
    MCTime length(1.0f);
    accent.ProcessDuration(length);
    EXPECT_FLOAT_EQ(length.GetSeconds(), 0.05f);
}

TEST(OldLayersTest, AStoredVoiceMapNamingAMissingDeviceTakesTheDefault)
{
    SequencerEnvironment environment;
    MemoryDevices devices(2, 1);
    LCMidiVoiceMap map;
    for (unsigned voice = 0; voice < 8; ++voice)
        map.SetVoiceDevChan(voice, voice == 4 ? 7 : 1, 9);
    EXPECT_EQ(map.AllVoiceMapsEqual(), 0);
    plat::MemoryStream out;
    {
        plat::Archive archive(out, plat::Archive::Mode::store);
        archive.writeObject(&map);
        archive.flush();
    }
    plat::MemoryStream in(out.takeData());
    plat::Archive archive(in, plat::Archive::Mode::load);
    std::unique_ptr<LCMidiVoiceMap> loaded(archive.readObjectAs<LCMidiVoiceMap>());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetVoiceDevice(4), 0);
    EXPECT_EQ(loaded->GetVoiceDevice(3), 1);
    EXPECT_EQ(loaded->GetVoiceChannel(4), 9);
    EXPECT_EQ(loaded->GetVoiceDevice(8), 0);
}

}  // namespace
