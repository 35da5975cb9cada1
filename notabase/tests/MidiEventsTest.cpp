#include "notabase/model/ECBankLSB.h"
#include "notabase/model/ECBankMSB.h"
#include "notabase/model/ECChanPressureEnv.h"
#include "notabase/model/ECChannelMode.h"
#include "notabase/model/ECChannelPressure.h"
#include "notabase/model/ECControlChange.h"
#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECNRPNEnv.h"
#include "notabase/model/ECNRPNPoint.h"
#include "notabase/model/ECPan.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/ECPitchBend.h"
#include "notabase/model/ECPitchBendEnv.h"
#include "notabase/model/ECPolyPressure.h"
#include "notabase/model/ECPolyPressureEnv.h"
#include "notabase/model/ECProgramChange.h"
#include "notabase/model/ECRPNEnv.h"
#include "notabase/model/ECRPNPoint.h"
#include "notabase/model/ECSystemMessage.h"
#include "notabase/tests/ArchiveFixtures.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

template <class Point>
Point* at(float time, float value, Point* point)
{
    MCTime t(time);
    point->SetTime(&t);
    point->SetValue(value);
    return point;
}

template <class T>
std::unique_ptr<T> roundTrip(const T& element, std::vector<uint8_t>* stored = nullptr)
{
    const auto bytes = storeObject(&element);
    std::unique_ptr<T> loaded(plat::dynamicDowncast<T>(loadObject(bytes)));
    EXPECT_TRUE(loaded) << element.runtimeClass()->name;
    if (loaded) {
        EXPECT_EQ(storeObject(loaded.get()), bytes) << element.runtimeClass()->name << " stores what it loaded";
    }
    if (stored)
        *stored = bytes;
    return loaded;
}

float clamped(ECEnvelope& envelope, float value)
{
    auto* point = at(0.0f, value, new ECEnvPoint);
    envelope.RemoveChildren(1);
    envelope.AddChild(point, 1);
    float result = 0.0f;
    envelope.Reset();
    envelope.GetValue(MCTime(0.0f), result, 1);
    return result;
}

class MidiEventsTest : public ::testing::Test {
protected:
    ModelStateGuard m_guard;
};

TEST_F(MidiEventsTest, ControllerTypesSetTheirRestingValue)
{
    const struct {
        int controller;
        int type;
        float restingValue;
    } cases[] = {
        {7, 7, 127.0f}, {11, 11, 127.0f}, {8, 8, 64.0f}, {10, 10, 64.0f}, {0, 0, 0.0f}, {119, 119, 0.0f},
    };
    for (const auto& c : cases) {
        ECControllerEnv envelope;
        envelope.SetDefaultValue(33.0f);
        envelope.SetControllerType(c.controller);
        EXPECT_EQ(envelope.GetControllerType(), c.type) << c.controller;
        EXPECT_EQ(envelope.GetDefaultValue(), c.restingValue) << c.controller;
    }
    // Numbers from 120 on are channel-mode messages: refused, and the envelope is left as it was.
    for (int refused : {120, 121, 127, 128, -1}) {
        ECControllerEnv envelope;
        envelope.SetControllerType(10);
        envelope.SetControllerType(refused);
        EXPECT_EQ(envelope.GetControllerType(), 10) << refused;
        EXPECT_EQ(envelope.GetDefaultValue(), 64.0f) << refused;
    }
}

