#pragma once

#include "notabase/NotabaseExport.h"

class ECBase;

// How an add or remove command keeps an element for undo and redo: one counted reference and one
// command hold on it (ECBase::AddCommandHold).
//
// A remove command takes apart, when it goes, what it took out of the piece and nothing put back
// (TakeApart): removed elements hold one another through their parent and child links and would
// never be freed otherwise. Another command may still hold such an element, though: the add
// command on the redo stack whose undo removed it. Taking it apart then would leave that add
// with a hollow element to put back (a staff without its measures, a chord without its notes).
// So the remove command only marks it pending, and the last hold to go takes it apart, if it is
// still out of every piece by then.
class NOTABASE_API MCCommandHold {
public:
    MCCommandHold() = default;
    explicit MCCommandHold(ECBase* element) { Reset(element); }
    ~MCCommandHold() { Reset(nullptr); }
    MCCommandHold(const MCCommandHold&) = delete;
    MCCommandHold& operator=(const MCCommandHold&) = delete;

    ECBase* Get() const { return m_element; }
    // Holds the new element (null holds nothing), then lets the old one go.
    void Reset(ECBase* element);

    // Whether no performance holds the element: it is outside every piece.
    static bool IsOutsidePieces(ECBase* element);
    // Lets go of what the element spans and holds: a slur, tie or glissando lets go of the notes
    // it spans, any other element takes its whole subtree apart.
    static void TakeApart(ECBase* element);

private:
    ECBase* m_element = nullptr;
};
