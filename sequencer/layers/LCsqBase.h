#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/layers/LCBase.h"
#include "sequencer/events/CSeqEvent.h"

// The kinds of playback filter, as GetClassType answers them; filters are looked up by them.
enum FilterType : int {
    FilterBase = 0,
    FilterAccent = 1,
    FilterMakeNoteOff = 4,
    FilterPreferences = 5,
    FilterQuantize = 6,
    FilterTranspose = 9,
    FilterVelocity = 13,
};

// The base of the sequencer's playback filters: a filter changes, mutes or multiplies the
// events of one window before they are converted. Stored as its LCBase record.
class SEQUENCER_API LCsqBase : public LCBase {
    PLAT_DECLARE_SERIAL(LCsqBase)
public:
    virtual int GetClassType() const;
    // Changes the event in place and may append events it makes to list; nothing here.
    virtual void ProcessEvent(CSeqEvent* event, CSeqEventList& list);
};
