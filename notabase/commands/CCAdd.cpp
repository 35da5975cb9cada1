#include "notabase/commands/CCAdd.h"

#include "notabase/commands/CCAddItem.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/MCEventList.h"


PLAT_IMPLEMENT_DYNCREATE(CCAdd, CCBase)

CCAdd::CCAdd(ECBase* child, ECBase* parent, const FCMidi& data)
{
    CCAdd::Add(child, parent, data);
}

CCAdd::~CCAdd() = default;

int CCAdd::GetCommandId()
{
    return CommandIds::CCAdd;
}

void CCAdd::DropItem(size_t index)
{
    if (index < m_items.size())
        m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(index));
}

CCAddItem* CCAdd::AddItem(std::unique_ptr<CCAddItem> item)
{
    m_items.push_back(std::move(item));
    return m_items.back().get();
}

CCAddItem* CCAdd::Add(ECBase* child, ECBase* parent, const FCMidi& data)
{
    return AddItem(std::make_unique<CCAddItem>(child, parent, data));
}

int CCAdd::GetAddEvents(MCEventList& events)
{
    for (const auto& item : m_items) {
        if (item->GetChild())
            events.AddTail(item->GetChild());
    }
    return events.IsEmpty() ? 0 : 1;
}

int CCAdd::Process()
{
    if (!CCBase::Process())
        return 0;
    for (const auto& item : m_items) {
        // A removal undone puts back every link it cut, each at its place; otherwise an item
        // without a parent has nowhere to go.
        if (!item->GetLinks().IsEmpty())
            item->GetLinks().Restore();
        else if (item->GetChild() && item->GetParent())
            item->GetParent()->AddChild(item->GetChild(), 1);
    }
    return 1;
}

void CCAdd::Undo()
{
    if (m_items.empty())
        return;
    plat::RefPtr<CCRemove> inverse(new CCRemove);
    inverse->SetSynchronous(IsSynchronous());
    for (const auto& item : m_items) {
        if (item->GetChild())
            inverse->Remove(item->GetChild());
    }
    inverse->Apply(GetTarget());
}
