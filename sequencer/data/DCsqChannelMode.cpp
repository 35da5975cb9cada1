#include "sequencer/data/DCsqChannelMode.h"

PLAT_IMPLEMENT_SERIAL(DCsqChannelMode, DCsqMidi, plat::kVersionableSchema | 2)

int DCsqChannelMode::GetClassType() const
{
    return SeqClassType::ChannelMode;
}
