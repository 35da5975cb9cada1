#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqBase.h"

// The sequencer data of a text element.
class SEQUENCER_API DCsqText : public DCsqBase {
    PLAT_DECLARE_SERIAL(DCsqText)
public:
    int GetClassType() const override;
};
