#include "notabase/model/ECAccent.h"
#include "notabase/model/ECAccidental.h"
#include "notabase/model/ECArpeggio.h"
#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECDot.h"
#include "notabase/model/ECDynamic.h"
#include "notabase/model/ECMordent.h"
#include "notabase/model/ECOrnament.h"
#include "notabase/model/ECPedal.h"
#include "notabase/model/ECRepeat.h"
#include "notabase/model/ECTranspose.h"
#include "notabase/model/ECTremolo.h"
#include "notabase/model/ECTrill.h"
#include "notabase/model/ECTurn.h"
#include "notabase/tests/ArchiveFixtures.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class NotationMarksTest : public ::testing::Test {
protected:
    ModelStateGuard m_guard;
};

// A mark of the type-byte family: its type survives copies and records, it compares by its
// type, and its record is its base's record and one byte.
template <class Mark, class Base>
void checkTypeMark(unsigned char (Mark::*get)() const, void (Mark::*set)(unsigned char), std::vector<int> parents)
{
    SCOPED_TRACE(Mark::classObject.name);
    Mark mark(200);
    EXPECT_EQ((mark.*get)(), 200);
    EXPECT_EQ((Mark().*get)(), 0);
    const Mark copied(mark);
    EXPECT_EQ((copied.*get)(), 200);
    Mark assigned(3);
    EXPECT_TRUE(assigned != mark);
    assigned.Copy(&mark);
    EXPECT_TRUE(assigned == mark);
    (assigned.*set)(7);
    EXPECT_EQ((assigned.*get)(), 7);

    std::vector<int> types;
    mark.GetParentTypes(types);
    EXPECT_EQ(types, parents);

    Base& asBase = mark;
    auto expected = storeWith([&asBase](plat::Archive& archive) { asBase.Base::Serialize(archive); });
    expected.push_back(200);
    EXPECT_EQ(storeWith([&mark](plat::Archive& archive) { mark.Serialize(archive); }), expected);

    const auto bytes = storeObject(&mark);
    std::unique_ptr<Mark> loaded(plat::dynamicDowncast<Mark>(loadObject(bytes)));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(((*loaded).*get)(), 200);
    EXPECT_EQ(storeObject(loaded.get()), bytes);
}

TEST_F(NotationMarksTest, TypeMarksKeepTheirTypeByte)
{
    checkTypeMark<ECAccent, ECBase>(&ECAccent::GetAccentType, &ECAccent::SetAccentType, {37, 12, 27});
    checkTypeMark<ECAccidental, ECBase>(&ECAccidental::GetAccidentalType, &ECAccidental::SetAccidentalType, {37, 27});
    checkTypeMark<ECDot, ECBase>(&ECDot::GetDotType, &ECDot::SetDotType, {37, 12, 51});
    checkTypeMark<ECArpeggio, ECWithChild>(&ECArpeggio::GetArpeggioType, &ECArpeggio::SetArpeggioType, {12});
    checkTypeMark<ECMordent, ECWithChild>(&ECMordent::GetMordentType, &ECMordent::SetMordentType, {37, 12});
    checkTypeMark<ECOrnament, ECWithChild>(&ECOrnament::GetOrnamentType, &ECOrnament::SetOrnamentType, {37});
    checkTypeMark<ECTurn, ECWithChild>(&ECTurn::GetTurnType, &ECTurn::SetTurnType, {37, 12});
    checkTypeMark<ECTremolo, ECWithTimeChild>(&ECTremolo::GetTremoloType, &ECTremolo::SetTremoloType, {37, 12});
    checkTypeMark<ECTrill, ECWithTimeChild>(&ECTrill::GetTrillType, &ECTrill::SetTrillType, {37, 12});
    checkTypeMark<ECRepeat, ECWithTimeChild>(&ECRepeat::GetRepeatType, &ECRepeat::SetRepeatType, {32});
}

