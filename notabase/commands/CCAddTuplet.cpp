#include "notabase/commands/CCAddTuplet.h"

#include "notabase/actions/ACFindEvents.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/RefPtr.h"

#include <algorithm>
#include <set>

PLAT_IMPLEMENT_DYNCREATE(CCAddTuplet, CCAdd)

CCAddTuplet::CCAddTuplet(ECBase* tuplet, ECBase* parent, const FCMidi& data)
{
    // Its own Add, so that the notes are recorded and the command can be undone.
    CCAddTuplet::Add(tuplet, parent, data);
}

CCAddTuplet::~CCAddTuplet() = default;

int CCAddTuplet::GetCommandId()
{
    return CommandIds::CCAddTuplet;
}

CCAddItem* CCAddTuplet::Add(ECBase* tuplet, ECBase* parent, const FCMidi& data)
{
    CCAddItem* item = CCAdd::Add(tuplet, parent, data);
    m_notes.RemoveAll();
    m_links.clear();
    m_holds.clear();
    if (!tuplet)
        return item;
    ACFindEvents find;
    find.AddEvtType(EventId::Note);
    find.Apply(tuplet);
    for (ECBase* note : find.GetEvents())
        m_notes.AddTail(note);

    std::set<ECBase*> seen{tuplet};
    std::vector<ECBase*> pending{tuplet};
    while (!pending.empty()) {
        ECBase* parent = pending.back();
        pending.pop_back();
        MCEventList* children = parent->GetChildren();
        if (!children)
            continue;
        std::vector<ECBase*> fresh;
        for (ECBase* child : *children) {
            m_links.push_back({parent, child});
            if (seen.insert(child).second) {
                m_holds.emplace_back(child);
                fresh.push_back(child);
            }
        }
        pending.insert(pending.end(), fresh.rbegin(), fresh.rend());
    }
    return item;
}

ECBase* CCAddTuplet::recordedTuplet() const
{
    for (const auto& item : GetItems()) {
        if (item->GetChild() && item->GetChild()->GetEventId() == EventId::Tuplet)
            return item->GetChild();
    }
    return nullptr;
}

int CCAddTuplet::Prepare()
{
    if (!CCBase::Prepare())
        return 0;
    ECBase* tuplet = recordedTuplet();
    if (!tuplet || tuplet->GetDescendant(EventId::Note, -1))
        return 1;
    // The notes, and the chords, rests and marks that went with them.
    for (const Link& link : m_links) {
        MCEventList* children = link.parent->GetChildren();
        if (!children || !children->Find(link.child))
            link.parent->AddChild(link.child, 1);
    }
    return 1;
}

int CCAddTuplet::Process()
{
    return CCAdd::Process() ? 1 : 0;
}

void CCAddTuplet::Undo()
{
    ECBase* tuplet = recordedTuplet();
    plat::RefPtr<CCRemove> inverse(new CCRemove);
    inverse->SetSynchronous(IsSynchronous());
    for (ECBase* note : m_notes)
        inverse->Remove(note);
    // A member without notes (a rest) would keep the tuplet in its measure; a chord goes with its
    // last note.
    if (MCEventList* members = tuplet ? tuplet->GetChildren() : nullptr) {
        for (ECBase* member : *members) {
            if (member->GetEventId() != EventId::Note && !member->GetDescendant(EventId::Note, -1))
                inverse->Remove(member);
        }
    }
    if (inverse->GetItems().empty()) {
        // Nothing inside: the tuplet itself goes.
        CCAdd::Undo();
        return;
    }
    inverse->Apply(GetTarget());
}