TEST_F(MidiEventsTest, EnvelopeLimitsFollowTheirResolution)
{
    ECControllerEnv controller;
    EXPECT_EQ(clamped(controller, 500.0f), 127.0f);
    controller.Set14Bit(1);
    EXPECT_EQ(controller.Is14Bit(), 1);
    EXPECT_EQ(clamped(controller, 500.0f), 500.0f);
    EXPECT_EQ(clamped(controller, 20000.0f), 16383.0f);
    controller.Set14Bit(2);  // bit 0 only
    EXPECT_EQ(controller.Is14Bit(), 0);
    EXPECT_EQ(clamped(controller, 500.0f), 127.0f);
    controller.SetControllerType(64);
    controller.Set14Bit(1);
    EXPECT_EQ(controller.GetControllerType(), 64) << "type and flag share a byte";

    ECPitchBendEnv bend;
    EXPECT_EQ(bend.GetDefaultValue(), 8192.0f);
    EXPECT_EQ(bend.GetUpperLimit(), 16383.0f);
    EXPECT_EQ(ECChanPressureEnv().GetUpperLimit(), 127.0f);
    EXPECT_EQ(ECPolyPressureEnv().GetUpperLimit(), 127.0f);
    EXPECT_EQ(ECPatchEnv().GetUpperLimit(), ECEnvelope().GetUpperLimit());

    ECRPNEnv rpn;
    EXPECT_EQ(rpn.Is14Bit(), 1);
    EXPECT_EQ(rpn.GetUpperLimit(), 16383.0f);
    rpn.Set14Bit(0x100);  // the flag is the whole byte: 0x100 & 0xFF is 0
    EXPECT_EQ(rpn.Is14Bit(), 0);
    EXPECT_EQ(rpn.GetUpperLimit(), 127.0f);
    rpn.Set14Bit(0x1FF);
    EXPECT_EQ(rpn.Is14Bit(), 0xFF);
    EXPECT_EQ(rpn.GetUpperLimit(), 16383.0f);
    for (ECEnvelope* envelope : std::initializer_list<ECEnvelope*>{&controller, &bend, &rpn}) {
        EXPECT_EQ(envelope->IntValued(), 1);
        EXPECT_EQ(envelope->GetLowerLimit(), 0.0f);
    }
}

TEST_F(MidiEventsTest, ParameterNumbersAndKeysTakeOnlyMidiBytes)
{
    ECRPNEnv rpn;
    ECNRPNEnv nrpn;
    int msb = -1;
    int lsb = -1;
    rpn.GetRPNType(msb, lsb);
    EXPECT_EQ(msb, 0);
    EXPECT_EQ(lsb, 0);
    const struct {
        int msb, lsb;
        bool taken;
    } cases[] = {{0, 5, true}, {127, 127, true}, {128, 0, false}, {0, 128, false}, {-1, 3, false}, {3, -1, false}};
    for (const auto& c : cases) {
        rpn.SetRPNType(9, 9);
        nrpn.SetNRPNType(9, 9);
        rpn.SetRPNType(c.msb, c.lsb);
        nrpn.SetNRPNType(c.msb, c.lsb);
        rpn.GetRPNType(msb, lsb);
        EXPECT_EQ(msb, c.taken ? c.msb : 9) << c.msb << '/' << c.lsb;
        EXPECT_EQ(lsb, c.taken ? c.lsb : 9) << c.msb << '/' << c.lsb;
        nrpn.GetNRPNType(msb, lsb);
        EXPECT_EQ(msb, c.taken ? c.msb : 9);
        EXPECT_EQ(lsb, c.taken ? c.lsb : 9);
    }

    ECPolyPressureEnv keyEnv;
    keyEnv.SetKey(60);
    keyEnv.SetKey(128);
    keyEnv.SetKey(-1);
    EXPECT_EQ(keyEnv.GetKey(), 60);
    ECPolyPressure key(200);
    EXPECT_EQ(key.GetKey(), 200) << "a point takes any byte";

    ECChannelMode mode;
    EXPECT_EQ(mode.GetChannelModeType(), 5);
    mode.SetChannelModeType(9);
    EXPECT_EQ(mode.GetChannelModeType(), 5);
    mode.SetChannelModeType(0);
    EXPECT_EQ(mode.GetChannelModeType(), 0);
}

