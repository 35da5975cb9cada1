#include "sequencer/data/DCsqKey.h"

#include "sequencer/data/MetaEvent.h"

PLAT_IMPLEMENT_SERIAL(DCsqKey, DCsqBase, plat::kVersionableSchema | 2)

int DCsqKey::GetClassType() const
{
    return SeqClassType::Key;
}

void DCsqKey::GetEventData(CSeqEventList& list, CSequence* sequence)
{
    AddMetaEvent(this, list, sequence);
}
