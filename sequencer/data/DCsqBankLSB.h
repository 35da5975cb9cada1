#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqMidi.h"

// The sequencer data of a bank select (low byte).
class SEQUENCER_API DCsqBankLSB : public DCsqMidi {
    PLAT_DECLARE_SERIAL(DCsqBankLSB)
public:
    int GetClassType() const override;
};
