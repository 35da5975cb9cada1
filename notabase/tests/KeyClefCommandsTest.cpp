#include "notabase/commands/CCAddClef.h"
#include "notabase/commands/CCAddKey.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CCRemoveClef.h"
#include "notabase/commands/CCRemoveKey.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECMirror.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECKey.h"
#include "notabase/tests/CommandPiece.h"

#include <gtest/gtest.h>

namespace {

// What the typed tests need of a family: its mark, its two commands, a mark of a kind (two marks
// of the same kind and hand are equal) and the staff's answer of the mark in force.
struct Keys {
    using Mark = ECKey;
    using Add = CCAddKey;
    using Remove = CCRemoveKey;
    static ECKey* make(unsigned char kind, unsigned char hand)
    {
        auto* key = new ECKey(kind, 0, 0);
        key->SetHand(hand);
        return key;
    }
    static ECKey* inForce(ECStaff* staff, float time, unsigned char hand) { return staff->GetKeyAtTime(MCTime(time), hand); }
    static ECKey* snapshot(const Add& add, int index) { return add.GetKey(index); }
    static ECKey* snapshot(const Remove& remove, int index) { return remove.GetKey(index); }
    static int marked(const Add& add, int index) { return add.GetKeyInfo(index)->ShouldRemove(); }
    static int marked(const Remove& remove, int index) { return remove.GetKeyInfo(index)->ShouldRemove(); }
};

struct Clefs {
    using Mark = ECClef;
    using Add = CCAddClef;
    using Remove = CCRemoveClef;
    static ECClef* make(unsigned char kind, unsigned char hand)
    {
        auto* clef = new ECClef(kind);
        clef->SetHand(hand);
        return clef;
    }
    static ECClef* inForce(ECStaff* staff, float time, unsigned char hand) { return staff->GetClefAtTime(MCTime(time), hand); }
    static ECClef* snapshot(const Add& add, int index) { return add.GetClef(index); }
    static ECClef* snapshot(const Remove& remove, int index) { return remove.GetClef(index); }
    static int marked(const Add& add, int index) { return add.GetClefInfo(index)->ShouldRemove(); }
    static int marked(const Remove& remove, int index) { return remove.GetClefInfo(index)->ShouldRemove(); }
};

template <class Family>
class KeyClefCommandsTest : public CommandTest {
protected:
    using Mark = typename Family::Mark;

    void SetUp() override
    {
        CommandTest::SetUp();
        build(2, 16.0f);
    }
    // A mark of a kind and hand at a time in its bar of staff 1, placed directly.
    Mark* place(float time, unsigned char kind, unsigned char hand = 0)
    {
        Mark* mark = Family::make(kind, hand);
        MCTime t(time);
        mark->SetTime(&t);
        measureAt(1, time)->AddChild(mark, 1);
        return mark;
    }
    // A mark made to be added by a command.
    Mark* fresh(float time, unsigned char kind, unsigned char hand = 0)
    {
        Mark* mark = Family::make(kind, hand);
        MCTime t(time);
        mark->SetTime(&t);
        return mark;
    }
    Mark* inForce(float time, unsigned char hand = 0) { return Family::inForce(staff(1), time, hand); }
    // Undoes and redoes the last step twice, checking the piece against both states.
    void roundTrip(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after)
    {
        for (int round = 0; round < 2; ++round) {
            ASSERT_EQ(m_performance->Undo(1), 1);
            EXPECT_EQ(firstDifference(bytes(), before), -1);
            ASSERT_EQ(m_performance->Redo(1), 1);
            EXPECT_EQ(firstDifference(bytes(), after), -1);
        }
    }
};

using Families = ::testing::Types<Keys, Clefs>;
TYPED_TEST_SUITE(KeyClefCommandsTest, Families);

}  // namespace

