#include "notabase/commands/CCEditFilter.h"

#include "notabase/commands/CCEditFilterItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/layers/LCBase.h"
#include "platform/core/RefPtr.h"

PLAT_IMPLEMENT_DYNCREATE(CCEditFilter, CCEdit)

int CCEditFilter::GetCommandId()
{
    return CommandIds::CCEditFilter;
}

CCEditItem* CCEditFilter::EditEvent(ECBase*)
{
    return nullptr;
}

CCEditFilterItem* CCEditFilter::EditFilter(LCBase* filter)
{
    if (!filter)
        return nullptr;
    if (auto* same = dynamic_cast<CCEditFilterItem*>(FindEditItem(filter)))
        return same;
    auto item = std::make_unique<CCEditFilterItem>(filter);
    CCEditFilterItem* made = item.get();
    AddEditItem(std::move(item), filter);
    return made;
}

void CCEditFilter::Undo()
{
    if (GetEditList().empty())
        return;
    plat::RefPtr<CCEditFilter> inverse(new CCEditFilter);
    inverse->SetSynchronous(IsSynchronous());
    for (const auto& edit : GetEditList()) {
        const auto* item = dynamic_cast<const CCEditFilterItem*>(edit.get());
        if (!item || !item->GetOldFilter())
            return;
        CCEditFilterItem* back = inverse->EditFilter(item->GetFilter());
        if (back && back->GetNewFilter())
            back->GetNewFilter()->Copy(item->GetOldFilter());
    }
    inverse->Apply(GetTarget());
}
