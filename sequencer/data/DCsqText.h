#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqBase.h"

// The sequencer data of a text element. It plays nothing; while a MIDI file is written it
// gives the file its meta event, and the texts that name and describe the piece at its start
// only once however often a repeat comes back there.
class SEQUENCER_API DCsqText : public DCsqBase {
    PLAT_DECLARE_SERIAL(DCsqText)
public:
    int GetClassType() const override;
    void GetEventData(CSeqEventList& list, CSequence* sequence) override;
};
