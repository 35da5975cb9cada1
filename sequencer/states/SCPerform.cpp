#include "sequencer/states/SCPerform.h"

#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECPerformanceBase.h"

void SCPerform::DoState()
{
    SCBase::DoState();
    if (GetCode() == codeStop && GetTarget())
        GetTarget()->GetCommandMgr().SetCommandRate(0);
}
