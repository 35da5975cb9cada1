#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqBase.h"

// The sequencer data of a key signature.
class SEQUENCER_API DCsqKey : public DCsqBase {
    PLAT_DECLARE_SERIAL(DCsqKey)
public:
    int GetClassType() const override;
};
