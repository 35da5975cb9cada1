// The controller envelopes of a staff's voices: which events their state and their changes
// become, how the staff's mixer settings fold into them, how voices on one output share them,
// and the sustain-pedal offs of a stop.

#include "sequencer/tests/PlayerTestSupport.h"

#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/model/ECChanPressureEnv.h"
#include "notabase/model/ECChannelPressure.h"
#include "notabase/model/ECDynamic.h"
#include "notabase/model/ECNRPNEnv.h"
#include "notabase/model/ECNRPNPoint.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/ECPitchBend.h"
#include "notabase/model/ECPitchBendEnv.h"
#include "notabase/model/ECPolyPressure.h"
#include "notabase/model/ECPolyPressureEnv.h"
#include "notabase/model/ECPedal.h"
#include "notabase/model/ECProgramChange.h"
#include "notabase/model/ECRPNPoint.h"
#include "notabase/model/MCEventList.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A short message as three bytes.
std::vector<int> Bytes(CSeqEvent& event)
{
    const FCMidi& m = event.GetMidiData();
    return {m.GetStatusByte(), m.GetDataByte1(), m.GetDataByte2()};
}

class EnvelopeMgrTest : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        Sequence();
    }

    DCsqStaff& Staff(int staff = 1)
    {
        return *plat::dynamicDowncast<DCsqStaff>(m_piece.Conductor()->GetTrack(1, staff, 0)->GetData(0, 1));
    }

    template <class Point>
    static Point* AddPoint(ECEnvelope* envelope, Point* point, float time, float value)
    {
        const MCTime at(time);
        point->SetTime(&at);
        point->SetValue(value);
        envelope->AddChild(point, 1);
        return point;
    }

    // The immediate controller messages output 0 got since the last call.
    std::vector<std::vector<uint8_t>> Immediate()
    {
        std::vector<std::vector<uint8_t>> sent;
        for (const auto& played : m_devices.Out(0).takePlayed()) {
            if (played.immediate)
                sent.push_back(played.bytes);
        }
        return sent;
    }
};

TEST_F(EnvelopeMgrTest, MadeEnvelopesStandUnderTheStaffWithItsTrackAndTheVoice)
{
    CMidiEnvelopeMgr* manager = CMidiEnvelopeMgr::GetEnvMgr(m_sequence.get(), MCVoiceTrack(3, 2), 1);
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(Staff(2).GetMidiEnvelopeMgr(3, 0), manager);
    EXPECT_EQ(CMidiEnvelopeMgr::GetEnvMgr(nullptr, MCVoiceTrack(3, 2), 1), nullptr);
    EXPECT_EQ(CMidiEnvelopeMgr::GetEnvMgr(m_sequence.get(), MCVoiceTrack(4, 2), 0), nullptr) << "not made";
    MCVoiceTrack converted;
    converted.SetDevice(0);
    EXPECT_EQ(CMidiEnvelopeMgr::GetEnvMgr(m_sequence.get(), converted, 1), nullptr) << "an output address names no staff";
    EXPECT_EQ(Staff(2).GetMidiEnvelopeMgr(8, 1), nullptr);
    EXPECT_EQ(manager->GetControllerEnv(7, 0), nullptr);
    ECControllerEnv* volume = manager->GetControllerEnv(7, 1);
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(manager->GetControllerEnv(7, 1), volume) << "made once";
    EXPECT_EQ(volume->GetControllerType(), 7);
    ASSERT_NE(volume->GetParents(), nullptr);
    EXPECT_EQ(volume->GetParents()->GetHead(), m_piece.Conductor()->GetTrack(1, 2, 0));
    EXPECT_EQ(volume->GetVoiceTrack()->GetTrack(), 2);
    EXPECT_EQ(volume->GetVoiceTrack()->GetVoice(), 3);
    EXPECT_EQ(volume->GetUpperLimit(), 127.0f);
    EXPECT_EQ(manager->GetPatchEnv(1)->GetUpperLimit(), 2097151.0f);
    EXPECT_EQ(manager->GetPolyPressureEnv(60, 1)->GetUpperLimit(), 127.0f);

    // Out-of-range controllers and keys have no envelope.
    EXPECT_EQ(manager->GetControllerEnv(120, 1), nullptr);
    EXPECT_EQ(manager->GetControllerEnv(-1, 1), nullptr);
    EXPECT_EQ(manager->GetPolyPressureEnv(128, 1), nullptr);

    // NRPN and RPN envelopes are told apart by their parameter number.
    ECNRPNEnv* nrpn = manager->GetNRPNEnv(1, 2, 1);
    ASSERT_NE(nrpn, nullptr);
    EXPECT_EQ(manager->GetNRPNEnv(1, 2, 0), nrpn);
    EXPECT_EQ(manager->GetNRPNEnv(2, 1, 0), nullptr);
    EXPECT_EQ(manager->GetRPNEnv(1, 2, 0), nullptr);
    EXPECT_EQ(manager->GetEnvelopeList().size(), 4u);
}

