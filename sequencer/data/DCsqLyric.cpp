#include "sequencer/data/DCsqLyric.h"

PLAT_IMPLEMENT_SERIAL(DCsqLyric, DCsqText, plat::kVersionableSchema | 2)

int DCsqLyric::GetClassType() const
{
    return SeqClassType::Lyric;
}

void DCsqLyric::GetEventData(CSeqEventList& /*list*/, CSequence* /*sequence*/)
{
}
