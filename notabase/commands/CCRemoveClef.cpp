#include "notabase/commands/CCRemoveClef.h"

#include "notabase/commands/CCAddClef.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/score/ECClef.h"

PLAT_IMPLEMENT_DYNCREATE(CCRemoveClef, CCRemove)

CCRemoveClef::CCRemoveClef() = default;

CCRemoveClef::CCRemoveClef(ECClef* clef)
{
    CCRemoveClef::Remove(clef);
}

CCRemoveClef::~CCRemoveClef() = default;

int CCRemoveClef::GetCommandId()
{
    return CommandIds::CCRemoveClef;
}

CCRemoveItem* CCRemoveClef::Remove(ECBase* element)
{
    if (!m_marks.TakeSubject(*this, element))
        return nullptr;
    return CCRemove::Remove(element);
}

int CCRemoveClef::Prepare()
{
    if (!CCBase::Prepare())
        return 0;
    m_marks.FindNeighbours(*this, false);
    return 1;
}

int CCRemoveClef::Process()
{
    m_marks.TakeOutMarked();
    return CCRemove::Process();
}

void CCRemoveClef::Undo()
{
    m_marks.UndoRemoval(*this);
}