TEST_F(MidiEventsTest, PatchValuesPackBankAndProgram)
{
    EXPECT_EQ(ECPatchEnv::MakePatchValue(1, 2, 3), 16643.0f);
    EXPECT_EQ(ECPatchEnv::MakePatchValue(127, 127, 127), 2097151.0f);
    EXPECT_EQ(ECPatchEnv::MakePatchValue(128 + 1, 255, 130), ECPatchEnv::MakePatchValue(1, 127, 2));
    EXPECT_EQ(ECPatchEnv::GetBankMSB(16643.9f), 1);
    EXPECT_EQ(ECPatchEnv::GetBankLSB(16643.9f), 2);
    EXPECT_EQ(ECPatchEnv::GetProgram(16643.9f), 3);
    EXPECT_EQ(ECPatchEnv::GetProgram(3.4028235e38f), 0) << "an unset point value is no patch";

    ECPatchEnv patches;
    patches.AddChild(at(2.0f, ECPatchEnv::MakePatchValue(0, 1, 40), new ECProgramChange), 1);
    unsigned long msb = 9;
    unsigned long lsb = 9;
    unsigned long program = 9;
    EXPECT_EQ(patches.GetPatch(MCTime(2.5f), msb, lsb, program), 1);
    EXPECT_EQ(msb, 0u);
    EXPECT_EQ(lsb, 1u);
    EXPECT_EQ(program, 40u);
    EXPECT_EQ(patches.GetPatch(MCTime(3.0f), msb, lsb, program), 0) << "the same patch again";
    EXPECT_EQ(patches.GetPatch(MCTime(1.0f), msb, lsb, program), 1) << "before the first point: the default";
    EXPECT_EQ(program, 0u);

    // Setting a patch changes the point at the time, or adds one there.
    EXPECT_EQ(patches.SetPatch(MCTime(2.0f), 3, 0, 7), 1);
    EXPECT_EQ(patches.SetPatch(MCTime(4.0f), 0, 0, 12), 1);
    EXPECT_EQ(patches.SetPatch(MCTime(5.0f), 0, 0, 128), 0);
    ASSERT_EQ(patches.GetPointCount(), 2);
    auto* changed = static_cast<ECProgramChange*>(patches.GetPointAtIndex(0));
    EXPECT_EQ(changed->GetValue(), ECPatchEnv::MakePatchValue(3, 0, 7));
    EXPECT_EQ(changed->GetBankMSB(), 3);
    patches.GetPatch(MCTime(4.0f), msb, lsb, program);
    EXPECT_EQ(program, 12u);

    // A time held by a point of another class is left alone.
    patches.AddChild(at(6.0f, 1.0f, new ECEnvPoint), 1);
    EXPECT_EQ(patches.SetPatch(MCTime(6.0f), 0, 0, 1), 0);
    EXPECT_EQ(patches.GetPointAt(MCTime(6.0f))->GetValue(), 1.0f);
}

TEST_F(MidiEventsTest, PointsCompareTheirOwnFieldsOnly)
{
    ECControlChange a(7);
    ECControlChange b(7);
    at(1.0f, 100.0f, &a);
    at(5.0f, 3.0f, &b);
    EXPECT_TRUE(a == b) << "times and values do not count";
    b.SetControllerNum(8);
    EXPECT_TRUE(a != b);

    // Assignment copies the point and the class's fields, but not the time.
    ECPolyPressure key(60);
    at(3.0f, 90.0f, &key);
    key.SetStyle(ECEnvPoint::styleLinear);
    ECPolyPressure other(61);
    at(7.0f, 0.0f, &other);
    other = key;
    EXPECT_EQ(other.GetKey(), 60);
    EXPECT_EQ(other.GetValue(), 90.0f);
    EXPECT_EQ(other.GetStyle(), ECEnvPoint::styleLinear);
    EXPECT_EQ(other.GetTime()->GetSeconds(), 7.0f);
    EXPECT_EQ(ECPolyPressure(key).GetTime()->GetSeconds(), 3.0f) << "the copy constructor takes the time";
    EXPECT_EQ(ECPolyPressure(key).GetKey(), 60);

    ECProgramChange program;
    program.SetBankMSB(2);
    program.SetBankLSB(3);
    ECProgramChange plain;
    EXPECT_TRUE(plain != program);
    plain.Copy(&program);
    EXPECT_TRUE(plain == program);

    ECRPNPoint rpn(1, 2);
    ECRPNPoint rpnOther;
    EXPECT_TRUE(rpn != rpnOther);
    rpnOther = rpn;
    unsigned char msb = 0;
    unsigned char lsb = 0;
    rpnOther.GetRPNValue(msb, lsb);
    EXPECT_EQ(msb, 1);
    EXPECT_EQ(lsb, 2);
    ECNRPNPoint nrpn(4, 5);
    ECNRPNPoint nrpnCopy(nrpn);
    nrpnCopy.GetNRPNValue(msb, lsb);
    EXPECT_EQ(msb, 4);
    EXPECT_EQ(lsb, 5);
    EXPECT_TRUE(nrpnCopy == nrpn);

    ECChannelMode mode;
    mode.SetChannelModeType(2);
    mode.SetControllerNum(122);
    ECChannelMode modeCopy;
    modeCopy.Copy(&mode);
    EXPECT_EQ(modeCopy.GetChannelModeType(), 2);
    EXPECT_EQ(modeCopy.GetControllerNum(), 122);
}

