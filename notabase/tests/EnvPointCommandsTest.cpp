#include "notabase/commands/CCAddDynamic.h"
#include "notabase/commands/CCAddEnvPoint.h"
#include "notabase/commands/CCAddEnvPtItem.h"
#include "notabase/commands/CCAddPedal.h"
#include "notabase/commands/CCAddTempo.h"
#include "notabase/commands/CCAddTranspose.h"
#include "notabase/commands/CCRemoveEnvPoint.h"
#include "notabase/commands/CCRemoveEnvPtItem.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECDynamic.h"
#include "notabase/model/ECMirror.h"
#include "notabase/model/ECPedal.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/ECTranspose.h"
#include "notabase/names/DisplayNames.h"
#include "notabase/tests/CommandPiece.h"
#include "platform/core/Profile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

class EnvPointCommandsTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        char pattern[] = "/tmp/quavix-envpoints-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_folder = pattern;
        plat::Profile::setFolder(m_folder);
        build(1, 16.0f);
        m_envelope = new ECControllerEnv;
        staff(1)->AddChild(m_envelope, 1);
    }
    void TearDown() override
    {
        CommandTest::TearDown();
        std::filesystem::remove_all(m_folder);
    }
    template <class Point>
    Point* at(Point* point, float time)
    {
        MCTime t(time);
        point->SetTime(&t);
        return point;
    }
    // A point already in the envelope.
    ECDynamic* level(float time, float value)
    {
        auto* point = at(new ECDynamic, time);
        point->SetValue(value);
        m_envelope->AddChild(point, 1);
        return point;
    }
    // Adds one point through the command, as one undoable step.
    template <class Command>
    Command* add(ECEnvPoint* point)
    {
        auto* command = new Command;
        command->Add(point, m_envelope, FCMidi::MidiNull());
        act(command);
        return command;
    }
    static std::vector<ECBase*> groupOf(ECEnvelope* envelope, ECEnvPoint* point)
    {
        const MCEventList* group = envelope->GetAnchorGroup(point);
        return group ? std::vector<ECBase*>(group->begin(), group->end()) : std::vector<ECBase*>{};
    }

    std::string m_folder;
    ECControllerEnv* m_envelope = nullptr;
};

}  // namespace

TEST_F(EnvPointCommandsTest, ACrescendoRampsFromTheValueInForceToAnEndPointItAdds)
{
    level(0.0f, 90.0f);
    auto* start = at(new ECDynamic(ECDynamic::typeCrescendo, MCTime(2.0f)), 4.0f);
    add<CCAddDynamic>(start);
    ASSERT_EQ(m_envelope->GetPointCount(), 3);
    auto* end = static_cast<ECDynamic*>(m_envelope->GetPointAt(MCTime(6.0f)));
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(start->GetValue(), 90.0f);
    EXPECT_EQ(start->GetStyle(), ECEnvPoint::styleLinear);
    EXPECT_FLOAT_EQ(end->GetValue(), 90.0f * 1.3333f);
    EXPECT_EQ(end->GetStyle(), ECEnvPoint::styleStep);
    EXPECT_EQ(end->GetDuration()->GetSeconds(), 0.0f);
    EXPECT_EQ(end->GetDynamicType(), ECDynamic::typeCrescendo);
    EXPECT_EQ(start->IsAnchor(), 1);
    EXPECT_EQ(start->IsAnchorHead(), 1);
    EXPECT_EQ(end->IsAnchor(), 1);
    EXPECT_EQ(end->IsAnchorHead(), 0);
    EXPECT_EQ(groupOf(m_envelope, end), (std::vector<ECBase*>{start, end}));

    // Ends: the next point's value when one follows; a product held to 127; a decrescendo by 0.75.
    const struct {
        unsigned char type;
        float before;
        float after;  // 0: no later point
        float end;
    } cases[] = {
        {ECDynamic::typeCrescendo, 100.0f, 0.0f, 127.0f},
        {ECDynamic::typeCrescendo, 60.0f, 70.0f, 70.0f},
        {ECDynamic::typeDecrescendo, 100.0f, 0.0f, 75.0f},
        {ECDynamic::typeDiminuendo, 200.0f, 0.0f, 95.25f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.type) << " from " << c.before);
        m_envelope->RemoveChildren(1);
        level(0.0f, c.before);
        if (c.after > 0.0f)
            level(12.0f, c.after);
        auto* mark = at(new ECDynamic(c.type, MCTime(2.0f)), 8.0f);
        add<CCAddDynamic>(mark);
        EXPECT_EQ(mark->GetValue(), std::min(c.before, 127.0f));
        ECEnvPoint* made = m_envelope->GetPointAt(MCTime(10.0f));
        ASSERT_NE(made, nullptr);
        EXPECT_FLOAT_EQ(made->GetValue(), c.end);
    }
}

