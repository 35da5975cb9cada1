#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqStaff.h"

// The sequencer data of the conductor staff.
class SEQUENCER_API DCsqConductorStaff : public DCsqStaff {
    PLAT_DECLARE_SERIAL(DCsqConductorStaff)
public:
    int GetClassType() const override;
    int GetTrackType() const override;
};
