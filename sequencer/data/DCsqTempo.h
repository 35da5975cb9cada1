#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqBase.h"

// The sequencer data of a tempo mark.
class SEQUENCER_API DCsqTempo : public DCsqBase {
    PLAT_DECLARE_SERIAL(DCsqTempo)
public:
    int GetClassType() const override;
};