TEST_F(EnvPointCommandsTest, AMarkWithoutADurationTakesItsValueFromThePreferences)
{
    auto* mf = at(new ECDynamic, 2.0f);
    mf->SetStyle(ECEnvPoint::styleLinear);
    add<CCAddDynamic>(mf);
    EXPECT_EQ(mf->GetValue(), static_cast<float>(GetDynamicValue(ECDynamic::typeMF)));
    EXPECT_EQ(mf->GetStyle(), ECEnvPoint::styleStep);
    EXPECT_EQ(m_envelope->GetPointCount(), 1) << "no end point";
    EXPECT_EQ(m_envelope->GetAnchorGroupCount(), 0);

    auto* own = at(new ECDynamic(16, MCTime(0.0f)), 3.0f);
    own->SetValue(42.0f);
    add<CCAddDynamic>(own);
    EXPECT_EQ(own->GetValue(), 42.0f) << "a user-defined mark keeps its value";
}

TEST_F(EnvPointCommandsTest, PedalsAndTranspositionsComeAsTwoPoints)
{
    auto* pedal = at(new ECPedal(0, MCTime(2.0f)), 4.0f);
    add<CCAddPedal>(pedal);
    auto* release = static_cast<ECPedal*>(m_envelope->GetPointAt(MCTime(6.0f)));
    ASSERT_NE(release, nullptr);
    EXPECT_EQ(pedal->GetValue(), 127.0f);
    EXPECT_EQ(pedal->GetControllerNum(), 64);
    EXPECT_EQ(release->GetValue(), 0.0f);
    EXPECT_EQ(release->GetControllerNum(), 64);
    EXPECT_EQ(groupOf(m_envelope, pedal), (std::vector<ECBase*>{pedal, release}));

    const struct {
        unsigned char type;
        float value;
    } shifts[] = {{0, 12.0f}, {1, -12.0f}, {2, 24.0f}, {7, 5.0f}};
    float time = 8.0f;
    for (const auto& s : shifts) {
        SCOPED_TRACE(int(s.type));
        auto* transpose = at(new ECTranspose(s.type, MCTime(1.0f)), time);
        transpose->SetValue(5.0f);
        add<CCAddTranspose>(transpose);
        EXPECT_EQ(transpose->GetValue(), s.value);
        ECEnvPoint* back = m_envelope->GetPointAt(MCTime(time + 1.0f));
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->GetValue(), 0.0f);
        time += 2.0f;
    }
}

TEST_F(EnvPointCommandsTest, RemovingEitherPointOfASpanRemovesTheSpanAndUndoPutsItBackInItsPlace)
{
    level(0.0f, 64.0f);
    auto* first = at(new ECPedal(0, MCTime(2.0f)), 2.0f);
    auto* second = at(new ECPedal(0, MCTime(2.0f)), 6.0f);
    add<CCAddPedal>(first);
    add<CCAddPedal>(second);
    ECEnvPoint* firstEnd = m_envelope->GetPointAt(MCTime(4.0f));
    ASSERT_EQ(m_envelope->GetAnchorGroupCount(), 2);
    const std::vector<uint8_t> before = bytes();

    auto* remove = new CCRemoveEnvPoint(firstEnd);
    act(remove);
    EXPECT_EQ(m_envelope->GetPointCount(), 3) << "the start went with the end";
    EXPECT_TRUE(first->GetParents()->IsEmpty());
    EXPECT_EQ(m_envelope->GetAnchorGroupCount(), 1);
    auto* item = static_cast<CCRemoveEnvPtItem*>(remove->GetItems().front().get());
    ASSERT_NE(item->GetAnchorList(), nullptr);
    EXPECT_EQ(item->GetGroupIndex(), 0);
    const std::vector<uint8_t> after = bytes();

    for (int round = 0; round < 2; ++round) {
        m_performance->Undo(1);
        EXPECT_EQ(bytes(), before) << "both points, and the group first among the groups";
        EXPECT_EQ(groupOf(m_envelope, firstEnd), (std::vector<ECBase*>{first, firstEnd}));
        m_performance->Redo(1);
        EXPECT_EQ(bytes(), after);
    }

    // Undoing the adds: each takes its span away again.
    m_performance->Undo(3);
    EXPECT_EQ(m_envelope->GetPointCount(), 1);
    EXPECT_EQ(m_envelope->GetAnchorGroupCount(), 0);
    m_performance->Redo(3);
    EXPECT_EQ(bytes(), after);
}

