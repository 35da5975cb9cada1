#include "sequencer/data/DCsqMeter.h"

#include "sequencer/data/MetaEvent.h"

PLAT_IMPLEMENT_SERIAL(DCsqMeter, DCsqBase, plat::kVersionableSchema | 2)

int DCsqMeter::GetClassType() const
{
    return SeqClassType::Meter;
}

void DCsqMeter::GetEventData(CSeqEventList& list, CSequence* sequence)
{
    AddMetaEvent(this, list, sequence);
}
