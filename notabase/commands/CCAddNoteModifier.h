#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCAdd.h"

// Hangs an articulation or ornament on a note. An accent or tremolo given for a chord goes to
// every note of the chord, each note getting a copy of its own.
class NOTABASE_API CCAddNoteModifier : public CCAdd {
    PLAT_DECLARE_DYNCREATE(CCAddNoteModifier)
public:
    CCAddNoteModifier() = default;
    CCAddNoteModifier(ECBase* modifier, ECBase* target);
    ~CCAddNoteModifier() override;

    int GetCommandId() override;
    void Undo() override;

    // The MIDI data is not used. An accent or tremolo for a chord gives the last copy's item (null
    // for a chord without notes) and lets go of the modifier given, which only served as the
    // model; accidentals, arpeggios, mordents, ornaments, trills and turns go under the target
    // as they are. A dot, or any other element, adds nothing: null.
    CCAddItem* Add(ECBase* modifier, ECBase* target, const FCMidi& data) override;
};
