#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqTrack.h"

// The sequencer data of a staff.
class SEQUENCER_API DCsqStaff : public DCsqTrack {
    PLAT_DECLARE_SERIAL(DCsqStaff)
public:
    int GetClassType() const override;
    int GetTrackType() const override;
};
