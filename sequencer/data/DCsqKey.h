#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqBase.h"

// The sequencer data of a key signature. It plays nothing; while a MIDI file is written it gives the
// file its meta event.
class SEQUENCER_API DCsqKey : public DCsqBase {
    PLAT_DECLARE_SERIAL(DCsqKey)
public:
    int GetClassType() const override;
    void GetEventData(CSeqEventList& list, CSequence* sequence) override;
};
