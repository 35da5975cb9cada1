#include "notabase/commands/CCDrop.h"

#include "notabase/clipboard/MCOleDataIn.h"
#include "notabase/commands/CommandIds.h"
#include "platform/core/ClipData.h"

PLAT_IMPLEMENT_DYNCREATE(CCDrop, CCPaste)

CCDrop::CCDrop() = default;

CCDrop::~CCDrop() = default;

int CCDrop::GetCommandId()
{
    return CommandIds::CCDrop;
}

void CCDrop::Attach()
{
    if (!m_dropped) {
        CCPaste::Attach();
        return;
    }
    if (MCOleDataIn* in = GetDataIn()) {
        in->Attach(std::move(m_dropped));
        m_lent = true;
    }
}

void CCDrop::Detach()
{
    MCOleDataIn* in = GetDataIn();
    if (!m_lent) {
        CCPaste::Detach();
        return;
    }
    m_lent = false;
    if (in)
        m_dropped = in->Detach();
}
