// The document passes every state of its performance on to its sequence: the transport's
// states start and stop it, and the notice of finished edits lets a playing sequence take in
// what the edit changed.

#include "DocumentTestSupport.h"

#include "notabase/commands/CCAdd.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "platform/core/MessageLoop.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/states/SCPerform.h"

#include <algorithm>

namespace {

using namespace documenttest;

class DocumentPlayTest : public DocumentTest {
protected:
    // Note-ons of the key that output 0 played, at their stream times.
    std::vector<uint32_t> NoteOns(MemoryDevices& devices, int key)
    {
        std::vector<uint32_t> times;
        for (const auto& played : devices.Out(0).takePlayed()) {
            if (!played.immediate && played.bytes.size() == 3 && (played.bytes[0] & 0xF0) == 0x90 &&
                played.bytes[1] == key && played.bytes[2] != 0)
                times.push_back(played.streamMs);
        }
        return times;
    }
    static uint32_t PlayState(MCOpusDoc& doc) { return doc.GetSequence()->GetState() & CSequence::kPlayStates; }
    template <class Applied>
    static void Apply(MCOpusDoc& doc, Applied* state)
    {
        state->SetSynchronous(1);
        state->Apply(doc.GetBaseEvent());
        plat::MessageLoop::current().pump();
    }
};

TEST_F(DocumentPlayTest, TransportStatesAndEditsInTheDocumentReachItsPlayingSequence)
{
    MemoryDevices devices;
    MCOpusDoc doc;
    // Two quarter notes on staff 1, at 120 beats a minute, with bars for two more bars.
    FillPiece(doc, 1, 2);
    ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
    conductor->GetConductorStaff()->GetConductorMeasureAtTime(MCTime(11.9f), 1, 1);
    auto* tempo = new ECTempo;
    const MCTime zero(0.0f);
    tempo->SetTime(&zero);
    tempo->SetTempo(120.0f, 1.0f);
    tempo->SetStyle(ECEnvPoint::styleStep);
    conductor->GetConductorStaff()->GetTempoEnv()->AddChild(tempo, 1);
    conductor->GetConductorStaff()->GetTempoEnv()->RecalculateClockTimes();
    auto* staff = plat::dynamicDowncast<DCsqStaff>(conductor->GetTrack(1, 1, 0)->GetData(0, 1));
    ASSERT_NE(staff, nullptr);
    for (int voice = 0; voice < DCsqTrack::voiceCount; ++voice) {
        staff->GetVoiceMap(voice)->SetDevice(0);
        staff->GetVoiceMap(voice)->SetChannel(0);
    }
    CSequence& sequence = *doc.GetSequence();
    sequence.CheckDataIntegrity();
    sequence.EnableAutoStop(1);
    sequence.EnableAutoRewind(0);
    sequence.SetLocation(zero);
    devices.Start();
    devices.Step(500);
    devices.Out(0).takePlayed();

    // Play, as the transport bar asks for it: through a state applied to the performance.
    const uint32_t t0 = devices.Wavegate().GetBufferTime();
    Apply(doc, new SCPerform(3302));
    EXPECT_EQ(doc.GetPerformState().GetCode(), 3302);
    ASSERT_EQ(PlayState(doc), CSequence::statePlaying);
    devices.Step(300);

    // While it plays, a note two bars on, beyond the piece's last note. The edit's notice tells
    // the sequence the piece now ends later, so the play goes on to the new note.
    ECMeasure* measure = conductor->GetMeasure(1, MCTime(6.0f), 0, 0);
    ASSERT_NE(measure, nullptr);
    auto* note = new ECNote(MCTime(6.0f), MCTime(1.0f));
    note->SetVoiceTrack(0, 1);
    plat::RefPtr<ECNote> keep(note);
    constexpr int kKey = 90;
    // An edit of the program: an undoable step, whose commands are told together when it ends.
    MCCommandMgr::BeginUndo(doc.GetBaseEvent(), "Add Note");
    Apply(doc, new CCAdd(note, measure, FCMidi(0x90u | kKey << 8 | 100u << 16)));
    MCCommandMgr::EndUndo(doc.GetBaseEvent());
    plat::MessageLoop::current().pump();
    for (int ms = 0; ms < 8000 && PlayState(doc) != CSequence::stateStopped; ms += 100)
        devices.Step(100);
    devices.Step(1000);
    EXPECT_EQ(NoteOns(devices, kKey), std::vector<uint32_t>{t0 + 3000});

    // The states the sequence posted when it came to rest reach the document (and the
    // sequence) before the next play.
    plat::MessageLoop::current().pump();
    EXPECT_EQ(doc.GetPerformState().GetCode(), SCPerform::codeAtRest);

    // Stop, as the transport bar asks for it, in the middle of a second play.
    sequence.SetLocation(zero);
    Apply(doc, new SCPerform(3302));
    ASSERT_EQ(PlayState(doc), CSequence::statePlaying);
    devices.Step(500);
    Apply(doc, new SCPerform(3300));
    for (int ms = 0; ms < 1000 && PlayState(doc) != CSequence::stateStopped; ms += 100)
        devices.Step(100);
    EXPECT_EQ(PlayState(doc), CSequence::stateStopped);
    EXPECT_EQ(doc.GetPerformState().GetCode(), 3300);
    devices.Step(4000);
    EXPECT_TRUE(NoteOns(devices, kKey).empty()) << "the stopped play never reached the new note";
}

}  // namespace
