#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqFilter.h"

// The sequencer data of a transposition mark.
class SEQUENCER_API DCsqTranspose : public DCsqFilter {
    PLAT_DECLARE_SERIAL(DCsqTranspose)
public:
    int GetClassType() const override;
};