TEST_F(EnvelopeMgrTest, EnvelopesTakenOutOfTheScoreOrPutInByACommandFollowTheManager)
{
    ECBase* staffElement = m_piece.Conductor()->GetTrack(1, 1, 0);
    auto apply = [&](CCBase* command) {
        command->SetSynchronous(1);
        command->Apply(m_piece.Performance());
    };
    CMidiEnvelopeMgr* manager = Staff().GetMidiEnvelopeMgr(0, 1);
    const plat::RefPtr<ECEnvelope> volume(manager->GetControllerEnv(7, 1));
    apply(new CCRemove(volume.get()));
    EXPECT_EQ(manager->GetControllerEnv(7, 0), nullptr) << "a removed envelope no longer plays";
    EXPECT_TRUE(manager->GetEnvelopeList().empty());
    apply(new CCAdd(volume.get(), staffElement, FCMidi::MidiNull()));
    EXPECT_EQ(manager->GetControllerEnv(7, 0), volume.get()) << "put back, it plays again";

    // An envelope of voice 2 added by a command, as a paste or a transcription adds it.
    auto* expression = new ECControllerEnv;
    expression->SetControllerType(11);
    expression->SetVoiceTrack(2, 1);
    apply(new CCAdd(expression, staffElement, FCMidi::MidiNull()));
    ASSERT_NE(Staff().GetMidiEnvelopeMgr(2, 0), nullptr);
    EXPECT_EQ(Staff().GetMidiEnvelopeMgr(2, 0)->GetControllerEnv(11, 0), expression);
    EXPECT_EQ(manager->GetEnvelopeList().size(), 1u);
}

// An envelope whose flags say what no setter lets through.
template <class Env>
struct Damaged : Env {
    using ECBase::SetFlags;
};

TEST_F(EnvelopeMgrTest, AnAddedEnvelopeReplacesTheOneOfItsKindAndKey)
{
    CMidiEnvelopeMgr manager(&Staff(), 0);
    auto* first = new ECControllerEnv;
    first->SetControllerType(11);
    const plat::RefPtr<ECEnvelope> firstHeld(first);
    auto* second = new ECControllerEnv;
    second->SetControllerType(11);
    const plat::RefPtr<ECEnvelope> secondHeld(second);
    auto* other = new ECControllerEnv;
    other->SetControllerType(12);
    const plat::RefPtr<ECEnvelope> otherHeld(other);

    EXPECT_EQ(manager.AddEnvelope(first), nullptr);
    EXPECT_EQ(manager.AddEnvelope(other), nullptr);
    EXPECT_EQ(manager.AddEnvelope(second), first);
    EXPECT_EQ(manager.GetControllerEnv(11, 0), second);
    EXPECT_EQ(manager.GetEnvelopeList(), (std::vector<ECEnvelope*>{other, second}));
    // Not a MIDI envelope: not taken.
    auto* plain = new ECEnvelope;
    const plat::RefPtr<ECEnvelope> plainHeld(plain);
    EXPECT_EQ(manager.AddEnvelope(plain), nullptr);
    // Nor a controller or key out of range, as a damaged document may hold.
    auto* modeMessage = new Damaged<ECControllerEnv>;
    modeMessage->SetFlags(static_cast<uint16_t>(modeMessage->GetFlags() | 0x7F00));
    const plat::RefPtr<ECEnvelope> modeHeld(modeMessage);
    EXPECT_EQ(manager.AddEnvelope(modeMessage), nullptr);
    auto* badKey = new Damaged<ECPolyPressureEnv>;
    badKey->SetFlags(static_cast<uint16_t>(0xC800 | (badKey->GetFlags() & 0xFF)));
    const plat::RefPtr<ECEnvelope> badKeyHeld(badKey);
    EXPECT_EQ(manager.AddEnvelope(badKey), nullptr);
    EXPECT_EQ(manager.GetEnvelopeList().size(), 2u);

    EXPECT_EQ(manager.RemoveEnvelope(first), 0) << "no longer one of the manager's";
    EXPECT_EQ(manager.RemoveEnvelope(second), 1);
    EXPECT_EQ(manager.GetControllerEnv(11, 0), nullptr);
    EXPECT_EQ(manager.GetEnvelopeList(), (std::vector<ECEnvelope*>{other}));
}

