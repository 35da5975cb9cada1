#include "sequencer/data/DCsqConductorStaff.h"

PLAT_IMPLEMENT_SERIAL(DCsqConductorStaff, DCsqStaff, plat::kVersionableSchema | 2)

int DCsqConductorStaff::GetClassType() const
{
    return SeqClassType::ConductorStaff;
}

int DCsqConductorStaff::GetTrackType() const
{
    return 0;
}