TEST_F(MidiEventsTest, EnvelopeCopiesKeepWhatTheyAreFor)
{
    ECControllerEnv controller;
    controller.SetControllerType(10);
    controller.Set14Bit(1);
    ECControllerEnv controllerCopy(controller);
    EXPECT_EQ(controllerCopy.GetControllerType(), 10);
    EXPECT_EQ(controllerCopy.Is14Bit(), 1);
    ECControllerEnv assigned;
    assigned.Copy(&controller);
    EXPECT_EQ(assigned.GetControllerType(), 10);
    EXPECT_EQ(assigned.GetUpperLimit(), 16383.0f);

    ECNRPNEnv nrpn;
    nrpn.SetNRPNType(1, 8);
    nrpn.Set14Bit(0);
    ECNRPNEnv nrpnCopy;
    nrpnCopy = nrpn;
    int msb = 0;
    int lsb = 0;
    nrpnCopy.GetNRPNType(msb, lsb);
    EXPECT_EQ(msb, 1);
    EXPECT_EQ(lsb, 8);
    EXPECT_EQ(nrpnCopy.Is14Bit(), 0);
    ECRPNEnv rpn;
    rpn.SetRPNType(0, 2);
    ECRPNEnv(rpn).GetRPNType(msb, lsb);
    EXPECT_EQ(lsb, 2);

    ECPolyPressureEnv key;
    key.SetKey(64);
    EXPECT_EQ(ECPolyPressureEnv(key).GetKey(), 64);
}

TEST_F(MidiEventsTest, ACopiedSystemMessageKeepsItsType)
{
    ECSystemMessage message(3);
    message.SetMessageName("GM Reset");
    MCTime t(-1.0f);
    message.SetTime(&t);
    ECSystemMessage copy;
    copy.Copy(&message);
    EXPECT_EQ(copy.GetMessageType(), 3);
    EXPECT_EQ(copy.GetMessageName(), "GM Reset");
    EXPECT_EQ(copy.GetTime()->GetSeconds(), MCTime::TimeNull().GetSeconds()) << "assignment leaves the time";
    const ECSystemMessage constructed(message);
    EXPECT_EQ(constructed.GetMessageType(), 3);
    EXPECT_EQ(const_cast<ECSystemMessage&>(constructed).GetTime()->GetSeconds(), -1.0f);
}

TEST_F(MidiEventsTest, ParentTypes)
{
    const struct {
        std::function<ECBase*()> make;
        std::vector<int> parents;
    } cases[] = {
        {[] { return new ECControlChange; }, {19}},  {[] { return new ECBankMSB; }, {55}},
        {[] { return new ECBankLSB; }, {55}},        {[] { return new ECPan; }, {22, 19}},
        {[] { return new ECChannelMode; }, {55}},    {[] { return new ECChannelPressure; }, {11}},
        {[] { return new ECPitchBend; }, {46}},      {[] { return new ECPolyPressure; }, {48}},
        {[] { return new ECProgramChange; }, {42}},  {[] { return new ECRPNPoint; }, {52}},
        {[] { return new ECNRPNPoint; }, {38}},      {[] { return new ECControllerEnv; }, {55, 61}},
        {[] { return new ECChanPressureEnv; }, {55}}, {[] { return new ECPitchBendEnv; }, {55}},
        {[] { return new ECPolyPressureEnv; }, {55}}, {[] { return new ECPatchEnv; }, {55}},
        {[] { return new ECRPNEnv; }, {55}},         {[] { return new ECNRPNEnv; }, {55, 61}},
        {[] { return new ECSystemMessage; }, {17}},
    };
    for (const auto& c : cases) {
        std::unique_ptr<ECBase> element(c.make());
        std::vector<int> types{99};
        EXPECT_EQ(element->GetParentTypes(types), static_cast<int>(c.parents.size()) + 1);
        types.erase(types.begin());
        EXPECT_EQ(types, c.parents) << element->runtimeClass()->name;
    }
}

