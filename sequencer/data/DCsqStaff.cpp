#include "sequencer/data/DCsqStaff.h"

PLAT_IMPLEMENT_SERIAL(DCsqStaff, DCsqTrack, plat::kVersionableSchema | 2)

int DCsqStaff::GetClassType() const
{
    return SeqClassType::Staff;
}

int DCsqStaff::GetTrackType() const
{
    return 1;
}
