// What reaches the document reaches the sequence through OnUpdate: the transport codes with the
// count of Previous presses, track, master and voice states, the end of a command batch, and a
// file opened or created.

#include "sequencer/tests/PlayerTestSupport.h"

#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditItem.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/model/ECControlChange.h"
#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/ECProgramChange.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/SCCommand.h"
#include "platform/core/UserPrompt.h"
#include "sequencer/commands/CCEditPatch.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"
#include "sequencer/states/SCMaster.h"
#include "sequencer/states/SCPerform.h"
#include "sequencer/states/SCTrack.h"
#include "sequencer/states/SCVoice.h"
#include "sequencer/states/SCWaveInfo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace {

// Stands in for the document: every state the performance delivers goes to the sequence.
struct ForwardingDocument {
    static int Handler(ECBase*, int, void* state, void* user)
    {
        auto* base = static_cast<SCBase*>(state);
        static_cast<CSequence*>(user)->OnUpdate(base->GetCode(), base);
        return 0;
    }
};

class DispatchTest : public PlayerFixture {
protected:
    DispatchTest() : PlayerFixture(3) {}

    DCsqStaff* StaffData(int staff)
    {
        return plat::dynamicDowncast<DCsqStaff>(m_piece.Conductor()->GetTrack(1, staff, 0)->GetData(0, 0));
    }
};

TEST_F(DispatchTest, VoiceStatesSetTheCurrentVoiceAndOutOfRangeGivesVoiceZero)
{
    CSequence& seq = Sequence();
    const std::pair<int, int> cases[] = {{3, 3}, {7, 7}, {9, 0}, {-1, 0}, {0, 0}};
    for (const auto& [voice, expected] : cases) {
        SCVoice state;
        state.SetVoice(voice);
        seq.OnUpdate(SCVoice::codeVoice, &state);
        EXPECT_EQ(seq.GetCurrentVoice(), expected) << voice;
    }
}

TEST_F(DispatchTest, MasterVolumeTruncatesToAWholePercentAndAppliesToEveryTrack)
{
    CSequence& seq = Sequence();
    StaffData(2)->SetTrackGain(0.5f);
    const std::pair<float, float> cases[] = {{75.9f, 0.75f}, {-20.0f, 0.0f}, {NAN, 0.0f}, {100.0f, 1.0f}};
    for (const auto& [value, gain] : cases) {
        SCMaster state(SCMaster::codeVolume);
        state.SetBPM(value);
        seq.OnUpdate(SCMaster::codeVolume, &state);
        EXPECT_FLOAT_EQ(seq.GetMasterGain(), gain) << value;
        EXPECT_FLOAT_EQ(StaffData(2)->GetTrackGainFactor(), gain * 0.5f) << "the staff's own gain under the master";
    }
    // 3503 and 3504 (and the tempo display 3502) change nothing.
    for (const int code : {3502, 3503, 3504}) {
        SCMaster state(code);
        state.SetBPM(10.0f);
        seq.OnUpdate(code, &state);
    }
    EXPECT_FLOAT_EQ(seq.GetMasterGain(), 1.0f);
    EXPECT_FLOAT_EQ(seq.GetUserSpeed(), 1.0f);
    SCMaster speed(SCMaster::codeSpeed);
    speed.SetSpeed(1.5f);
    seq.OnUpdate(SCMaster::codeSpeed, &speed);
    EXPECT_FLOAT_EQ(seq.GetUserSpeed(), 1.5f);
}

TEST_F(DispatchTest, PreviousPressesCountUntilAnotherTransportCodeButStep)
{
    CSequence& seq = Sequence();
    auto press = [&seq](int code) {
        SCPerform state(code);
        seq.OnUpdate(code, &state);
    };
    press(SCPerform::codePrevious);
    press(SCPerform::codePrevious);
    EXPECT_EQ(seq.GetPreviousPressCount(), 2);
    press(SCPerform::codeStep);
    press(SCPerform::codeStep);  // step mode on and off again
    EXPECT_EQ(seq.GetPreviousPressCount(), 2);
    press(SCPerform::codeReturn);
    EXPECT_EQ(seq.GetPreviousPressCount(), 3);
    for (const int code : {SCPerform::codeStop, SCPerform::codeNext, SCPerform::codePause}) {
        press(SCPerform::codePrevious);
        press(code);
        EXPECT_EQ(seq.GetPreviousPressCount(), 0) << code;
        seq.Stop(0);
    }
}

