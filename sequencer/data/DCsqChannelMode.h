#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqMidi.h"

// The sequencer data of a channel mode message.
class SEQUENCER_API DCsqChannelMode : public DCsqMidi {
    PLAT_DECLARE_SERIAL(DCsqChannelMode)
public:
    int GetClassType() const override;
};
