#include "sequencer/data/DCsqDynamic.h"

PLAT_IMPLEMENT_SERIAL(DCsqDynamic, DCsqFilter, plat::kVersionableSchema | 2)

int DCsqDynamic::GetClassType() const
{
    return SeqClassType::Dynamic;
}
