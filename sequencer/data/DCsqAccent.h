#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqFilter.h"

// The sequencer data of an accent mark, which acts on the events of its note.
class SEQUENCER_API DCsqAccent : public DCsqFilter {
    PLAT_DECLARE_SERIAL(DCsqAccent)
public:
    int GetClassType() const override;
};