TYPED_TEST(KeyClefCommandsTest, AMarkAtTheTimeOfOneOfItsHandReplacesItUntilUndone)
{
    auto* first = this->place(0.0f, 1);
    // Put back by time, the replaced mark comes after what else stands at its time.
    auto* otherHand = this->place(4.0f, 3, 1);
    auto* old = this->place(4.0f, 2);
    const std::vector<uint8_t> before = this->bytes();

    auto* replacing = this->fresh(4.0f, 4);
    auto* add = new typename TypeParam::Add(replacing, this->measureAt(1, 4.0f));
    const plat::RefPtr<ECBase> second(this->fresh(5.0f, 5));
    EXPECT_EQ(add->Add(second.get(), this->measureAt(1, 4.0f), FCMidi::MidiNull()), nullptr) << "one mark a command";
    add->Ref();
    this->act(add);
    EXPECT_EQ(TypeParam::snapshot(*add, 0), replacing);
    EXPECT_EQ(TypeParam::snapshot(*add, 1), old);
    EXPECT_EQ(TypeParam::marked(*add, 1), 1);
    EXPECT_EQ(TypeParam::snapshot(*add, 2), nullptr);
    EXPECT_TRUE(old->GetParents()->IsEmpty());
    EXPECT_EQ(this->inForce(4.0f), replacing);
    EXPECT_EQ(this->inForce(4.0f, 1), otherHand) << "the other hand is left alone";
    EXPECT_EQ(this->inForce(1.0f), first);
    this->roundTrip(before, this->bytes());
    add->Unref(1);

    this->m_performance->Undo(1);
    EXPECT_EQ(this->inForce(4.0f), old);
}

TYPED_TEST(KeyClefCommandsTest, AMarkThatTheNextOneWouldRepeatTakesItOut)
{
    this->place(0.0f, 1);
    auto* next = this->place(8.0f, 2);
    auto* after = this->place(12.0f, 1);
    const std::vector<uint8_t> before = this->bytes();

    auto* same = this->fresh(4.0f, 2);
    auto* add = new typename TypeParam::Add(same, this->measureAt(1, 4.0f));
    add->Ref();
    this->act(add);
    EXPECT_EQ(TypeParam::marked(*add, 1), 0);
    EXPECT_EQ(TypeParam::snapshot(*add, 2), next);
    EXPECT_EQ(TypeParam::marked(*add, 2), 1);
    EXPECT_TRUE(next->GetParents()->IsEmpty());
    EXPECT_EQ(this->inForce(9.0f), same);
    EXPECT_EQ(this->inForce(12.0f), after) << "only the next one is looked at";
    this->roundTrip(before, this->bytes());
    add->Unref(1);
}

TYPED_TEST(KeyClefCommandsTest, RemovingAMarkBetweenEqualOnesRemovesTheLaterToo)
{
    auto* a = this->place(0.0f, 1);
    auto* b = this->place(4.0f, 2);
    auto* c = this->place(8.0f, 1);
    const std::vector<uint8_t> before = this->bytes();

    auto* remove = new typename TypeParam::Remove(b);
    EXPECT_EQ(remove->Remove(c), nullptr) << "one mark a command";
    remove->Ref();
    this->act(remove);
    EXPECT_EQ(TypeParam::snapshot(*remove, 0), b);
    EXPECT_EQ(TypeParam::snapshot(*remove, 1), a);
    EXPECT_EQ(TypeParam::snapshot(*remove, 2), c);
    EXPECT_EQ(TypeParam::marked(*remove, 2), 1);
    EXPECT_TRUE(b->GetParents()->IsEmpty());
    EXPECT_TRUE(c->GetParents()->IsEmpty());
    EXPECT_EQ(this->inForce(10.0f), a);
    this->roundTrip(before, this->bytes());
    remove->Unref(1);

    this->m_performance->Undo(1);
    EXPECT_EQ(this->inForce(5.0f), b);
    EXPECT_EQ(this->inForce(9.0f), c);
}

