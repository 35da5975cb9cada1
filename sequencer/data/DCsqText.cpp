#include "sequencer/data/DCsqText.h"

PLAT_IMPLEMENT_SERIAL(DCsqText, DCsqBase, plat::kVersionableSchema | 2)

int DCsqText::GetClassType() const
{
    return SeqClassType::Text;
}
