#include "notabase/commands/CCRemove.h"

#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCRemoveItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandHold.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/MCEventList.h"
#include "notabase/values/FCMidi.h"
#include "platform/core/RefPtr.h"

PLAT_IMPLEMENT_DYNCREATE(CCRemove, CCBase)

CCRemove::CCRemove(ECBase* element)
{
    CCRemove::Remove(element);
}

CCRemove::~CCRemove()
{
    for (auto& item : m_items) {
        ECBase* element = item->GetChild();
        if (!element || !MCCommandHold::IsOutsidePieces(element))
            continue;
        // This item is one hold; any other is a command that may still put the element back.
        if (element->GetCommandHolds() > 1) {
            element->SetTakeApartPending(true);
        } else {
            element->SetTakeApartPending(false);
            MCCommandHold::TakeApart(element);
        }
    }
    ClearItems();
}

int CCRemove::GetCommandId()
{
    return CommandIds::CCRemove;
}

CCRemoveItem* CCRemove::AddItem(std::unique_ptr<CCRemoveItem> item)
{
    m_held.Add(item->GetChild());
    m_items.push_back(std::move(item));
    return m_items.back().get();
}

void CCRemove::DropItem(size_t index)
{
    if (index >= m_items.size())
        return;
    m_held.Remove(m_items[index]->GetChild());
    m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(index));
}

void CCRemove::ClearItems()
{
    m_items.clear();
    m_held.Clear();
}

CCRemoveItem* CCRemove::Remove(ECBase* element)
{
    if (!element || IsRemoving(element))
        return nullptr;
    CCRemoveItem* item = AddItem(std::make_unique<CCRemoveItem>(element));
    DiscardMirrors(element);
    return item;
}

void CCRemove::Remove(MCEventList* elements)
{
    if (!elements)
        return;
    for (ECBase* element : *elements)
        Remove(element);
}

int CCRemove::GetRemoveEvents(MCEventList& events)
{
    for (const auto& item : m_items)
        events.AddTail(item->GetChild());
    return events.IsEmpty() ? 0 : 1;
}

int CCRemove::Process()
{
    if (!CCBase::Process())
        return 0;
    DoRemove();
    return 1;
}

void CCRemove::DoRemove()
{
    for (const auto& item : m_items) {
        // Each parent lets go of the element, which keeps what it holds. Not through the
        // element's own RemoveFromParents: a chord or tuplet would dissolve there, handing its
        // notes up to the measure, where a removal takes it out whole. Every link cut, also
        // by a parent that leaves in turn (a chord losing its last note), goes into the
        // item's journal for undo.
        ECBase* element = item->GetChild();
        const plat::RefPtr<ECBase> hold(element);
        MCEventList parents(10);
        parents.AddTail(*element->GetParents());
        item->GetLinks().Clear();
        const MCLinkJournal::Recording recording(item->GetLinks());
        for (ECBase* parent : parents)
            parent->RemoveChild(element, 0);
    }
}

void CCRemove::Undo()
{
    if (m_items.empty())
        return;
    plat::RefPtr<CCAdd> inverse(new CCAdd);
    inverse->SetSynchronous(IsSynchronous());
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
        const MCLinkJournal& links = (*it)->GetLinks();
        if (!links.IsEmpty())
            inverse->Add((*it)->GetChild(), (*it)->GetParent(), FCMidi::MidiNull())->SetLinks(links);
        else if ((*it)->GetParent())
            inverse->Add((*it)->GetChild(), (*it)->GetParent(), FCMidi::MidiNull());
    }
    GiveBackMirrors(*inverse);
    inverse->Apply(GetTarget());
}
