#include "sequencer/layers/LCsqBase.h"

PLAT_IMPLEMENT_SERIAL(LCsqBase, LCBase, plat::kVersionableSchema | 2)

int LCsqBase::GetClassType() const
{
    return FilterBase;
}

void LCsqBase::ProcessEvent(CSeqEvent* /*event*/, CSeqEventList& /*list*/)
{
}
