#pragma once

#include "notabase/actions/ACFindEvents.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCBase.h"
#include "notabase/commands/CCRemoveItem.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECStaff.h"
#include "notabase/values/FCMidi.h"
#include "notabase/values/MCTime.h"
#include "platform/core/RefPtr.h"

#include <memory>

// The part the add and remove commands of keys and of clefs share. A key (or clef) holds until
// the next one of its hand on its staff, so adding or removing one can leave a neighbour that
// says the same thing twice, or two of a hand at one time; the commands take such a neighbour
// out in the same step and put it back on undo.
//
// Three snapshots (Info: CCKeyInfo or CCClefInfo): 0 the mark the command adds or removes, 1 the
// one in force at its time (adding) or just before it (removing), 2 the next one of its hand.
// Snapshot 0 lives as long as the command; 1 and 2 are made by Prepare and forgotten by Undo.
// A redo takes out again what the first run took out, whatever else of its undo step has run
// before it: it finds the piece as the first run found it, but a redo runs the commands of a
// step one by one, where the first run may have prepared them all before processing any.
// AddCommand and RemoveCommand are the family's two commands, which undo each other.
template <class Info, class AddCommand, class RemoveCommand>
class MCMarkNeighbours {
public:
    using Mark = typename Info::Mark;

    // 0, 1 or 2; null for any other index or a snapshot not made.
    Info* Get(int index) const { return index >= 0 && index < 3 ? m_infos[index].get() : nullptr; }
    Mark* GetMark(int index) const
    {
        const Info* info = Get(index);
        return info ? info->GetMark() : nullptr;
    }
    MCTime GetTime(int index) const
    {
        const Info* info = Get(index);
        return info ? info->GetTime() : MCTime::TimeNull();
    }
    unsigned char GetHand(int index) const
    {
        const Info* info = Get(index);
        return info ? info->GetHand() : 0;
    }

    bool HasSubject() const { return m_infos[0] != nullptr; }
    void SetSubject(Mark* mark, ECMeasure* measure, int remove)
    {
        m_infos[0] = std::make_unique<Info>(mark, measure);
        m_infos[0]->SetRemove(remove);
    }
    void ForgetNeighbours()
    {
        m_infos[1].reset();
        m_infos[2].reset();
    }

    // Snapshots 1 and 2 anew. An undoable command marks for removal (and discards the mirrors of)
    // a neighbour that the change makes redundant: when adding, one of the hand at the same time
    // (replaced) and a next one equal to the new mark; when removing, a next one equal to the one
    // before. Commands that are not undoable (those undo builds) mark nothing.
    void FindNeighbours(CCBase& command, bool adding)
    {
        ForgetNeighbours();
        if (m_undone) {
            m_undone = false;
            for (int index = 1; index <= 2; ++index) {
                m_infos[index] = std::move(m_undoneInfos[index - 1]);
                if (m_infos[index] && m_infos[index]->ShouldRemove())
                    command.DiscardMirrors(m_infos[index]->GetMark());
            }
            return;
        }
        const Info* subject = Get(0);
        ECMeasure* measure = subject ? subject->GetMeasure() : nullptr;
        auto* staff = measure ? plat::dynamicDowncast<ECStaff>(measure->GetAncestor(EventId::Staff, -1)) : nullptr;
        if (!staff)
            return;
        const MCTime time = subject->GetTime();
        const unsigned char hand = subject->GetHand();
        Mark* previous = Info::InForce(*staff, time, hand, !adding);
        if (!previous)
            return;
        const bool undoable = command.CanUndo() != 0;
        m_infos[1] = std::make_unique<Info>(previous, nullptr);
        if (adding && *previous->GetTime() == time && undoable) {
            m_infos[1]->SetRemove(1);
            command.DiscardMirrors(previous);
        }

        // The staff's marks of this kind, in time order.
        ACFindEvents find;
        find.AddEvtType(Info::kEventId);
        find.SetDepth(2);
        find.Apply(staff);
        MCEventList marks(10);
        marks.AddTail(find.GetEvents());
        marks.Sort();
        MCPosition position = marks.Find(adding ? static_cast<ECBase*>(previous) : subject->GetMark());
        if (position)
            marks.GetNext(position);
        else
            position = marks.GetHeadPosition();
        while (position) {
            Mark* next = plat::dynamicDowncast<Mark>(marks.GetNext(position));
            if (!next || next == subject->GetMark() || next->GetHand() != hand || *next->GetTime() < time)
                continue;
            m_infos[2] = std::make_unique<Info>(next, nullptr);
            const Mark& repeated = adding ? *subject->GetMark() : *previous;
            if (*next == repeated && undoable) {
                m_infos[2]->SetRemove(1);
                command.DiscardMirrors(next);
            }
            break;
        }
    }

