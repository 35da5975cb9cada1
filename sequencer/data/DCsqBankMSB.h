#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqMidi.h"

// The sequencer data of a bank select (high byte).
class SEQUENCER_API DCsqBankMSB : public DCsqMidi {
    PLAT_DECLARE_SERIAL(DCsqBankMSB)
public:
    int GetClassType() const override;
};
