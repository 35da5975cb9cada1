#include "sequencer/data/DCsqWaveTrack.h"

PLAT_IMPLEMENT_SERIAL(DCsqWaveTrack, DCsqTrack, plat::kVersionableSchema | 2)

int DCsqWaveTrack::GetClassType() const
{
    return SeqClassType::WaveTrack;
}

int DCsqWaveTrack::GetTrackType() const
{
    return 2;
}
