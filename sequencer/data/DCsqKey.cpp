#include "sequencer/data/DCsqKey.h"

PLAT_IMPLEMENT_SERIAL(DCsqKey, DCsqBase, plat::kVersionableSchema | 2)

int DCsqKey::GetClassType() const
{
    return SeqClassType::Key;
}
