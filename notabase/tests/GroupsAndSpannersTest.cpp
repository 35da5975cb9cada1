#include "notabase/commands/CCRemoveTrack.h"
#include "notabase/commands/MCCommandHold.h"
#include "notabase/model/ECBeam.h"
#include "notabase/model/ECBrac.h"
#include "notabase/model/ECDot.h"
#include "notabase/model/ECFrame.h"
#include "notabase/model/ECGlissando.h"
#include "notabase/model/ECGroup.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECSlur.h"
#include "notabase/model/ECTie.h"
#include "notabase/model/MCEmbeddedItem.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECStaff.h"
#include "notabase/tests/ArchiveFixtures.h"
#include "notabase/tests/ScorePiece.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

class GroupsAndSpannersTest : public ::testing::Test {
protected:
    ModelStateGuard m_guard;
};

ECNote* noteAt(float time)
{
    return new ECNote(MCTime(time), MCTime(1.0f));
}

TEST_F(GroupsAndSpannersTest, AGroupThatLocksWhileParentlessKeepsItsChildren)
{
    auto staff = std::make_unique<TEStaff>();
    auto* group = new ECGroup(ECGroup::typeLockWhenParentless);
    MCEventList holder;  // keeps the group while it is out of the graph
    holder.AddTail(group);
    ECNote* note = noteAt(0);
    group->AddChild(note, 0);
    group->AddChild(noteAt(1), 0);
    staff->AddChild(group, 0);
    EXPECT_FALSE(group->HasType(ECGroup::typeLocked));

    EXPECT_EQ(staff->RemoveChild(group, 0), 1);
    EXPECT_TRUE(group->HasType(ECGroup::typeLocked));
    EXPECT_EQ(group->RemoveChild(note, 0), 0);
    EXPECT_EQ(group->RemoveChildren(0), 0);
    EXPECT_EQ(group->GetChildren()->GetCount(), 2);

    staff->AddChild(group, 0);
    EXPECT_FALSE(group->HasType(ECGroup::typeLocked));
    EXPECT_EQ(group->RemoveChild(note, 0), 1);

    // Leaving the parents locks first, so nothing on the way takes the children.
    EXPECT_EQ(group->RemoveFromParents(), 1);
    EXPECT_TRUE(group->HasType(ECGroup::typeLocked));
    EXPECT_EQ(group->GetChildren()->GetCount(), 1);

    // Taken apart as a released remove command does: the lock bits go first.
    MCCommandHold::TakeApart(group);
    EXPECT_TRUE(group->GetChildren()->IsEmpty());
}

TEST_F(GroupsAndSpannersTest, GroupTypeBitsDecideWhatLosingParentsOrChildrenDoes)
{
    // Emptied by RemoveChildren, a group of type 2 leaves every parent.
    auto staff = std::make_unique<TEStaff>();
    auto other = std::make_unique<TEStaff>();
    auto* leaving = new ECGroup(ECGroup::typeLeaveWhenEmpty);
    leaving->AddChild(noteAt(0), 0);
    staff->AddChild(leaving, 0);
    other->AddChild(leaving, 0);
    EXPECT_EQ(leaving->RemoveChildren(0), 1);
    EXPECT_TRUE(staff->GetChildren()->IsEmpty());
    EXPECT_TRUE(other->GetChildren()->IsEmpty());

    // Losing its last parent, a group of type 1 lets its children go; with a parent left it keeps them.
    auto* clearing = new ECGroup(ECGroup::typeRemoveChildrenWithParents);
    MCEventList holder;
    holder.AddTail(clearing);
    clearing->AddChild(noteAt(0), 0);
    staff->AddChild(clearing, 0);
    other->AddChild(clearing, 0);
    staff->RemoveChild(clearing, 0);
    EXPECT_EQ(clearing->GetChildren()->GetCount(), 1);
    other->RemoveChild(clearing, 0);
    EXPECT_TRUE(clearing->GetChildren()->IsEmpty());

    ECGroup bits(0x10);
    EXPECT_EQ(bits.AddGroupType(0x03), 0x13);
    EXPECT_EQ(bits.RemoveGroupType(0x11), 0x02);
    EXPECT_EQ(bits.HasType(0x06), 1);
    EXPECT_EQ(bits.HasType(0x01), 0);
}