TEST_F(EnvelopeMgrTest, TheStateOfEachKindBecomesItsMessage)
{
    CMidiEnvelopeMgr* manager = Staff().GetMidiEnvelopeMgr(0, 1);
    AddPoint(manager->GetPitchBendEnv(1), new ECPitchBend, 0.0f, 8195.0f);
    AddPoint(manager->GetChanPressureEnv(1), new ECChannelPressure, 0.0f, 90.0f);
    AddPoint(manager->GetPolyPressureEnv(60, 1), new ECPolyPressure(60), 0.0f, 33.0f);
    AddPoint(manager->GetPatchEnv(1), new ECProgramChange, 0.0f, ECPatchEnv::MakePatchValue(1, 2, 5));
    AddPoint(manager->GetNRPNEnv(3, 4, 1), new ECNRPNPoint(3, 4), 0.0f, 1285.0f);
    AddPoint(manager->GetControllerEnv(74, 1), new ECControlChange(74), 0.0f, 100.0f);
    // A later point of the pitch bend is not in force yet.
    AddPoint(manager->GetPitchBendEnv(0), new ECPitchBend, 2.0f, 8192.0f);
    manager->GetControllerEnv(75, 1);   // no point: nothing to send

    CSeqEventList list;
    manager->GetMidiData(list, MCTime(1.0f));
    std::vector<CSeqEvent*> events;
    for (auto& event : list) {
        if (event->GetMidiData().GetStatusByte() != 0xB0 || event->GetMidiData().GetDataByte1() == 74)
            events.push_back(event.get());
    }
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(Bytes(*events[0]), (std::vector<int>{0xE0, 0x03, 0x40}));
    EXPECT_EQ(Bytes(*events[1]), (std::vector<int>{0xD0, 90, 0}));
    EXPECT_EQ(Bytes(*events[2]), (std::vector<int>{0xA0, 60, 33}));
    EXPECT_EQ(events[3]->GetDataType(), CSeqEvent::typePatch);
    EXPECT_EQ(Bytes(*events[3])[0], 0xC0);
    EXPECT_EQ(Bytes(*events[3])[1], 5);
    EXPECT_EQ(events[3]->GetPNSubType(), (1u << 8) | 2u);
    EXPECT_EQ(events[4]->GetDataType(), CSeqEvent::typeNRPN);
    EXPECT_EQ(events[4]->GetPNSubType(), (3u << 8) | 4u);
    EXPECT_EQ(events[4]->GetValue(), 1285u);
    EXPECT_EQ(Bytes(*events[5]), (std::vector<int>{0xB0, 74, 100}));
    for (CSeqEvent* event : events) {
        EXPECT_EQ(event->GetTrack(), &Staff());
        EXPECT_EQ(event->GetTimeStamp(), MCTime(1.0f));
        EXPECT_EQ(event->GetVoiceTrack().GetTrack(), 1);
    }

    // A pitch bend of 8192 is the centre, 0x00 0x40.
    list.clear();
    manager->GetMidiData(list, MCTime(2.0f));
    EXPECT_EQ(Bytes(*list.front()), (std::vector<int>{0xE0, 0x00, 0x40}));
}

