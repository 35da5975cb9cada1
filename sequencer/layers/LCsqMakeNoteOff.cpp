#include "sequencer/layers/LCsqMakeNoteOff.h"

PLAT_IMPLEMENT_SERIAL(LCsqMakeNoteOff, LCsqBase, plat::kVersionableSchema | 2)

int LCsqMakeNoteOff::GetClassType() const
{
    return FilterMakeNoteOff;
}

void LCsqMakeNoteOff::ProcessEvent(CSeqEvent* event, CSeqEventList& list)
{
    if (!event || event->IsMuted() || event->GetDataType() != CSeqEvent::typeNote)
        return;
    if (std::unique_ptr<CSeqEvent> off = event->SplitNoteOff())
        list.push_back(std::move(off));
}
