#include "notabase/commands/CCEditItem.h"

#include "notabase/model/ECBase.h"

CCEditItem::CCEditItem(ECBase* element)
{
    SetEvent(element);
    SetNewEvent(NewCopyOf(element));
}

CCEditItem::~CCEditItem() = default;

ECBase* CCEditItem::NewCopyOf(ECBase* element)
{
    if (!element)
        return nullptr;
    auto* copy = plat::dynamicDowncast<ECBase>(element->runtimeClass()->createObject());
    if (copy)
        copy->Copy(element);
    return copy;
}

void CCEditItem::Process(int recordOld)
{
    ECBase* element = GetEvent();
    if (!element || !GetNewEvent())
        return;
    if (recordOld && !GetOldEvent())
        SetOldEvent(NewCopyOf(element));
    element->Copy(GetNewEvent());
}