    // Takes the neighbours marked for removal out of their measures.
    void TakeOutMarked()
    {
        for (int index = 1; index <= 2; ++index) {
            const Info* info = Get(index);
            if (info && info->ShouldRemove() && info->GetMeasure())
                info->GetMeasure()->RemoveChild(info->GetMark(), 0);
        }
    }

    // A synchronous add that is no undo step of its own, of a mark under its measure.
    static plat::RefPtr<AddCommand> MakeAdd(Mark* mark, ECMeasure* measure)
    {
        plat::RefPtr<AddCommand> add(new AddCommand);
        add->SetSynchronous(1);
        add->SetCanUndo(0);
        add->Add(mark, measure, FCMidi::MidiNull());
        return add;
    }
    // The same to remove a mark.
    static plat::RefPtr<RemoveCommand> MakeRemove(Mark* mark)
    {
        plat::RefPtr<RemoveCommand> remove(new RemoveCommand);
        remove->SetSynchronous(1);
        remove->SetCanUndo(0);
        remove->Remove(mark);
        return remove;
    }

    // Puts back the neighbours marked for removal, each through its own add, then forgets the
    // neighbours until a redo. The first of those adds brings back the mirrors the command cut
    // loose.
    void PutBackMarked(const CCBase& command, bool giveMirrors)
    {
        for (int index = 1; index <= 2; ++index) {
            const Info* info = Get(index);
            if (!info || !info->ShouldRemove())
                continue;
            plat::RefPtr<AddCommand> add = MakeAdd(info->GetMark(), info->GetMeasure());
            if (giveMirrors) {
                command.GiveBackMirrors(*add);
                giveMirrors = false;
            }
            add->Apply(command.GetTarget());
        }
        m_undoneInfos[0] = std::move(m_infos[1]);
        m_undoneInfos[1] = std::move(m_infos[2]);
        m_undone = true;
    }

    // The removal command's taking of an element: a mark becomes its subject (one a command:
    // false for a second), its mirrors cut loose; anything else passes.
    bool TakeSubject(CCBase& command, ECBase* element)
    {
        if (auto* mark = plat::dynamicDowncast<Mark>(element)) {
            if (HasSubject())
                return false;
            SetSubject(mark, nullptr, 1);
            command.DiscardMirrors(mark);
        }
        return true;
    }

    // The removal command's undo: puts back the subject and the neighbour taken out with it,
    // then any other element given to the command, as a plain removal's undo would.
    void UndoRemoval(const RemoveCommand& command)
    {
        ECBase* subject = GetMark(0);
        if (subject) {
            plat::RefPtr<AddCommand> add = MakeAdd(GetMark(0), Get(0)->GetMeasure());
            command.GiveBackMirrors(*add);
            add->Apply(command.GetTarget());
            PutBackMarked(command, false);
        }
        plat::RefPtr<CCAdd> others(new CCAdd);
        others->SetSynchronous(command.IsSynchronous());
        for (auto it = command.GetItems().rbegin(); it != command.GetItems().rend(); ++it) {
            if ((*it)->GetChild() != subject && (*it)->GetParent())
                others->Add((*it)->GetChild(), (*it)->GetParent(), FCMidi::MidiNull());
        }
        if (!others->GetItems().empty()) {
            if (!subject)
                command.GiveBackMirrors(*others);
            others->Apply(command.GetTarget());
        }
    }

private:
    std::unique_ptr<Info> m_infos[3];
    // Snapshots 1 and 2 of the run an undo took back, for the redo.
    std::unique_ptr<Info> m_undoneInfos[2];
    bool m_undone = false;
};