TEST_F(NotationMarksTest, MarksWithChildrenOrTimesKeepThemApartFromTheType)
{
    ECTrill trill(9);
    MCTime t(2.5f);
    trill.SetTime(&t);
    trill.SetVoiceTrack(1, 4);
    trill.AddChild(new ECAccent(1), 0);
    trill.SetTrillType(3);
    EXPECT_EQ(trill.GetTrillType(), 3);
    EXPECT_EQ(trill.GetFlags() & ECBase::flagHasChildren, ECBase::flagHasChildren) << "the type leaves the flag bits";
    ECTrill copy(trill);
    EXPECT_EQ(copy.GetTime()->GetSeconds(), 2.5f);
    EXPECT_TRUE(copy.GetChildren()->IsEmpty());

    const auto bytes = storeObject(&trill);
    std::unique_ptr<ECTrill> loaded(static_cast<ECTrill*>(loadObject(bytes)));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->GetTrillType(), 3);
    EXPECT_EQ(loaded->GetTrack(), 4);
    ASSERT_EQ(loaded->GetChildren()->GetCount(), 1);
    EXPECT_EQ(static_cast<ECAccent*>(loaded->GetChildren()->GetHead())->GetAccentType(), 1);

    ECAccent accent(4);
    EXPECT_EQ(accent.GetTime(), nullptr);
    EXPECT_EQ(accent.GetDuration(), nullptr);
    EXPECT_EQ(ECOrnament().GetTime(), nullptr);
}

TEST_F(NotationMarksTest, DynamicsNameThemselvesAndLastWhenGradual)
{
    ECDynamic mf;
    EXPECT_EQ(mf.GetDynamicType(), 5);
    EXPECT_EQ(mf.GetText(), "mf");
    EXPECT_EQ(mf.GetDuration()->GetSeconds(), 0.0f);
    mf.SetText("mezzo forte");
    EXPECT_EQ(mf.GetText(), "mezzo forte");
    mf.SetText("");
    EXPECT_EQ(mf.GetText(), "mf");
    EXPECT_EQ(ECDynamic(14, MCTime(0.0f)).GetText(), "") << "a type without a name";

    for (int type = 0; type <= 20; ++type)
        EXPECT_EQ(ECDynamic::HasDuration(static_cast<unsigned char>(type)), type >= 10 && type <= 15 ? 1 : 0) << type;
    EXPECT_EQ(ECPedal::HasDuration(0), 1);
    EXPECT_EQ(ECTranspose::HasDuration(255), 1);

    // A gradual dynamic stores its duration; a plain one does not, and loads with none.
    ECControllerEnv envelope;
    auto* cresc = new ECDynamic(ECDynamic::typeCrescendo, MCTime(3.0f));
    MCTime one(1.0f);
    cresc->SetTime(&one);
    cresc->SetValue(71.0f);
    cresc->SetText("poco a poco");
    envelope.AddChild(cresc, 1);
    auto* forte = new ECDynamic(6, MCTime(2.0f));
    MCTime five(5.0f);
    forte->SetTime(&five);
    envelope.AddChild(forte, 1);
    const auto bytes = storeObject(&envelope);
    std::unique_ptr<ECControllerEnv> loaded(static_cast<ECControllerEnv*>(loadObject(bytes)));
    ASSERT_TRUE(loaded);
    auto* lcresc = static_cast<ECDynamic*>(loaded->GetPointAtIndex(0));
    auto* lforte = static_cast<ECDynamic*>(loaded->GetPointAtIndex(1));
    EXPECT_TRUE(*lcresc == *cresc);
    EXPECT_EQ(lcresc->GetDuration()->GetSeconds(), 3.0f);
    EXPECT_EQ(lcresc->GetText(), "poco a poco");
    EXPECT_EQ(lcresc->GetValue(), 71.0f);
    EXPECT_EQ(lforte->GetDynamicType(), 6);
    EXPECT_EQ(lforte->GetDuration()->GetSeconds(), 0.0f);
    EXPECT_EQ(storeObject(loaded.get()), bytes);
}

TEST_F(NotationMarksTest, CopiesTakeTheDurationOnlyWhenConstructed)
{
    ECDynamic dim(ECDynamic::typeDiminuendo, MCTime(2.0f));
    dim.SetText("dim. e rit.");
    ECDynamic assigned(ECDynamic::typeDiminuendo, MCTime(6.0f));
    EXPECT_TRUE(assigned != dim) << "durations differ";
    assigned.Copy(&dim);
    EXPECT_EQ(assigned.GetText(), "dim. e rit.");
    EXPECT_EQ(assigned.GetDuration()->GetSeconds(), 6.0f);
    EXPECT_EQ(ECDynamic(dim).GetDuration()->GetSeconds(), 2.0f);
    EXPECT_TRUE(ECDynamic(dim) == dim);

    ECPedal pedal;
    EXPECT_EQ(pedal.GetPedalType(), 0);
    EXPECT_EQ(pedal.GetDuration()->GetSeconds(), 4.0f);
    pedal.SetPedalType(200);
    EXPECT_EQ(pedal.GetPedalType(), 72) << "seven bits";
    ECPedal otherPedal(1, MCTime(1.0f));
    otherPedal.Copy(&pedal);
    EXPECT_EQ(otherPedal.GetPedalType(), 72);
    EXPECT_EQ(otherPedal.GetDuration()->GetSeconds(), 1.0f);

    ECTranspose up(200, MCTime(8.0f));
    EXPECT_EQ(up.GetTransposeType(), 200) << "eight bits";
    const ECTranspose upCopy(up);
    EXPECT_TRUE(upCopy == up);
    ECTranspose down;
    EXPECT_EQ(down.GetDuration()->GetSeconds(), 4.0f);
    down = up;
    EXPECT_EQ(down.GetTransposeType(), 200);
    EXPECT_TRUE(down != up) << "the duration stayed";

    std::vector<int> types;
    ECDynamic().GetParentTypes(types);
    ECPedal().GetParentTypes(types);
    ECTranspose().GetParentTypes(types);
    EXPECT_EQ(types, (std::vector<int>{22, 19, 22, 19, 22, 19}));
}

