#include "sequencer/data/DCsqTempo.h"

PLAT_IMPLEMENT_SERIAL(DCsqTempo, DCsqBase, plat::kVersionableSchema | 2)

int DCsqTempo::GetClassType() const
{
    return SeqClassType::Tempo;
}
