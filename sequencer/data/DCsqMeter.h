#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqBase.h"

// The sequencer data of a meter.
class SEQUENCER_API DCsqMeter : public DCsqBase {
    PLAT_DECLARE_SERIAL(DCsqMeter)
public:
    int GetClassType() const override;
};
