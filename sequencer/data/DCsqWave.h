#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqBase.h"

// The sequencer data of a wave clip.
class SEQUENCER_API DCsqWave : public DCsqBase {
    PLAT_DECLARE_SERIAL(DCsqWave)
public:
    int GetClassType() const override;
};