TEST_F(EnvelopeMgrTest, TheMixerSettingsFoldIntoTheirControllers)
{
    DCsqStaff& staff = Staff();
    staff.SetTrackGain(0.5f);
    staff.SetTrackPan(0.5f);
    staff.SetTrackModulation(0.5f);
    staff.SetTrackReverb(0.25f);
    staff.SetTrackChorus(1.0f);
    CMidiEnvelopeMgr* manager = staff.GetMidiEnvelopeMgr(0, 1);
    struct Case {
        int controller;
        float value;
        int sent;
    };
    const Case cases[] = {
        {7, 100.0f, 50},    // volume times the gain factor
        {10, 100.0f, 127},  // pan: 100 + 32, held to 127
        {10, 0.0f, 32},
        {1, 10.0f, 73},     // modulation: 10 + 63.5, truncated
        {91, 1.0f, 32},     // reverb: 1 + 31.75
        {93, 5.0f, 127},    // chorus: 5 + 127, held to 127
        {74, 100.0f, 100},  // any other controller keeps its value
    };
    for (const Case& c : cases) {
        ECControllerEnv* envelope = manager->GetControllerEnv(c.controller, 1);
        envelope->RemoveChildren(1);
        AddPoint(envelope, new ECControlChange(static_cast<unsigned char>(c.controller)), 0.0f, c.value);
        CSeqEventList list;
        manager->GetMidiData(list, MCTime(0.5f));
        bool found = false;
        for (auto& event : list) {
            if (event->GetMidiData().GetStatusByte() == 0xB0 && event->GetMidiData().GetDataByte1() == c.controller) {
                EXPECT_EQ(event->GetMidiData().GetDataByte2(), c.sent) << "controller " << c.controller << " value " << c.value;
                found = true;
            }
        }
        EXPECT_TRUE(found) << "controller " << c.controller;
        // The changes of a window fold the same way.
        list.clear();
        envelope->Reset();
        manager->GetMidiData(list, MCTime(0.0f), MCTime(1.0f));
        ASSERT_EQ(list.size(), 1u) << "controller " << c.controller;
        EXPECT_EQ(list.front()->GetMidiData().GetDataByte2(), c.sent);
    }
}

TEST_F(EnvelopeMgrTest, ASettingWithoutEnvelopeIsSentLiveExceptWhileAMidiFileIsWritten)
{
    StartDevices();
    DCsqStaff& staff = Staff();
    staff.SetTrackPan(0.5f);
    CMidiEnvelopeMgr* manager = staff.GetMidiEnvelopeMgr(0, 1);
    AddPoint(manager->GetControllerEnv(7, 1), new ECControlChange(7), 0.0f, 100.0f);
    Immediate();

    // Playing: the pan goes out at once (once for the staff's one output), and the list holds
    // only the volume envelope's state.
    CSeqEventList list;
    manager->GetMidiData(list, MCTime(0.0f));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(Bytes(*list.front()), (std::vector<int>{0xB0, 7, 100}));
    const auto sent = Immediate();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), std::vector<uint8_t>{0xB0, 10, 96}), 1);
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const auto& bytes) { return bytes.size() > 1 && bytes[1] == 7; }), 0)
        << "the volume has its envelope";

    // Writing a file: the settings go into the file and nothing reaches the outputs.
    m_sequence->SetMidiWriting(1);
    list.clear();
    manager->GetMidiData(list, MCTime(0.0f));
    m_sequence->SetMidiWriting(0);
    std::vector<std::vector<int>> written;
    for (auto& event : list)
        written.push_back(Bytes(*event));
    EXPECT_EQ(written, (std::vector<std::vector<int>>{{0xB0, 7, 100}, {0xB0, 1, 0}, {0xB0, 10, 96}, {0xB0, 91, 0}, {0xB0, 93, 0}}));
    EXPECT_TRUE(Immediate().empty());
}

TEST_F(EnvelopeMgrTest, AMixerChangeSendsTheEnvelopeValueInForceInsteadOfTheRestingValue)
{
    StartDevices();
    DCsqStaff& staff = Staff();
    CMidiEnvelopeMgr* manager = staff.GetMidiEnvelopeMgr(0, 1);
    AddPoint(manager->GetControllerEnv(7, 1), new ECControlChange(7), 0.0f, 100.0f);
    AddPoint(manager->GetControllerEnv(7, 0), new ECControlChange(7), 8.0f, 20.0f);
    Immediate();
    staff.SetTrackGain(0.5f);
    staff.SetTrackPan(0.5f);
    EXPECT_EQ(Immediate(), (std::vector<std::vector<uint8_t>>{{0xB0, 7, 50}, {0xB0, 10, 96}})) << "100 x 0.5; no pan envelope: 64 + 32";
    m_sequence->SetLocation(MCTime(9.0f));
    Immediate();
    staff.SetTrackGain(0.5f);
    EXPECT_EQ(Immediate(), (std::vector<std::vector<uint8_t>>{{0xB0, 7, 10}})) << "the value at the location";
}

