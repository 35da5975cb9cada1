#include "notabase/commands/CCEdit.h"

#include "notabase/actions/ACFindFirstEvent.h"
#include "notabase/actions/ACSortChildren.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/MCEventList.h"
#include "platform/core/RefPtr.h"

PLAT_IMPLEMENT_DYNCREATE(CCEdit, CCBase)

CCEdit::CCEdit() = default;

CCEdit::~CCEdit() = default;

int CCEdit::GetCommandId()
{
    return CommandIds::CCEdit;
}

CCEditItem* CCEdit::AddEditItem(std::unique_ptr<CCEditItem> item, const void* key)
{
    m_items.push_back(std::move(item));
    m_index.emplace(key, m_items.back().get());
    return m_items.back().get();
}

CCEditItem* CCEdit::FindEditItem(const void* key) const
{
    const auto found = m_index.find(key);
    return found == m_index.end() ? nullptr : found->second;
}

CCEditItem* CCEdit::EditEvent(ECBase* element)
{
    if (!element)
        return nullptr;
    if (CCEditItem* item = FindEditItem(element))
        return item;
    return AddEditItem(std::make_unique<CCEditItem>(element), element);
}

int CCEdit::GetEditEvents(MCEventList& events)
{
    for (const auto& item : m_items) {
        if (item->GetEvent())
            events.AddTail(item->GetEvent());
    }
    return events.IsEmpty() ? 0 : 1;
}

void CCEdit::ProcessItems()
{
    const int recordOld = IsRecordedForUndo();
    for (const auto& item : m_items)
        item->Process(recordOld);
}

int CCEdit::Process()
{
    if (!CCBase::Process())
        return 0;
    ProcessItems();
    return 1;
}

void CCEdit::Undo()
{
    if (m_items.empty())
        return;
    plat::RefPtr<CCEdit> inverse(new CCEdit);
    inverse->SetSynchronous(IsSynchronous());
    for (const auto& item : m_items) {
        if (!item->GetOldEvent())
            return;
        CCEditItem* back = inverse->EditEvent(item->GetEvent());
        if (back && back->GetNewEvent())
            back->GetNewEvent()->Copy(item->GetOldEvent());
    }
    inverse->Apply(GetTarget());
}

ECBase* CCEdit::FindAncestorOf(ECBase* element, const std::vector<int>& ids)
{
    if (!element || ids.empty())
        return nullptr;
    ACFindFirstEvent find;
    find.SetReverse(1);
    find.ClipNone();
    find.BypassNone();
    find.AddEvtTypes(ids);
    find.Apply(element);
    return find.GetEvent();
}

void CCEdit::SortChildrenByTime(MCEventList& parents)
{
    if (parents.IsEmpty())
        return;
    ACSortChildren sort;
    sort.SetDepth(0);
    sort.BypassNone();
    sort.Apply(&parents, 1);
    for (ECBase* parent : parents) {
        if (auto* tempoMap = plat::dynamicDowncast<ECTempoEnv>(parent))
            tempoMap->RecalculateClockTimes();
        if (auto* envelope = plat::dynamicDowncast<ECEnvelope>(parent))
            envelope->UpdateChildren();
    }
}
