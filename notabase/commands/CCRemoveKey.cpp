#include "notabase/commands/CCRemoveKey.h"

#include "notabase/commands/CCAddKey.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/score/ECKey.h"

PLAT_IMPLEMENT_DYNCREATE(CCRemoveKey, CCRemove)

CCRemoveKey::CCRemoveKey() = default;

CCRemoveKey::CCRemoveKey(ECKey* key)
{
    CCRemoveKey::Remove(key);
}

CCRemoveKey::~CCRemoveKey() = default;

int CCRemoveKey::GetCommandId()
{
    return CommandIds::CCRemoveKey;
}

CCRemoveItem* CCRemoveKey::Remove(ECBase* element)
{
    if (!m_marks.TakeSubject(*this, element))
        return nullptr;
    return CCRemove::Remove(element);
}

int CCRemoveKey::Prepare()
{
    if (!CCBase::Prepare())
        return 0;
    m_marks.FindNeighbours(*this, false);
    return 1;
}

int CCRemoveKey::Process()
{
    m_marks.TakeOutMarked();
    return CCRemove::Process();
}

void CCRemoveKey::Undo()
{
    m_marks.UndoRemoval(*this);
}