TEST_F(GroupsAndSpannersTest, SpannersDissolveByTheirOwnRules)
{
    const struct {
        const char* name;
        std::function<ECGroup*()> make;
        int notes;
        bool withOtherChild;
        std::vector<int> leftAfterEachRemoval;  // children left after removing note 0, 1, ...
    } cases[] = {
        {"slur of three", [] { return new ECSlur; }, 3, false, {2, 0}},
        {"slur of a note and a dot", [] { return new ECSlur; }, 2, true, {2, 0}},
        {"tie", [] { return new ECTie; }, 2, false, {1, 0}},
        {"tie with a dot", [] { return new ECTie; }, 1, true, {0}},
        {"glissando", [] { return new ECGlissando; }, 2, true, {2, 0}},
        {"beam", [] { return new ECBeam; }, 3, true, {3, 2, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto parent = std::make_unique<TEStaff>();
        ECGroup* group = c.make();
        MCEventList holder;
        holder.AddTail(group);
        parent->AddChild(group, 0);
        std::vector<ECNote*> notes;
        for (int i = 0; i < c.notes; ++i) {
            notes.push_back(noteAt(static_cast<float>(i)));
            group->AddChild(notes.back(), 0);
        }
        if (c.withOtherChild)
            group->AddChild(new ECDot(1), 0);
        for (size_t i = 0; i < c.leftAfterEachRemoval.size(); ++i) {
            EXPECT_EQ(group->RemoveChild(notes[i], 0), 1);
            const int left = c.leftAfterEachRemoval[i];
            EXPECT_EQ(group->GetChildren()->GetCount(), left) << "after removing note " << i;
            EXPECT_EQ(parent->GetChildren()->IsEmpty(), left == 0) << "an emptied group leaves its parent";
        }
    }
}

TEST_F(GroupsAndSpannersTest, InitialBitsAndCopies)
{
    EXPECT_EQ(ECBeam().GetGroupType(), 2);
    EXPECT_EQ(ECSlur().GetGroupType(), 6);
    EXPECT_EQ(ECTie().GetGroupType(), 2);
    EXPECT_EQ(ECGlissando().GetGroupType(), 6);
    EXPECT_EQ(ECGroup().GetGroupType(), 0);

    ECSlur slur;
    slur.SetGroupType(0x21);
    EXPECT_EQ(ECSlur(slur).GetGroupType(), 6) << "a copied slur starts with its own bits";
    ECSlur assigned;
    assigned.Copy(&slur);
    EXPECT_EQ(assigned.GetGroupType(), 0x21);
    ECBeam beam;
    beam.SetGroupType(0x21);
    EXPECT_EQ(ECBeam(beam).GetGroupType(), 0x21) << "a copied beam keeps the source's bits";

    std::vector<int> types;
    ECBeam().GetParentTypes(types);
    ECSlur().GetParentTypes(types);
    ECTie().GetParentTypes(types);
    ECGlissando().GetParentTypes(types);
    ECGroup().GetParentTypes(types);
    EXPECT_EQ(types, (std::vector<int>{32, 55, 55, 55, 55}));
}

TEST_F(GroupsAndSpannersTest, GroupRecords)
{
    auto staff = std::make_unique<TEStaff>();
    auto* slur = new ECSlur;
    slur->SetGroupType(0x22);
    ECNote* a = noteAt(0);
    ECNote* b = noteAt(1);
    auto* measure = new TEMeasure(0);
    staff->AddChild(measure, 0);
    measure->AddChild(a, 1);
    measure->AddChild(b, 1);
    slur->AddChild(a, 0);
    slur->AddChild(b, 0);
    staff->AddChild(slur, 0);
    staff->AddChild(new ECGroup(0x09), 0);
    staff->AddChild(new ECTie, 0);

    const auto bytes = storeObject(staff.get());
    {
        std::unique_ptr<TEStaff> loaded(static_cast<TEStaff*>(loadObject(bytes)));
        MCEventList* children = loaded->GetChildren();
        ASSERT_EQ(children->GetCount(), 4);
        auto* lslur = static_cast<ECGroup*>(children->GetAt(children->FindIndex(1)));
        EXPECT_EQ(lslur->GetGroupType(), 0x22);
        EXPECT_EQ(static_cast<ECGroup*>(children->GetAt(children->FindIndex(2)))->GetGroupType(), 0x09);
        auto* lmeasure = children->GetHead();
        EXPECT_EQ(lslur->GetChildren()->GetHead(), lmeasure->GetChildren()->GetHead()) << "the notes are shared";
        EXPECT_EQ(storeObject(loaded.get()), bytes);
    }
    // Documents before version 3 have no group byte: each group keeps the bits it was made with.
    for (ECBase* child : *staff->GetChildren()) {
        const auto record = storeWith([child](plat::Archive& archive) {
            static_cast<ECWithTimeChild*>(child)->ECWithTimeChild::Serialize(archive);
        });
        SCOPED_TRACE(child->runtimeClass()->name);
        ActiveVersion v2(2);
        plat::Object* made = child->runtimeClass()->createObject();
        auto* group = plat::dynamicDowncast<ECGroup>(made);
        if (!group) {
            delete made;
            continue;
        }
        const unsigned char initial = group->GetGroupType();
        loadWith(record, [group](plat::Archive& archive) { group->Serialize(archive); });
        EXPECT_EQ(group->GetGroupType(), initial);
        delete group;
    }
}

TEST_F(GroupsAndSpannersTest, BracketsKeepTypePrimaryAndGroup)
{
    ECBrac brac(200);
    EXPECT_EQ(brac.GetBracType(), 72);
    brac.SetGroupID(17, 3);
    EXPECT_EQ(brac.GetGroupID(), 17);
    EXPECT_EQ(brac.GetPrimary(), 1);
    brac.SetBracType(5);
    EXPECT_EQ(brac.GetPrimary(), 1) << "the type leaves the primary flag";
    EXPECT_EQ(brac.GetBracType(), 5);
    ECBrac copy(brac);
    EXPECT_TRUE(copy == brac);
    copy.SetGroupID(18, 1);
    EXPECT_TRUE(copy != brac);

    const auto bytes = storeObject(&brac);
    std::unique_ptr<ECBrac> loaded(static_cast<ECBrac*>(loadObject(bytes)));
    EXPECT_TRUE(*loaded == brac) << "the group ID survives a save";

    // A record stored without the ID loads with ID 0.
    auto old = bytes;
    old.pop_back();
    setStoredSchema(old, "ECBrac", 2);
    std::unique_ptr<ECBrac> oldBrac(static_cast<ECBrac*>(loadObject(old)));
    EXPECT_EQ(oldBrac->GetGroupID(), 0);
    EXPECT_EQ(oldBrac->GetBracType(), 5);
    EXPECT_EQ(oldBrac->GetPrimary(), 1);
}

TEST_F(GroupsAndSpannersTest, FramesOwnTheirItems)
{
    ECFrame frame(130);
    EXPECT_EQ(frame.GetFrameType(), 2);
    MCTime t(4.0f);
    frame.SetTime(&t);
    frame.SetClientItem(new MCEmbeddedItem({1, 2, 3}));
    ECFrame copy(frame);
    EXPECT_EQ(copy.GetClientItem(), nullptr);
    EXPECT_EQ(copy.GetTime()->GetSeconds(), 4.0f);
    EXPECT_TRUE(copy != frame) << "the source has an item, the copy none";
    EXPECT_TRUE(copy == ECFrame(2));

    const auto bytes = storeObject(&frame);
    std::unique_ptr<ECFrame> loaded(static_cast<ECFrame*>(loadObject(bytes)));
    ASSERT_NE(loaded->GetClientItem(), nullptr);
    EXPECT_EQ(loaded->GetClientItem()->GetData(), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(loaded->GetFrameType(), 2);
    EXPECT_EQ(storeObject(loaded.get()), bytes);

    std::unique_ptr<ECFrame> empty(static_cast<ECFrame*>(loadObject(storeObject(&copy))));
    EXPECT_EQ(empty->GetClientItem(), nullptr);
}

TEST_F(GroupsAndSpannersTest, AnItemStoredForTwoFramesIsRefused)
{
    ECFrame first;
    first.SetClientItem(new MCEmbeddedItem({9}));
    ECFrame second;
    auto bytes = storeWith([&](plat::Archive& archive) {
        archive.writeObject(&first);
        archive.writeObject(&second);
    });
    // The second frame's null item becomes a reference to the first one's item (object 1).
    ASSERT_EQ(bytes.back(), 0);
    bytes.back() = 3;
    bytes.insert(bytes.end(), {1, 0, 0, 0});
    loadWith(bytes, [](plat::Archive& archive) {
        std::unique_ptr<plat::Object> loadedFirst(archive.readObject());
        EXPECT_THROW(archive.readObject(), plat::ArchiveError);
    });
}

// A group that counts the groups alive, so a test shows which were freed.
class CountedGroup : public ECGroup {
public:
    explicit CountedGroup(unsigned char type) : ECGroup(type) { ++s_alive; }
    ~CountedGroup() override { --s_alive; }
    static int s_alive;
};
int CountedGroup::s_alive = 0;

class LockedGroupsTest : public ScoreTest {
protected:
    void SetUp() override
    {
        ScoreTest::SetUp();
        CountedGroup::s_alive = 0;
        addStaves(2);
        addBarsUpTo(8.0f);
    }
    // Locked groups of every kind on a staff, each holding two notes of it: locked outright,
    // locked with the parentless lock as well, a type byte damaged to all ones, and a slur and
    // a beam locked on top of their own bits.
    std::vector<ECGroup*> addLockedGroups(int staffNumber)
    {
        ECStaff* staff = conductorStaff().GetStaff(staffNumber, 0);
        std::vector<ECGroup*> groups{new CountedGroup(ECGroup::typeLocked),
                                     new CountedGroup(ECGroup::typeLocked | ECGroup::typeLockWhenParentless),
                                     new CountedGroup(0xFF), new ECSlur, new ECBeam};
        float time = 0.0f;
        for (ECGroup* group : groups) {
            group->AddChild(addNote(staffNumber, time), 0);
            group->AddChild(addNote(staffNumber, time + 0.5f), 0);
            if (plat::dynamicDowncast<ECBeam>(group))
                m_conductor->GetMeasure(staffNumber, MCTime(time), 0, 0)->AddChild(group, 0);
            else
                staff->AddChild(group, 0);
            group->AddGroupType(ECGroup::typeLocked);
            time += 1.0f;
        }
        return groups;
    }
};

TEST_F(LockedGroupsTest, ALockedGroupKeepsItsNotesThroughEditsAndLetsGoWhenTakenApart)
{
    const std::vector<ECGroup*> groups = addLockedGroups(1);
    addLockedGroups(2);
    ASSERT_EQ(CountedNote::s_alive, 20);
    ASSERT_EQ(CountedGroup::s_alive, 6);

    // Edits leave a locked group as it is, also where a note leaves its measure.
    for (ECGroup* group : groups) {
        SCOPED_TRACE(static_cast<int>(group->GetGroupType()));
        ECBase* note = group->GetChildren()->GetHead();
        EXPECT_EQ(group->RemoveChild(note, 0), 0);
        EXPECT_EQ(group->RemoveChildren(0), 0);
        EXPECT_EQ(note->RemoveFromParents(), 1);
        EXPECT_EQ(note->GetParents()->GetCount(), 1);
        EXPECT_EQ(group->GetChildren()->GetCount(), 2);
    }

    // A removed staff that no command can bring back is taken apart with its locked groups.
    auto* remove = new CCRemoveTrack;
    remove->Remove(conductorStaff().GetStaff(2, 0));
    remove->SetSynchronous(1);
    remove->Apply(m_performance);
    EXPECT_EQ(CountedNote::s_alive, 10);
    EXPECT_EQ(CountedGroup::s_alive, 3);

    // So is the piece.
    m_performance->RemoveChildren(1);
    EXPECT_EQ(CountedNote::s_alive, 0);
    EXPECT_EQ(CountedGroup::s_alive, 0);
}

}  // namespace
