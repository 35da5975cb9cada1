#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqTrack.h"

// The sequencer data of a wave track.
class SEQUENCER_API DCsqWaveTrack : public DCsqTrack {
    PLAT_DECLARE_SERIAL(DCsqWaveTrack)
public:
    int GetClassType() const override;
    int GetTrackType() const override;
};