TEST_F(MidiEventsTest, RecordsRoundTrip)
{
    // A staff-like holder with one envelope of each kind, each with its points.
    TEStaff staff;
    auto* controller = new ECControllerEnv;
    controller->SetControllerType(10);
    controller->Set14Bit(1);
    controller->AddChild(at(0.0f, 64.0f, new ECControlChange(10)), 1);
    controller->AddChild(at(1.0f, 0.0f, new ECPan), 1);
    auto* pressure = new ECChanPressureEnv;
    pressure->AddChild(at(0.5f, 90.0f, new ECChannelPressure), 1);
    auto* bend = new ECPitchBendEnv;
    auto* bendPoint = at(0.25f, 10000.0f, new ECPitchBend);
    bendPoint->SetStyle(ECEnvPoint::styleLinear);
    bend->AddChild(bendPoint, 1);
    auto* poly = new ECPolyPressureEnv;
    poly->SetKey(61);
    poly->AddChild(at(0.0f, 12.0f, new ECPolyPressure(61)), 1);
    auto* patch = new ECPatchEnv;
    auto* program = at(0.0f, ECPatchEnv::MakePatchValue(0, 1, 5), new ECProgramChange);
    patch->AddChild(program, 1);
    auto* rpn = new ECRPNEnv;
    rpn->SetRPNType(0, 1);
    rpn->AddChild(at(0.0f, 8192.0f, new ECRPNPoint(0, 1)), 1);
    auto* nrpn = new ECNRPNEnv;
    nrpn->SetNRPNType(1, 32);
    nrpn->Set14Bit(0);
    nrpn->AddChild(at(2.0f, 70.0f, new ECNRPNPoint(1, 32)), 1);
    auto* mode = at(3.0f, 0.0f, new ECChannelMode);
    mode->SetChannelModeType(8);
    mode->SetControllerNum(127);
    auto* msb = at(0.0f, 1.0f, new ECBankMSB);
    msb->SetControllerNum(0);
    auto* lsb = at(0.0f, 2.0f, new ECBankLSB);
    lsb->SetControllerNum(32);
    for (ECBase* child : std::initializer_list<ECBase*>{controller, pressure, bend, poly, patch, rpn, nrpn, mode, msb, lsb})
        staff.AddChild(child, 0);
    ECSystemMessage message(4);
    message.SetMessageName("XG On");

    std::vector<uint8_t> bytes;
    const auto loaded = roundTrip(staff, &bytes);
    ASSERT_TRUE(loaded);
    MCEventList* children = loaded->GetChildren();
    ASSERT_EQ(children->GetCount(), 10);
    auto child = [children](int i) { return children->GetAt(children->FindIndex(i)); };
    auto* lcontroller = plat::dynamicDowncast<ECControllerEnv>(child(0));
    ASSERT_TRUE(lcontroller);
    EXPECT_EQ(lcontroller->GetControllerType(), 10);
    EXPECT_EQ(lcontroller->Is14Bit(), 1);
    EXPECT_EQ(static_cast<ECControlChange*>(lcontroller->GetPointAtIndex(0))->GetControllerNum(), 10);
    EXPECT_TRUE(plat::dynamicDowncast<ECPan>(lcontroller->GetPointAtIndex(1)));
    EXPECT_EQ(static_cast<ECPolyPressureEnv*>(child(3))->GetKey(), 61);
    EXPECT_EQ(static_cast<ECPolyPressure*>(static_cast<ECEnvelope*>(child(3))->GetPointAtIndex(0))->GetKey(), 61);
    EXPECT_EQ(static_cast<ECEnvelope*>(child(4))->GetPointAtIndex(0)->GetValue(), program->GetValue());
    int pmsb = 0;
    int plsb = 0;
    static_cast<ECRPNEnv*>(child(5))->GetRPNType(pmsb, plsb);
    EXPECT_EQ(plsb, 1) << "the parameter number is stored";
    static_cast<ECNRPNEnv*>(child(6))->GetNRPNType(pmsb, plsb);
    EXPECT_EQ(pmsb, 1);
    EXPECT_EQ(plsb, 32);
    EXPECT_EQ(static_cast<ECNRPNEnv*>(child(6))->Is14Bit(), 0);
    unsigned char vmsb = 0;
    unsigned char vlsb = 0;
    static_cast<ECNRPNPoint*>(static_cast<ECEnvelope*>(child(6))->GetPointAtIndex(0))->GetNRPNValue(vmsb, vlsb);
    EXPECT_EQ(vlsb, 32);
    auto* lmode = plat::dynamicDowncast<ECChannelMode>(child(7));
    ASSERT_TRUE(lmode);
    EXPECT_EQ(lmode->GetChannelModeType(), 8);
    EXPECT_EQ(lmode->GetControllerNum(), 127);
    EXPECT_EQ(lmode->GetTime()->GetSeconds(), 3.0f);
    EXPECT_EQ(static_cast<ECBankLSB*>(child(9))->GetControllerNum(), 32);

    const auto lmessage = roundTrip(message);
    ASSERT_TRUE(lmessage);
    EXPECT_EQ(lmessage->GetMessageType(), 4);
    EXPECT_EQ(lmessage->GetMessageName(), "XG On");
}