TEST_F(DispatchTest, TrackStatesReachTheTrackDataByOperation)
{
    CSequence& seq = Sequence();
    auto send = [&seq](int code, int track, int value, int kind = 1) {
        SCTrack state(code);
        state.SetTrack(track);
        state.SetTrackType(kind);
        state.SetValue(value);
        seq.OnUpdate(code, &state);
    };
    send(SCTrack::codeMute, 1, 1);
    EXPECT_EQ(StaffData(1)->IsMuted(), 1);
    send(SCTrack::codeSolo, 2, 1);
    EXPECT_EQ(StaffData(2)->IsSoloed(), 1);
    send(SCTrack::codeGain, 3, 50);
    EXPECT_FLOAT_EQ(StaffData(3)->GetTrackGain(), 0.5f);
    send(SCTrack::codePan, 3, -32);
    EXPECT_FLOAT_EQ(StaffData(3)->GetTrackPan(), -0.5f);
    send(SCTrack::codeReverb, 3, 127);
    EXPECT_FLOAT_EQ(StaffData(3)->GetTrackReverb(), 1.0f);
    send(SCTrack::codeRecordArm, 2, 1);
    EXPECT_EQ(seq.GetMidiRecorder().GetBaseRecordingTrack(), 2);
    send(SCTrack::codeRecordArm, 2, 0);
    EXPECT_EQ(seq.GetMidiRecorder().GetBaseRecordingTrack(), 0);
    SCTrack list(SCTrack::codeMuteList);
    list.AddMuteTrack(2);
    list.AddMuteTrack(3);
    seq.OnUpdate(SCTrack::codeMuteList, &list);
    EXPECT_EQ(StaffData(2)->IsMuted(), 1);
    EXPECT_EQ(StaffData(3)->IsMuted(), 1);
    // A track that does not exist, and the active-list code, do nothing.
    send(SCTrack::codeMute, 9, 1);
    send(SCTrack::codeActive, 1, 0);
}

TEST_F(DispatchTest, RemovingTheLastNoteOfTheHighestStaffMarksItEmptyAfterTheBatch)
{
    ECNote* only = Note(3, 1.0f, 1.0f, 60);
    Note(1, 1.0f, 1.0f, 62);
    CSequence& seq = Sequence();
    plat::dynamicDowncast<ECStaff>(m_piece.Conductor()->GetTrack(1, 1, 0))->SetStaffEmpty(0);
    m_piece.Performance()->AddStateHandler(&ForwardingDocument::Handler, &seq);
    auto* staff = plat::dynamicDowncast<ECStaff>(m_piece.Conductor()->GetTrack(1, 3, 0));
    staff->SetStaffEmpty(0);
    const plat::RefPtr<ECBase> keep(only);
    // The batch's processed commands reach the document as one state 500.
    MCCommandMgr::BeginNotify(m_piece.Performance());
    auto* remove = new CCRemove(only);
    remove->SetSynchronous(1);
    remove->Apply(m_piece.Performance());
    MCCommandMgr::EndNotify(m_piece.Performance());
    plat::MessageLoop::current().pump();
    EXPECT_EQ(staff->IsStaffEmpty(), 1);
    EXPECT_EQ(plat::dynamicDowncast<ECStaff>(m_piece.Conductor()->GetTrack(1, 1, 0))->IsStaffEmpty(), 0);
    m_piece.Performance()->RemoveStateHandlers();
}

