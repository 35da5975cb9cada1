#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqBase.h"

// The sequencer data of a flow-control mark (a repeat, an ending, a jump, a loop bound).
class SEQUENCER_API DCsqFlowControl : public DCsqBase {
    PLAT_DECLARE_SERIAL(DCsqFlowControl)
public:
    int GetClassType() const override;
};
