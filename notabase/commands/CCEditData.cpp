#include "notabase/commands/CCEditData.h"

#include "notabase/commands/CCEditDataItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/data/DCBase.h"
#include "platform/core/RefPtr.h"

PLAT_IMPLEMENT_DYNCREATE(CCEditData, CCEdit)

int CCEditData::GetCommandId()
{
    return CommandIds::CCEditData;
}

CCEditItem* CCEditData::EditEvent(ECBase*)
{
    return nullptr;
}

CCEditDataItem* CCEditData::EditData(DCBase* data, int viewCode)
{
    if (!data)
        return nullptr;
    if (auto* same = dynamic_cast<CCEditDataItem*>(FindEditItem(data)))
        return same;
    auto item = std::make_unique<CCEditDataItem>(data, viewCode);
    CCEditDataItem* made = item.get();
    AddEditItem(std::move(item), data);
    return made;
}

void CCEditData::Undo()
{
    if (GetEditList().empty())
        return;
    plat::RefPtr<CCEditData> inverse(new CCEditData);
    inverse->SetSynchronous(IsSynchronous());
    for (const auto& edit : GetEditList()) {
        const auto* item = dynamic_cast<const CCEditDataItem*>(edit.get());
        if (!item || !item->GetOldData())
            return;
        CCEditDataItem* back = inverse->EditData(item->GetData(), item->GetViewCode());
        if (back && back->GetNewData())
            back->GetNewData()->Copy(item->GetOldData());
    }
    inverse->Apply(GetTarget());
}