TEST_F(NotationMarksTest, PedalAndTransposeRecords)
{
    TEEnvelope holder;
    auto* pedal = new ECPedal(5, MCTime(2.0f));
    auto* transpose = new ECTranspose(250, MCTime(16.0f));
    MCTime later(8.0f);
    transpose->SetTime(&later);
    holder.AddChild(pedal, 1);
    holder.AddChild(transpose, 1);
    const auto bytes = storeObject(&holder);
    std::unique_ptr<TEEnvelope> loaded(static_cast<TEEnvelope*>(loadObject(bytes)));
    ASSERT_TRUE(loaded);
    auto* lpedal = plat::dynamicDowncast<ECPedal>(loaded->GetChildren()->GetHead());
    auto* ltranspose = plat::dynamicDowncast<ECTranspose>(loaded->GetChildren()->GetTail());
    ASSERT_TRUE(lpedal && ltranspose);
    EXPECT_TRUE(*lpedal == *pedal);
    EXPECT_TRUE(*ltranspose == *transpose);
    EXPECT_EQ(ltranspose->GetTime()->GetSeconds(), 8.0f);
    EXPECT_EQ(storeObject(loaded.get()), bytes);
}

TEST_F(NotationMarksTest, OlderRecords)
{
    // Version 2: the controller point is its time alone, then the dynamic's own fields.
    OldRecord dynamicV2(2);
    dynamicV2.timedHead(4.0f, 0).u8(12).time(1.5f).string("");
    const auto decresc = loadOldRecord<ECDynamic>(dynamicV2);
    EXPECT_EQ(decresc->GetDynamicType(), 12);
    EXPECT_EQ(decresc->GetDuration()->GetSeconds(), 1.5f);
    EXPECT_EQ(decresc->GetTime()->GetSeconds(), 4.0f);

    // Version 0: times are bare floats, the duration as well.
    OldRecord dynamicV0(0);
    dynamicV0.timedHead(2.0f, 0).u8(11).time(3.0f).string("cresc. molto");
    const auto cresc = loadOldRecord<ECDynamic>(dynamicV0);
    EXPECT_EQ(cresc->GetDuration()->GetSeconds(), 3.0f);
    EXPECT_EQ(cresc->GetText(), "cresc. molto");

    OldRecord pedalV0(0);
    pedalV0.timedHead(1.0f, 0).u8(0x85).time(0.5f);
    const auto pedal = loadOldRecord<ECPedal>(pedalV0);
    EXPECT_EQ(pedal->GetPedalType(), 5);
    EXPECT_EQ(pedal->GetDuration()->GetSeconds(), 0.5f);
    EXPECT_EQ(pedal->GetFlags() >> 8, 0x85) << "the whole byte is kept";

    OldRecord transposeV2(2);
    transposeV2.timedHead(1.0f, 0).u8(3).time(6.0f);
    const auto transpose = loadOldRecord<ECTranspose>(transposeV2);
    EXPECT_EQ(transpose->GetTransposeType(), 3);
    EXPECT_EQ(transpose->GetDuration()->GetSeconds(), 6.0f);

    // The type-byte marks have no gate: the same record at every version.
    OldRecord accentV0(0);
    accentV0.head().u8(9);
    EXPECT_EQ(loadOldRecord<ECAccent>(accentV0)->GetAccentType(), 9);
    OldRecord repeatV0(0);
    repeatV0.timedHead(0.0f, 0).u8(2);
    EXPECT_EQ(loadOldRecord<ECRepeat>(repeatV0)->GetRepeatType(), 2);
}

}  // namespace
