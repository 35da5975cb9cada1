#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/layers/LCsqBase.h"

class CSeqEventPool;

// Splits each note event into its note-on and note-off halves, so that a note becomes two
// MIDI events before it is converted. Stored as its LCBase record.
class SEQUENCER_API LCsqMakeNoteOff : public LCsqBase {
    PLAT_DECLARE_SERIAL(LCsqMakeNoteOff)
public:
    int GetClassType() const override;
    // A note event that is not muted becomes its note-on; its note-off is appended to list.
    void ProcessEvent(CSeqEvent* event, CSeqEventList& list) override;
    // Where the note-offs are taken from: the player's pool, or null to make each anew.
    void SetEventPool(CSeqEventPool* pool) { m_pool = pool; }

private:
    CSeqEventPool* m_pool = nullptr;
};
