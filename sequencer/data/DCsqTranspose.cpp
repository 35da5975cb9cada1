#include "sequencer/data/DCsqTranspose.h"

PLAT_IMPLEMENT_SERIAL(DCsqTranspose, DCsqFilter, plat::kVersionableSchema | 2)

int DCsqTranspose::GetClassType() const
{
    return SeqClassType::Transpose;
}
