#include "notabase/commands/CCAddSysEx.h"

#include "notabase/commands/CCAddSysExItem.h"
#include "notabase/commands/CommandIds.h"

#include <memory>

PLAT_IMPLEMENT_DYNCREATE(CCAddSysEx, CCAdd)

CCAddSysEx::CCAddSysEx(ECBase* child, ECBase* parent, const FCMidi& message)
{
    CCAddSysEx::Add(child, parent, message);
}

CCAddSysEx::~CCAddSysEx() = default;

int CCAddSysEx::GetCommandId()
{
    return CommandIds::CCAddSysEx;
}

CCAddItem* CCAddSysEx::Add(ECBase* child, ECBase* parent, const FCMidi& message)
{
    return AddItem(std::make_unique<CCAddSysExItem>(child, parent, message));
}