TYPED_TEST(KeyClefCommandsTest, ACommandThatIsNoUndoStepReplacesNothing)
{
    auto* old = this->place(4.0f, 2);
    auto* beside = this->fresh(4.0f, 3);
    auto* add = new typename TypeParam::Add(beside, this->measureAt(1, 4.0f));
    add->SetCanUndo(0);
    this->act(add);
    EXPECT_EQ(old->GetParents()->GetCount(), 1);
    EXPECT_EQ(beside->GetParents()->GetCount(), 1);
    EXPECT_EQ(this->m_performance->GetUndoCount(), 0);

    // A removal that is no undo step leaves an equal next one.
    this->place(8.0f, 2);
    auto* removal = new typename TypeParam::Remove(beside);
    removal->SetCanUndo(0);
    this->apply(removal);
    EXPECT_EQ(this->measureAt(1, 8.0f)->GetChildren()->GetCount(), 1);
}

TYPED_TEST(KeyClefCommandsTest, SnapshotsAnswerNothingOutsideTheirRange)
{
    auto* mark = this->place(4.0f, 2);
    typename TypeParam::Remove remove(mark);
    EXPECT_EQ(TypeParam::snapshot(remove, 0), mark);
    EXPECT_EQ(TypeParam::snapshot(remove, 1), nullptr) << "made by Prepare";
    EXPECT_EQ(TypeParam::snapshot(remove, 3), nullptr);
    EXPECT_EQ(TypeParam::snapshot(remove, -1), nullptr);
}

TYPED_TEST(KeyClefCommandsTest, MirrorsComeBackWithTheMarksTheyShow)
{
    auto* before4 = this->place(0.0f, 1);
    auto* shown = this->place(4.0f, 2);
    auto* mirror = new ECMirror;
    MCTime t(4.0f);
    mirror->SetTime(&t);
    this->measureAt(2, 4.0f)->AddChild(mirror, 1);
    mirror->SetMirrorEvent(shown, 1);
    const std::vector<uint8_t> before = this->bytes();

    // Removed with its mark, back with it, gone again on redo.
    this->act(new typename TypeParam::Remove(shown));
    EXPECT_TRUE(mirror->GetParents()->IsEmpty());
    EXPECT_EQ(mirror->GetMirrorEvent(), nullptr);
    EXPECT_TRUE(shown->GetMirrors().IsEmpty());
    const std::vector<uint8_t> removed = this->bytes();
    this->roundTrip(before, removed);
    this->m_performance->Undo(1);
    EXPECT_EQ(mirror->GetMirrorEvent(), shown);
    EXPECT_EQ(shown->GetMirrors().GetCount(), 1);
    EXPECT_EQ(this->childrenOf(this->measureAt(2, 4.0f)), std::vector<ECBase*>{mirror});

    // The same for a mark replaced by an add, and for a plain removal.
    this->act(new typename TypeParam::Add(this->fresh(4.0f, 5), this->measureAt(1, 4.0f)));
    EXPECT_TRUE(mirror->GetParents()->IsEmpty());
    this->roundTrip(before, this->bytes());
    this->m_performance->Undo(1);
    EXPECT_EQ(mirror->GetMirrorEvent(), shown);

    this->act(new CCRemove(shown));
    EXPECT_EQ(mirror->GetMirrorEvent(), nullptr);
    this->roundTrip(before, this->bytes());
    this->m_performance->Undo(1);
    EXPECT_EQ(this->inForce(5.0f), shown);
    EXPECT_EQ(this->inForce(1.0f), before4);
}

TYPED_TEST(KeyClefCommandsTest, ARedoTakesOutWhatTheFirstRunTookOut)
{
    this->place(0.0f, 1);
    auto* b = this->place(4.0f, 2);
    auto* c = this->place(8.0f, 1);
    auto* d = this->place(12.0f, 2);
    const std::vector<uint8_t> before = this->bytes();

    // Both removals prepared before either runs: each takes out the next one as a repeat.
    MCCommandList commands;
    commands.AddTail(new typename TypeParam::Remove(b));
    commands.AddTail(new typename TypeParam::Remove(c));
    MCCommandMgr::BeginUndo(this->m_performance, "Delete");
    commands.SetSynchronous(1);
    commands.Apply(this->m_performance);
    MCCommandMgr::EndUndo(this->m_performance);
    EXPECT_TRUE(d->GetParents()->IsEmpty());
    const std::vector<uint8_t> after = this->bytes();

    // A redo runs them one after the other, and still takes out the same marks.
    this->roundTrip(before, after);
}
