#include "sequencer/data/DCsqMeter.h"

PLAT_IMPLEMENT_SERIAL(DCsqMeter, DCsqBase, plat::kVersionableSchema | 2)

int DCsqMeter::GetClassType() const
{
    return SeqClassType::Meter;
}