TEST_F(EnvPointCommandsTest, APointThatAnotherItemBringsAlongIsAddedOnce)
{
    auto* start = at(new ECPedal(0, MCTime(2.0f)), 2.0f);
    auto* end = at(new ECPedal(0, MCTime(0.0f)), 4.0f);
    auto* command = new CCAddEnvPoint;
    command->Add(end, m_envelope, FCMidi::MidiNull());
    auto* item = static_cast<CCAddEnvPtItem*>(command->Add(start, m_envelope, FCMidi::MidiNull()));
    MCEventList group;
    group.AddTail(start);
    group.AddTail(end);
    item->SetAnchorList(&group);
    MCEventList other;
    other.AddTail(end);
    item->SetAnchorList(&other);
    EXPECT_EQ(item->GetAnchorList()->GetCount(), 2) << "an item keeps the first list it is given";
    act(command);
    EXPECT_EQ(command->GetItems().size(), 1u) << "the item of the point in the group was dropped";
    EXPECT_EQ(m_envelope->GetPointCount(), 2);
    EXPECT_EQ(groupOf(m_envelope, end), (std::vector<ECBase*>{start, end}));
    EXPECT_EQ(end->GetParents()->GetCount(), 1);

    // The same for a removal naming both points.
    auto* remove = new CCRemoveEnvPoint(start);
    remove->Remove(end);
    act(remove);
    EXPECT_EQ(remove->GetItems().size(), 1u);
    EXPECT_EQ(m_envelope->GetPointCount(), 0);
    m_performance->Undo(1);
    EXPECT_EQ(m_envelope->GetPointCount(), 2);
    EXPECT_EQ(m_envelope->GetAnchorGroupCount(), 1);
}

TEST_F(EnvPointCommandsTest, RemovingAPauseAtZeroBringsBackTheMarkItPushedAndUndoPushesItAgain)
{
    ECTempoEnv* tempoMap = conductorStaff().GetTempoEnv();
    ASSERT_NE(tempoMap, nullptr);
    auto* plain = new ECTempo;
    plain->SetTempo(120.0f, 1.0f);
    tempoMap->AddChild(plain, 1);
    auto* pause = new ECTempo(ECTempo::typePause, MCTime(2.0f));
    auto* resume = new ECTempo(ECTempo::typePause, MCTime(0.0f));
    MCTime t(2.0f);
    resume->SetTime(&t);
    // As a pause added at 0 leaves them: the plain mark a tick before 0, the pause and its end a group.
    MCTime early(0.0f);
    early.AddTicks(-1, MCTime::GlobalPPQ);
    plain->SetTime(&early);
    tempoMap->AddChild(pause, 1);
    tempoMap->AddChild(resume, 1);
    MCEventList group;
    group.AddTail(pause);
    group.AddTail(resume);
    tempoMap->AddAnchorGroup(&group);
    pause->SetAnchor(1);
    pause->SetAnchorHead(1);
    resume->SetAnchor(1);
    tempoMap->RecalculateClockTimes();
    const std::vector<uint8_t> before = bytes();

    act(new CCRemoveEnvPoint(pause));
    EXPECT_EQ(tempoMap->GetPointCount(), 1);
    EXPECT_EQ(*plain->GetTime(), MCTime::TimeZero());
    const std::vector<uint8_t> after = bytes();

    m_performance->Undo(1);
    EXPECT_EQ(*plain->GetTime(), early);
    EXPECT_EQ(tempoMap->GetPointCount(), 3);
    EXPECT_EQ(resume->GetValue(), 120.0f) << "the end of the pause brings back the tempo before it";
    EXPECT_EQ(bytes(), before);
    m_performance->Redo(1);
    EXPECT_EQ(bytes(), after);
}