TEST_F(DispatchTest, OpeningAFileAddsTheDefaultMeterTempoAndProgramAndMovesVoicesOffMissingDevices)
{
    Sequence();
    m_piece.AddNote(2, 0.0f, 1.0f, 60, 5);
    CSequence& seq = Sequence();
    ASSERT_EQ(m_piece.Conductor()->GetTempoAtTime(MCTime::TimeZero()), nullptr);
    StaffData(1)->GetVoiceMap(3)->SetDevice(5);
    seq.SetOutputMidiDevice(1);
    std::vector<std::string> shown;
    plat::UserPrompt::ScopedHook hook([&shown](const plat::UserPrompt::Message& message) {
        shown.push_back(message.text);
        return plat::UserPrompt::Answer::ok;
    });
    for (const int playDefault : {1, 0}) {
        SaveIntPreference("Sequencer\\Midi\\Play", "Play Default Device", playDefault);
        StaffData(1)->GetVoiceMap(3)->SetDevice(5);
        seq.OnUpdate(1301, nullptr);
        EXPECT_EQ(StaffData(1)->GetVoiceMap(3)->GetDevice(), 1u) << "to the default play device";
        EXPECT_EQ(shown.size(), playDefault ? 0u : 1u);
    }
    EXPECT_NE(m_piece.Conductor()->GetMeterAtTime(MCTime::TimeZero()), nullptr);
    EXPECT_NE(m_piece.Conductor()->GetTempoAtTime(MCTime::TimeZero()), nullptr);
    // Each staff plays on the channel of its first note and has a program at 0.
    EXPECT_EQ(StaffData(2)->GetVoiceMap(0)->GetChannel(), 5u);
    EXPECT_EQ(StaffData(1)->GetVoiceMap(0)->GetChannel(), 0u);
    EXPECT_EQ(plat::dynamicDowncast<ECStaff>(m_piece.Conductor()->GetTrack(1, 1, 0))->IsStaffEmpty(), 1);
    for (int staff = 1; staff <= 3; ++staff) {
        ECPatchEnv* patches = StaffData(staff)->GetMidiEnvelopeMgr(0, 0)->GetPatchEnv(0);
        ASSERT_NE(patches, nullptr);
        EXPECT_NE(patches->GetPointAfterEqual(MCTime::TimeZero()), nullptr) << staff;
    }
    EXPECT_EQ(seq.GetLocation(), MCTime(0.0f));
}

// The mixer changes a staff's switches and gains on its thread while the driver thread reads them
// for every slice; they are atomic, so neither side takes a lock (a race here shows under
// ThreadSanitizer).
TEST_F(DispatchTest, TrackSwitchesAndGainsChangeWhileTheDriverThreadReadsThem)
{
    for (int i = 0; i < 16; ++i)
        Note(1, 0.25f * static_cast<float>(i), 0.25f, 60 + i);
    CSequence& seq = Sequence();
    StartDevices();
    seq.Play();
    std::atomic<bool> done{false};
    std::thread mixer([&] {
        for (int i = 0; !done; ++i) {
            StaffData(1)->SetActive(i & 1);
            StaffData(1)->SetTrackGain((i & 1) ? 0.5f : 0.75f);
            seq.SetMasterGain((i & 2) ? 1.0f : 0.8f);
        }
        StaffData(1)->SetActive(1);
        StaffData(1)->SetTrackGain(0.5f);
        seq.SetMasterGain(1.0f);
    });
    m_devices.Step(1000);
    done = true;
    mixer.join();
    m_devices.Step(2000);
    EXPECT_EQ(StaffData(1)->IsActive(), 1);
    EXPECT_FLOAT_EQ(StaffData(1)->GetTrackGainFactor(), 0.5f);
    seq.Stop(0);
    m_devices.Step(500);
}

TEST_F(DispatchTest, ChangedElementsSetTheFlagsOfTheirKindAndEnvelopePointsNameTheirEnvelope)
{
    ECControlChange* point = AddMessage(1, 0.0f, 0x5007B0);
    struct Case {
        ECBase* element;
        int content, flow, wave, timing, envelope;
    };
    const plat::RefPtr<ECBase> note(new ECNote(MCTime(0.0f), MCTime(1.0f)));
    const plat::RefPtr<ECBase> mark(new ECFlowControl);
    const plat::RefPtr<ECBase> tempo(new ECTempo);
    const Case cases[] = {{note.get(), 1, 0, 0, 0, 0},
                          {mark.get(), 0, 1, 0, 0, 0},
                          {tempo.get(), 0, 0, 0, 1, 0},
                          {point, 0, 0, 0, 0, 1}};
    for (const Case& c : cases) {
        MCEventList changed;
        MCEventList envelopes;
        changed.AddTail(c.element);
        int flags[5] = {};
        CSequence::CheckList(changed, envelopes, flags[0], flags[1], flags[2], flags[3], flags[4]);
        EXPECT_EQ(flags[0], c.content);
        EXPECT_EQ(flags[1], c.flow);
        EXPECT_EQ(flags[2], c.wave);
        EXPECT_EQ(flags[3], c.timing);
        EXPECT_EQ(flags[4], c.envelope);
        EXPECT_EQ(envelopes.GetCount(), c.envelope) << "the point's envelope";
    }
}

