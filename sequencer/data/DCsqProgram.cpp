#include "sequencer/data/DCsqProgram.h"

PLAT_IMPLEMENT_SERIAL(DCsqProgram, DCsqMidi, plat::kVersionableSchema | 2)

int DCsqProgram::GetClassType() const
{
    return SeqClassType::Program;
}