TEST_F(EnvelopeMgrTest, AWindowHoldsTheChangesWithinIt)
{
    CMidiEnvelopeMgr* manager = Staff().GetMidiEnvelopeMgr(0, 1);
    ECControllerEnv* expression = manager->GetControllerEnv(11, 1);
    AddPoint(expression, new ECControlChange(11), 1.0f, 40.0f);
    AddPoint(expression, new ECControlChange(11), 2.0f, 80.0f);
    auto window = [&](float from, float to) {
        CSeqEventList list;
        manager->GetMidiData(list, MCTime(from), MCTime(to));
        std::vector<std::pair<float, int>> changes;
        for (auto& event : list)
            changes.emplace_back(event->GetTimeStamp().GetSeconds(), event->GetMidiData().GetDataByte2());
        return changes;
    };
    EXPECT_TRUE(window(0.0f, 1.0f).empty()) << "no point: the state at the start says where it rests";
    EXPECT_EQ(window(1.0f, 1.5f), (std::vector<std::pair<float, int>>{{1.0f, 40}}));
    EXPECT_TRUE(window(1.5f, 2.0f).empty());
    EXPECT_EQ(window(2.0f, 2.5f), (std::vector<std::pair<float, int>>{{2.0f, 80}}));
    // A disabled envelope sends nothing.
    expression->Enable(0);
    expression->Reset();
    EXPECT_TRUE(window(0.0f, 3.0f).empty());
}

TEST_F(EnvelopeMgrTest, VoicesOnOneOutputShareTheirEnvelopes)
{
    DCsqStaff& staff = Staff();
    for (int voice = 0; voice < DCsqTrack::voiceCount; ++voice)
        staff.GetVoiceMap(voice)->SetChannel(voice < 4 ? 0u : 5u);
    ECEnvelope* fromVoice2 = staff.GetEnvelope(DCsqStaff::envController, DCsqStaff::envCreate, 2, 7, 0);
    ASSERT_NE(fromVoice2, nullptr);
    EXPECT_EQ(staff.GetMidiEnvelopeMgr(0, 0)->GetControllerEnv(7, 0), fromVoice2) << "kept by the first voice of the output";
    EXPECT_EQ(staff.GetMidiEnvelopeMgr(2, 0), nullptr);
    EXPECT_EQ(staff.GetEnvelope(DCsqStaff::envController, 0, 3, 7, 0), fromVoice2);
    EXPECT_EQ(staff.GetEnvelope(DCsqStaff::envController, 0, 6, 7, 0), nullptr) << "another output";
    ECEnvelope* fromVoice6 = staff.GetEnvelope(DCsqStaff::envController, DCsqStaff::envCreate, 6, 7, 0);
    EXPECT_EQ(staff.GetMidiEnvelopeMgr(4, 0)->GetControllerEnv(7, 0), fromVoice6);
    ECEnvelope* nrpn = staff.GetEnvelope(DCsqStaff::envNRPN, DCsqStaff::envCreate, 1, 5, 6);
    EXPECT_EQ(staff.GetEnvelope(DCsqStaff::envNRPN, 0, 0, 5, 6), nrpn);
    EXPECT_EQ(staff.GetEnvelope(DCsqStaff::envVelocity, DCsqStaff::envCreate, 0, 0, 0), nullptr);
    EXPECT_EQ(staff.GetEnvelope(DCsqStaff::envController, DCsqStaff::envCreate, 8, 7, 0), nullptr);

    MCEventList list;
    EXPECT_EQ(staff.GetEnvelopes(list, DCsqStaff::envController, 0, 1), 1);
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetHead(), fromVoice2);
    MCEventList none;
    EXPECT_EQ(staff.GetEnvelopes(none, DCsqStaff::envPatch, 0, 1), 0);
}

TEST_F(EnvelopeMgrTest, OnlyVoicesWithASustainEnvelopeGetAPedalOff)
{
    DCsqStaff& staff = Staff(2);
    staff.GetMidiEnvelopeMgr(0, 1)->GetControllerEnv(7, 1);
    staff.GetMidiEnvelopeMgr(5, 1)->GetControllerEnv(64, 1);
    CSeqEventList list;
    staff.GetSustainPedalOffData(MCTime(3.0f), list);
    ASSERT_EQ(list.size(), 1u);
    CSeqEvent& off = *list.front();
    EXPECT_EQ(Bytes(off), (std::vector<int>{0xB0, 64, 0}));
    EXPECT_EQ(off.GetVoiceTrack().GetVoice(), 5);
    EXPECT_EQ(off.GetVoiceTrack().GetTrack(), 2);
    EXPECT_EQ(off.GetTrack(), &staff);
    EXPECT_EQ(off.GetTimeStamp(), MCTime(3.0f));
}

