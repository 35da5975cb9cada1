#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCAdd.h"
#include "notabase/commands/MCCommandHold.h"
#include "notabase/model/MCEventList.h"

#include <deque>
#include <vector>

// Adds a tuplet given with its members already under it, and records the notes below it and how
// the tuplet's members hang together. Undo takes out the notes and the members without notes
// (rests); chords left without notes go by themselves, and the tuplet, left empty, leaves its
// measure. Redo hangs everything back as it was recorded before adding the tuplet again.
class NOTABASE_API CCAddTuplet : public CCAdd {
    PLAT_DECLARE_DYNCREATE(CCAddTuplet)
public:
    CCAddTuplet() = default;
    CCAddTuplet(ECBase* tuplet, ECBase* parent, const FCMidi& data);
    ~CCAddTuplet() override;

    int GetCommandId() override;
    // Hangs the recorded members back under a tuplet that lost its notes (after an undo).
    int Prepare() override;
    int Process() override;
    void Undo() override;

    // The item of CCAdd::Add; then records every note below the tuplet, in visiting order, and
    // every link from the tuplet down.
    CCAddItem* Add(ECBase* tuplet, ECBase* parent, const FCMidi& data) override;

    const MCEventList& GetNotes() const { return m_notes; }

private:
    struct Link {
        ECBase* parent;
        ECBase* child;
    };

    // The recorded tuplet: the first item's child that is one.
    ECBase* recordedTuplet() const;

    MCEventList m_notes{10};
    // Parent before child, each parent's children in their order.
    std::vector<Link> m_links;
    // Every element below the tuplet, held as a command holds what it may put back, so that the
    // removal that undoes this command does not take them apart while a redo may need them.
    std::deque<MCCommandHold> m_holds;
};