// A controller edited while the transport rests is heard at once.
TEST_F(DispatchTest, AnEditedControllerIsSentAtOnceWhileStopped)
{
    auto* point = new ECControlChange(7);
    point->SetTime(&MCTime::TimeZero());
    StaffData(1)->GetMidiEnvelopeMgr(0, 1)->GetControllerEnv(7, 1)->AddChild(point, 1);
    point->SetValue(80.0f);
    CSequence& seq = Sequence();
    m_piece.Performance()->AddStateHandler(&ForwardingDocument::Handler, &seq);
    StartDevices();
    m_devices.Out(0).takePlayed();
    MCCommandMgr::BeginNotify(m_piece.Performance());
    auto* edit = new CCEdit;
    plat::dynamicDowncast<ECEnvPoint>(edit->EditEvent(point)->GetNewEvent())->SetValue(20.0f);
    edit->SetSynchronous(1);
    edit->Apply(m_piece.Performance());
    MCCommandMgr::EndNotify(m_piece.Performance());
    m_devices.Step(500);
    bool heard = false;
    for (const auto& played : m_devices.Out(0).takePlayed())
        heard = heard || played.bytes == std::vector<uint8_t>{0xB0, 0x07, 20};
    EXPECT_TRUE(heard);
    m_piece.Performance()->RemoveStateHandlers();
}

// So is a patch edited there: the patch in force at the current position, beside the first
// point's patch the edit itself sends as it finishes.
TEST_F(DispatchTest, AnEditedPatchIsSentAtOnceWhileStopped)
{
    auto* first = new ECProgramChange;
    first->SetTime(&MCTime::TimeZero());
    first->SetVoice(0);
    ECEnvelope* patches = StaffData(1)->GetEnvelope(DCsqStaff::envPatch, DCsqStaff::envCreate, 0, -1, -1);
    patches->AddChild(first, 1);
    first->SetValue(ECPatchEnv::MakePatchValue(0, 0, 20));
    CSequence& seq = Sequence();
    seq.SetLocation(MCTime(8.0f));
    m_piece.Performance()->AddStateHandler(&ForwardingDocument::Handler, &seq);
    StartDevices();
    m_devices.Out(0).takePlayed();
    MCCommandMgr::BeginNotify(m_piece.Performance());
    auto* edit = new CCEditPatch;
    edit->EditPatch(plat::dynamicDowncast<ECStaff>(m_piece.Conductor()->GetTrack(1, 1, 0)), 0, MCTime(8.0f))->SetPatch(33, 0);
    edit->SetSynchronous(1);
    edit->Apply(m_piece.Performance());
    MCCommandMgr::EndNotify(m_piece.Performance());
    m_devices.Step(500);
    std::vector<std::vector<uint8_t>> programs;
    for (const auto& played : m_devices.Out(0).takePlayed()) {
        if (played.bytes[0] == 0xC0)
            programs.push_back(played.bytes);
    }
    const std::vector<std::vector<uint8_t>> expected = {{0xC0, 20}, {0xC0, 33}};
    EXPECT_EQ(programs, expected);
    m_piece.Performance()->RemoveStateHandlers();
}

TEST_F(DispatchTest, VoiceAndWaveInformationStatesCopyTheirFields)
{
    SCWaveInfo info;
    info.SetFilename("take.wav");
    info.SetTime(MCTime(2.5f));
    info.SetTrack(3);
    const SCWaveInfo copy(info);
    EXPECT_EQ(copy.GetCode(), 3700);
    EXPECT_EQ(copy.GetFilename(), "take.wav");
    EXPECT_EQ(copy.GetTime(), MCTime(2.5f));
    EXPECT_EQ(copy.GetTrack(), 3);
    SCVoice voice;
    voice.SetVoice(6);
    SCVoice assigned(0);
    assigned = voice;
    EXPECT_EQ(assigned.GetCode(), 3600);
    EXPECT_EQ(assigned.GetVoice(), 6);
}

}  // namespace
