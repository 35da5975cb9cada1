#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqMidi.h"

// The sequencer data of a program change.
class SEQUENCER_API DCsqProgram : public DCsqMidi {
    PLAT_DECLARE_SERIAL(DCsqProgram)
public:
    int GetClassType() const override;
};
