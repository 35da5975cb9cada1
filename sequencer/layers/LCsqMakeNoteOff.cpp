#include "sequencer/layers/LCsqMakeNoteOff.h"

#include "sequencer/events/CSeqEventPool.h"

PLAT_IMPLEMENT_SERIAL(LCsqMakeNoteOff, LCsqBase, plat::kVersionableSchema | 2)

int LCsqMakeNoteOff::GetClassType() const
{
    return FilterMakeNoteOff;
}

void LCsqMakeNoteOff::ProcessEvent(CSeqEvent* event, CSeqEventList& list)
{
    if (!event || event->IsMuted() || event->GetDataType() != CSeqEvent::typeNote)
        return;
    if (CSeqEvent* off = CSeqEventPool::Take(m_pool, list))
        event->SplitNoteOff(*off);
}
