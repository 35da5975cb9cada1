#include "notabase/commands/CCRemove.h"

#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCRemoveItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandHold.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/MCEventList.h"
#include "notabase/values/FCMidi.h"

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
    m_items.clear();
}

int CCRemove::GetCommandId()
{
    return CommandIds::CCRemove;
}

int CCRemove::FindRemovePosition(ECBase* element) const
{
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i]->GetChild() == element)
            return static_cast<int>(i);
    }
    return -1;
}

CCRemoveItem* CCRemove::AddItem(std::unique_ptr<CCRemoveItem> item)
{
    m_items.push_back(std::move(item));
    return m_items.back().get();
}

CCRemoveItem* CCRemove::Remove(ECBase* element)
{
    if (!element || FindRemovePosition(element) >= 0)
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
    for (const auto& item : m_items)
        item->GetChild()->RemoveFromParents();
}

void CCRemove::Undo()
{
    if (m_items.empty())
        return;
    plat::RefPtr<CCAdd> inverse(new CCAdd);
    inverse->SetSynchronous(IsSynchronous());
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
        if ((*it)->GetParent())
            inverse->Add((*it)->GetChild(), (*it)->GetParent(), FCMidi::MidiNull());
    }
    inverse->Apply(GetTarget());
}
