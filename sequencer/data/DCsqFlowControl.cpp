#include "sequencer/data/DCsqFlowControl.h"

PLAT_IMPLEMENT_SERIAL(DCsqFlowControl, DCsqBase, plat::kVersionableSchema | 2)

int DCsqFlowControl::GetClassType() const
{
    return SeqClassType::FlowControl;
}
