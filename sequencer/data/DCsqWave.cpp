#include "sequencer/data/DCsqWave.h"

PLAT_IMPLEMENT_SERIAL(DCsqWave, DCsqBase, plat::kVersionableSchema | 2)

int DCsqWave::GetClassType() const
{
    return SeqClassType::Wave;
}