// What a recorded message became: the point's class, its controller or parameter, its value.
std::string Describe(ECEnvPoint* point)
{
    if (!point)
        return "none";
    const plat::RefPtr<ECBase> owned(point);
    std::string text = point->runtimeClass()->name;
    unsigned char msb = 0;
    unsigned char lsb = 0;
    if (auto* nrpn = plat::dynamicDowncast<ECNRPNPoint>(point)) {
        nrpn->GetNRPNValue(msb, lsb);
        text += " " + std::to_string(msb) + "/" + std::to_string(lsb);
    } else if (auto* rpn = plat::dynamicDowncast<ECRPNPoint>(point)) {
        rpn->GetRPNValue(msb, lsb);
        text += " " + std::to_string(msb) + "/" + std::to_string(lsb);
    } else if (auto* controller = plat::dynamicDowncast<ECControlChange>(point)) {
        text += " " + std::to_string(controller->GetControllerNum());
    }
    return text + " = " + std::to_string(static_cast<long>(point->GetValue()));
}

TEST_F(EnvelopeMgrTest, RecordedMessagesBecomePointsAsAReceiverReadsThem)
{
    struct Case {
        const char* what;
        std::vector<uint32_t> messages;
        std::vector<std::string> points;
    };
    const Case cases[] = {
        {"NRPN data entry, then an RPN number deselects the NRPN",
         {0x0163B0, 0x0262B0, 0x0A06B0, 0x0526B0, 0x0065B0, 0x0306B0},
         {"none", "none", "ECNRPNPoint 1/2 = 1280", "ECNRPNPoint 1/2 = 1285", "none", "ECControlChange 6 = 3"}},
        {"127 selects no parameter",
         {0x7F63B0, 0x0262B0, 0x0A06B0},
         {"none", "none", "ECControlChange 6 = 10"}},
        {"RPN data entry; increment and decrement change nothing",
         {0x0065B0, 0x0064B0, 0x0206B0, 0x0060B0, 0x0061B0},
         {"none", "none", "ECRPNPoint 0/0 = 256", "none", "none"}},
        {"bank select then program", {0x0100B0, 0x0220B0, 0x0005C0}, {"none", "none", "ECProgramChange = 16645"}},
        {"channel messages",
         {0x4003E0, 0x0045D0, 0x203CA0, 0x6407B0, 0x7F40B0, 0x200BB0},
         {"ECPitchBend = 8195", "ECChannelPressure = 69", "ECPolyPressure = 32", "ECDynamic 7 = 100", "ECPedal 64 = 127",
          "ECControlChange 11 = 32"}},
        {"no envelope data", {0x0078B0, 0x643C90, 0x0000F8}, {"none", "none", "none"}},
    };
    for (const Case& c : cases) {
        CMidiEnvelopeMgr manager(&Staff(), 0);
        std::vector<std::string> points;
        for (uint32_t message : c.messages)
            points.push_back(Describe(manager.GetEnvPoint(FCMidi(message))));
        EXPECT_EQ(points, c.points) << c.what;
    }
    EXPECT_EQ(ECPatchEnv::MakePatchValue(1, 2, 5), 16645.0f);
}

TEST_F(EnvelopeMgrTest, ClearingTheReceiverForgetsTheBankAndTheParameter)
{
    CMidiEnvelopeMgr manager(&Staff(), 0);
    for (uint32_t message : {0x0500B0u, 0x0163B0u, 0x0262B0u})
        EXPECT_EQ(Describe(manager.GetEnvPoint(FCMidi(message))), "none");
    manager.ClearState();
    EXPECT_EQ(Describe(manager.GetEnvPoint(FCMidi(0x0007C0))), "ECProgramChange = 7") << "bank 0";
    EXPECT_EQ(Describe(manager.GetEnvPoint(FCMidi(0x0A06B0))), "ECControlChange 6 = 10") << "no parameter";
}

}  // namespace
