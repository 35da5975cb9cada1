#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqStaff.h"

// The sequencer data of the conductor staff. Its envelopes are the conductor staff's meter and
// tempo maps.
class SEQUENCER_API DCsqConductorStaff : public DCsqStaff {
    PLAT_DECLARE_SERIAL(DCsqConductorStaff)
public:
    enum : int { envelopeMeter = 34, envelopeTempo = 58 };

    int GetClassType() const override;
    int GetTrackType() const override;
    // The meter map for type 34, the tempo map for 58; null for other types.
    ECEnvelope* GetEnvelope(int type, unsigned long flags, int voice, int a, int b) override;
    // Appends that map and answers 1; 0 for other types.
    int GetEnvelopes(MCEventList& list, int type, unsigned long flags, int voice) override;
};
