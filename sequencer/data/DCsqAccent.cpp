#include "sequencer/data/DCsqAccent.h"

PLAT_IMPLEMENT_SERIAL(DCsqAccent, DCsqFilter, plat::kVersionableSchema | 2)

int DCsqAccent::GetClassType() const
{
    return SeqClassType::Accent;
}
