#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqBase.h"

// The sequencer data of a meter. It plays nothing; while a MIDI file is written it gives the
// file its meta event.
class SEQUENCER_API DCsqMeter : public DCsqBase {
    PLAT_DECLARE_SERIAL(DCsqMeter)
public:
    int GetClassType() const override;
    void GetEventData(CSeqEventList& list, CSequence* sequence) override;
};
