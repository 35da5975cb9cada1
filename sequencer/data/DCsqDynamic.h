#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqFilter.h"

// The sequencer data of a dynamic mark.
class SEQUENCER_API DCsqDynamic : public DCsqFilter {
    PLAT_DECLARE_SERIAL(DCsqDynamic)
public:
    int GetClassType() const override;
};
