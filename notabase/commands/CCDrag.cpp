#include "notabase/commands/CCDrag.h"

#include "notabase/clipboard/MCDropSource.h"
#include "notabase/clipboard/MCOleDataOut.h"
#include "notabase/commands/CommandIds.h"
#include "platform/core/DragDrop.h"

PLAT_IMPLEMENT_DYNCREATE(CCDrag, CCCopy)

CCDrag::CCDrag()
    : m_dropEffect(plat::DropEffect::copy | plat::DropEffect::move),
      m_dragDelay(plat::DragDrop::dragDelay()),
      m_dragMinDist(plat::DragDrop::dragMinDistance())
{
}

int CCDrag::GetCommandId()
{
    return CommandIds::CCDrag;
}

int CCDrag::Process()
{
    if (!CCBase::Process())
        return 0;
    return CacheData();
}

uint32_t CCDrag::DoDragDrop()
{
    MCOleDataOut* out = GetDataOut();
    if (!out)
        return plat::DropEffect::none;
    MCDropSource source;
    source.SetQuickDrag(m_quickDrag);
    source.SetDragDelay(m_dragDelay);
    source.SetDragMinDist(m_dragMinDist);
    m_dropEffect = out->DoDragDrop(m_dropEffect, source);
    return m_dropEffect;
}

int CCDrag::DragDetect(void* window)
{
    return plat::DragDrop::current().dragDetect(window) ? 1 : 0;
}