TEST_F(MidiEventsTest, OlderRecords)
{
    // Before version 3 a controller point is its time alone: no point part, no number.
    OldRecord controlV2(2);
    controlV2.timedHead(1.5f, 0x0012);
    const auto control = loadOldRecord<ECControlChange>(controlV2);
    EXPECT_EQ(control->GetTime()->GetSeconds(), 1.5f);
    EXPECT_EQ(control->GetControllerNum(), 0);
    EXPECT_EQ(control->IsAnchorHead(), 1);

    // Channel-mode events before version 4 hold their time and voice/track word only.
    OldRecord modeV3(3);
    modeV3.timedHead(2.0f, 0x0034);
    const auto mode = loadOldRecord<ECChannelMode>(modeV3);
    EXPECT_EQ(mode->GetTime()->GetSeconds(), 2.0f);
    EXPECT_EQ(mode->GetVoiceTrack()->GetValue(), 0x0034);
    EXPECT_EQ(mode->GetChannelModeType(), 5);
    EXPECT_EQ(mode->GetControllerNum(), 0);
    EXPECT_EQ(mode->GetValue(), 3.4028235e38f);
    // From version 4 on: the point, the controller number and the type.
    OldRecord modeV4(4);
    modeV4.timedHead(2.0f, 0x0034).u8(0x01);
    modeV4.archive().writeFloat(0.0f);
    modeV4.u8(121).u8(1);
    const auto mode4 = loadOldRecord<ECChannelMode>(modeV4);
    EXPECT_EQ(mode4->GetChannelModeType(), 1);
    EXPECT_EQ(mode4->GetControllerNum(), 121);
    EXPECT_EQ(mode4->GetValue(), 0.0f);
    EXPECT_EQ(mode4->IsAnchor(), 1);

    // A system message before version 3 has no name.
    OldRecord messageV2(2);
    messageV2.timedHead(-1.0f, 0).u8(6);
    const auto message = loadOldRecord<ECSystemMessage>(messageV2);
    EXPECT_EQ(message->GetMessageType(), 6);
    EXPECT_EQ(message->GetMessageName(), "");

    // Parameter envelopes of the first layout hold no parameter number: they load as 0/0.
    ECRPNEnv rpn;
    rpn.SetRPNType(0, 3);
    rpn.Set14Bit(0);
    auto bytes = storeObject(&rpn);
    bytes.resize(bytes.size() - 2);
    setStoredSchema(bytes, "ECRPNEnv", 2);
    std::unique_ptr<ECRPNEnv> oldRpn(static_cast<ECRPNEnv*>(loadObject(bytes)));
    ASSERT_TRUE(oldRpn);
    int msb = 9;
    int lsb = 9;
    oldRpn->GetRPNType(msb, lsb);
    EXPECT_EQ(msb, 0);
    EXPECT_EQ(lsb, 0);
    EXPECT_EQ(oldRpn->Is14Bit(), 0);
}

TEST_F(MidiEventsTest, DamagedRecordsFailCleanly)
{
    TEStaff staff;
    auto* rpn = new ECRPNEnv;
    rpn->AddChild(at(0.0f, 1.0f, new ECRPNPoint(0, 1)), 1);
    staff.AddChild(rpn, 0);
    auto* mode = at(0.0f, 0.0f, new ECChannelMode);
    staff.AddChild(mode, 0);
    const auto bytes = storeObject(&staff);
    for (size_t size = 0; size < bytes.size(); ++size) {
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_THROW(delete loadObject(cut), plat::ArchiveError) << size;
    }
    // Out-of-range bytes from a damaged file are refused by the setters.
    auto damaged = storeObject(mode);
    damaged.back() = 77;  // the channel-mode type
    std::unique_ptr<ECChannelMode> loaded(static_cast<ECChannelMode*>(loadObject(damaged)));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->GetChannelModeType(), 5);
}

}  // namespace
