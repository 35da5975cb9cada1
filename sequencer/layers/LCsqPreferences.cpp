#include "sequencer/layers/LCsqPreferences.h"

PLAT_IMPLEMENT_SERIAL(LCsqPreferences, LCsqBase, plat::kVersionableSchema | 2)

int LCsqPreferences::GetClassType() const
{
    return FilterPreferences;
}
