#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqText.h"

// The sequencer data of a lyric: it gives neither playback nor a MIDI file an event.
class SEQUENCER_API DCsqLyric : public DCsqText {
    PLAT_DECLARE_SERIAL(DCsqLyric)
public:
    int GetClassType() const override;
    void GetEventData(CSeqEventList& list, CSequence* sequence) override;
};