TEST_F(EnvPointCommandsTest, BothEndsOfASpanRemovedInOneStepComeBackAsOneGroup)
{
    auto* first = at(new ECPedal(0, MCTime(2.0f)), 2.0f);
    auto* second = at(new ECPedal(0, MCTime(2.0f)), 6.0f);
    add<CCAddPedal>(first);
    add<CCAddPedal>(second);
    ECEnvPoint* firstEnd = m_envelope->GetPointAt(MCTime(4.0f));
    const std::vector<uint8_t> before = bytes();

    MCCommandList commands;
    commands.AddTail(new CCRemoveEnvPoint(first));
    commands.AddTail(new CCRemoveEnvPoint(firstEnd));
    MCCommandMgr::BeginUndo(m_performance, "Delete");
    commands.SetSynchronous(1);
    commands.Apply(m_performance);
    MCCommandMgr::EndUndo(m_performance);
    EXPECT_EQ(m_envelope->GetPointCount(), 2);
    const std::vector<uint8_t> after = bytes();

    for (int round = 0; round < 2; ++round) {
        m_performance->Undo(1);
        EXPECT_EQ(m_envelope->GetAnchorGroupCount(), 2);
        EXPECT_EQ(firstDifference(bytes(), before), -1) << "the group once, in its place";
        m_performance->Redo(1);
        EXPECT_EQ(firstDifference(bytes(), after), -1);
    }
}

TEST_F(EnvPointCommandsTest, APointWithoutAnEnvelopeIsRemovedAndLeftOutOfTheUndo)
{
    plat::RefPtr<ECDynamic> loose(at(new ECDynamic, 1.0f));
    auto* remove = new CCRemoveEnvPoint(loose.get());
    EXPECT_EQ(remove->GetItems().front()->GetParent(), nullptr);
    act(remove);
    m_performance->Undo(1);
    EXPECT_TRUE(loose->GetParents()->IsEmpty());
    m_performance->Redo(1);
}

TEST_F(EnvPointCommandsTest, ATempoMarksMirrorsComeBackWithIt)
{
    ECTempoEnv* tempoMap = conductorStaff().GetTempoEnv();
    auto* first = new ECTempo;
    tempoMap->AddChild(first, 1);
    auto* mark = at(new ECTempo, 4.0f);
    tempoMap->AddChild(mark, 1);
    auto* mirror = new ECMirror;
    MCTime t(4.0f);
    mirror->SetTime(&t);
    measureAt(1, 4.0f)->AddChild(mirror, 1);
    mirror->SetMirrorEvent(mark, 1);
    const std::vector<uint8_t> before = bytes();

    act(new CCRemoveEnvPoint(mark));
    EXPECT_EQ(mirror->GetMirrorEvent(), nullptr);
    EXPECT_TRUE(mirror->GetParents()->IsEmpty());
    m_performance->Undo(1);
    EXPECT_EQ(mirror->GetMirrorEvent(), mark);
    EXPECT_EQ(firstDifference(bytes(), before), -1);
}

TEST_F(EnvPointCommandsTest, RemovedTempoMarksComeBackAsTheyWere)
{
    ECTempoEnv* tempoMap = conductorStaff().GetTempoEnv();
    auto* first = new ECTempo;
    first->SetTempo(120.0f, 1.0f);
    tempoMap->AddChild(first, 1);
    auto* slowing = at(new ECTempo(ECTempo::typeRitardando, MCTime(2.0f)), 4.0f);
    auto* back = at(new ECTempo(ECTempo::typeATempo, MCTime(0.0f)), 8.0f);
    for (ECTempo* mark : {slowing, back}) {
        auto* add = new CCAddTempo;
        add->Add(mark, tempoMap, FCMidi::MidiNull());
        act(add);
    }
    ECEnvPoint* slowed = tempoMap->GetPointAt(MCTime(6.0f));
    ASSERT_NE(slowed, nullptr);
    // The tempo before "a tempo" changes afterwards: the mark keeps the tempo it took.
    first->SetTempo(100.0f, 1.0f);
    tempoMap->RecalculateClockTimes();
    const std::vector<uint8_t> before = bytes();

    // Both ends of the slowing, one of them twice, and the "a tempo", as a selection would give.
    MCCommandList commands;
    for (ECBase* mark : {static_cast<ECBase*>(back), static_cast<ECBase*>(slowing), static_cast<ECBase*>(slowed), static_cast<ECBase*>(slowed)})
        commands.AddTail(new CCRemoveEnvPoint(static_cast<ECEnvPoint*>(mark)));
    MCCommandMgr::BeginUndo(m_performance, "Delete");
    commands.SetSynchronous(1);
    commands.Apply(m_performance);
    MCCommandMgr::EndUndo(m_performance);
    EXPECT_EQ(tempoMap->GetPointCount(), 1);

    m_performance->Undo(1);
    EXPECT_EQ(tempoMap->GetPointCount(), 4);
    EXPECT_EQ(back->GetValue(), 120.0f);
    EXPECT_EQ(firstDifference(bytes(), before), -1);
}
