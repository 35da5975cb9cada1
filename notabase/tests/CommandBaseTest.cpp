#include "notabase/commands/CCBase.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECWithTimeChild.h"
#include "notabase/model/MCEventList.h"
#include "notabase/performance/ECPerformance.h"

#include <gtest/gtest.h>

namespace {

class Node : public ECWithTimeChild {
public:
    explicit Node(bool* deleted = nullptr) : m_deleted(deleted) {}
    ~Node() override
    {
        if (m_deleted)
            *m_deleted = true;
    }

private:
    bool* m_deleted;
};

class CountedCommand : public CCBase {
public:
    explicit CountedCommand(bool* deleted) : m_deleted(deleted) {}
    ~CountedCommand() override { *m_deleted = true; }

    using CCBase::ProcessDiscardList;

private:
    bool* m_deleted;
};

TEST(CommandBaseTest, NewCommandStartsUndoableAsynchronousAndUnheld)
{
    CCBase command;
    EXPECT_EQ(command.GetRefCount(), 0);
    EXPECT_EQ(command.IsSynchronous(), 0);
    EXPECT_EQ(command.CanUndo(), 1);
    EXPECT_EQ(command.GetCommandPhase(), 0);
    EXPECT_EQ(command.IsRecordedForUndo(), 0);
    EXPECT_EQ(command.IsRecordedForNotify(), 0);
    EXPECT_EQ(command.GetTarget(), nullptr);
    EXPECT_EQ(command.GetDiscardList(), nullptr);
    EXPECT_EQ(command.GetCommandId(), CommandIds::CCBase);
    EXPECT_EQ(command.Apply(nullptr), 0);
}

TEST(CommandBaseTest, FlagBitsStayIndependent)
{
    CCBase command;
    command.Ref();
    command.Ref();
    command.SetSynchronous(1);
    command.SetCommandPhase(18);  // kept modulo 16
    command.SetCanUndo(0);
    EXPECT_EQ(command.GetCommandPhase(), 2);
    EXPECT_EQ(command.IsSynchronous(), 1);
    EXPECT_EQ(command.CanUndo(), 0);
    EXPECT_EQ(command.GetRefCount(), 2);
    command.SetRecordedForNotify(1);
    command.SetCommandPhase(0);
    EXPECT_EQ(command.IsRecordedForNotify(), 1);
    EXPECT_EQ(command.IsRecordedForUndo(), 0);
    EXPECT_EQ(command.IsSynchronous(), 1);
    EXPECT_EQ(command.Unref(0), 1);
    EXPECT_EQ(command.Unref(0), 0);
}

TEST(CommandBaseTest, UnrefDeletesOnlyWhenAsked)
{
    bool deleted = false;
    auto* command = new CountedCommand(&deleted);
    EXPECT_EQ(command->Unref(0), 0);
    EXPECT_FALSE(deleted);
    command->Ref();
    EXPECT_EQ(command->Ref(), 2);
    EXPECT_EQ(command->Unref(1), 1);
    EXPECT_FALSE(deleted);
    EXPECT_EQ(command->Unref(1), 0);
    EXPECT_TRUE(deleted);

    deleted = false;
    (new CountedCommand(&deleted))->Unref(1);  // count already 0
    EXPECT_TRUE(deleted);
}

TEST(CommandBaseTest, DiscardKeepsEachElementOnce)
{
    Node a, b, c;
    for (Node* n : {&a, &b, &c})
        n->Ref();  // owned by the test, not by the lists
    CCBase command;
    command.Discard(&a);
    command.Discard(&a);
    ASSERT_NE(command.GetDiscardList(), nullptr);
    EXPECT_EQ(command.GetDiscardList()->GetCount(), 1);

    MCEventList more;
    more.AddTail(&b);
    more.AddTail(&a);
    more.AddTail(&c);
    command.Discard(&more);
    // A list that overlaps the discard list only in part: all of its new elements join,
    // also those after the known one.
    EXPECT_EQ(command.GetDiscardList()->GetCount(), 3);
    EXPECT_NE(command.GetDiscardList()->Find(&b), nullptr);
    EXPECT_NE(command.GetDiscardList()->Find(&c), nullptr);
    command.Discard(static_cast<ECBase*>(nullptr));
    command.Discard(static_cast<MCEventList*>(nullptr));
    EXPECT_EQ(command.GetDiscardList()->GetCount(), 3);
}

TEST(CommandBaseTest, ProcessCutsDiscardedElementsLooseAndReleasesThem)
{
    bool parentDeleted = false, childDeleted = false, grandchildDeleted = false;
    auto* parent = new Node(&parentDeleted);
    parent->Ref();
    auto* child = new Node(&childDeleted);
    auto* grandchild = new Node(&grandchildDeleted);
    parent->AddChild(child, 0);
    child->AddChild(grandchild, 0);

    bool commandDeleted = false;
    auto* command = new CountedCommand(&commandDeleted);
    command->Ref();
    command->Discard(child);
    EXPECT_EQ(command->Process(), 1);
    EXPECT_EQ(command->GetDiscardList(), nullptr);
    // The child was held only by the graph and the discard list: it is gone, and its own
    // child with it; the parent no longer lists it.
    EXPECT_TRUE(childDeleted);
    EXPECT_TRUE(grandchildDeleted);
    EXPECT_EQ(parent->GetChildren()->GetCount(), 0);
    EXPECT_FALSE(parentDeleted);

    // An element someone else still holds survives, taken out of the graph.
    auto* kept = new Node;
    kept->Ref();
    parent->AddChild(kept, 0);
    command->Discard(kept);
    command->Process();
    EXPECT_EQ(kept->GetParents()->GetCount(), 0);
    EXPECT_EQ(parent->GetChildren()->GetCount(), 0);
    EXPECT_EQ(kept->GetRefCount(), 1u);
    kept->Unref(1);

    command->Unref(1);
    EXPECT_TRUE(commandDeleted);
    parent->Unref(1);
    EXPECT_TRUE(parentDeleted);
}

TEST(CommandBaseTest, DestroyingACommandReleasesItsDiscardList)
{
    bool deleted = false;
    auto* element = new Node(&deleted);
    {
        CCBase command;
        command.Discard(element);
    }
    EXPECT_TRUE(deleted);
}

TEST(CommandListTest, NodesHoldReferencesOnTheirCommands)
{
    bool firstDeleted = false, secondDeleted = false;
    auto* first = new CountedCommand(&firstDeleted);
    auto* second = new CountedCommand(&secondDeleted);
    {
        MCCommandList list;
        list.AddTail(first);
        list.AddTail(second);
        EXPECT_EQ(first->GetRefCount(), 1);
        // Replacing a node's command takes the new one before letting the old one go.
        list.SetAt(list.GetHeadPosition(), second);
        EXPECT_TRUE(firstDeleted);
        EXPECT_EQ(second->GetRefCount(), 2);
        list.SetAt(list.GetHeadPosition(), second);  // the same command: still alive
        EXPECT_FALSE(secondDeleted);
        EXPECT_EQ(second->GetRefCount(), 2);
    }
    EXPECT_TRUE(secondDeleted);
}

TEST(CommandListTest, SynchronousAndTargetCoverEveryCommand)
{
    MCCommandList list;
    EXPECT_EQ(list.IsSynchronous(), 1);
    EXPECT_EQ(list.GetTarget(), nullptr);
    auto* a = new CCBase;
    auto* b = new CCBase;
    list.AddTail(a);
    list.AddTail(b);
    a->SetSynchronous(1);
    EXPECT_EQ(list.IsSynchronous(), 0);
    list.SetSynchronous(1);
    EXPECT_EQ(list.IsSynchronous(), 1);
    EXPECT_EQ(b->IsSynchronous(), 1);
    ECPerformance performance;
    list.SetTarget(&performance);
    EXPECT_EQ(list.GetTarget(), &performance);
    EXPECT_EQ(b->GetTarget(), &performance);
}

TEST(CommandListTest, GetCommandFindsOrMakesOneOfEachKind)
{
    MCCommandList list;
    EXPECT_EQ(list.GetCommand(CommandIds::CCBase, nullptr), nullptr);
    EXPECT_TRUE(list.IsEmpty());

    CCBase* made = list.GetCommand(CommandIds::CCBase, &CCBase::classObject);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(made->GetRefCount(), 1);
    EXPECT_EQ(list.GetCommand(CommandIds::CCBase, &CCBase::classObject), made);
    EXPECT_EQ(list.GetCount(), 1);

    // A class that is no command is refused.
    EXPECT_EQ(list.GetCommand(CommandIds::CCAdd, &MCEventList::classObject), nullptr);
    EXPECT_EQ(list.GetCount(), 1);
}

}  // namespace
