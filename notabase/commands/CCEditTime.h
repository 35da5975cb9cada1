#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCEdit.h"
#include "notabase/model/MCEventList.h"
#include "notabase/values/MCTime.h"
#include "platform/core/RefPtr.h"

#include <utility>
#include <vector>

class CCEditTimeItem;

// Moves elements to new times, keeping the graph in order: an element of a measure goes into
// the bar of its track at its new time (leaving a chord, or taking a copy of its tuplet along),
// the first or last point of a span keeps the other end of the span, and every parent whose
// children changed times sorts them again. Undo moves each element back to the time it had.
//
// Bars needed past the end of the piece are appended while the command runs, and its undo takes
// them away again while they are still empty and last, so that undo leaves the piece as it was.
// A redo puts back the same bars, which later steps may name.
//
// The first mark of a tempo map always stands at 0, so moving it later moves the next mark
// there: undo puts that mark back at its own time too.
class NOTABASE_API CCEditTime : public CCEdit {
    PLAT_DECLARE_DYNCREATE(CCEditTime)
public:
    CCEditTime() = default;
    CCEditTime(ECBase* element, const MCTime* time);

    int GetCommandId() override;
    int Process() override;
    void Undo() override;
    CCEditItem* EditEvent(ECBase* element) override;

    // The element's item, made with the time when there is none yet (a second call does not
    // change its time).
    virtual CCEditTimeItem* EditTime(ECBase* element, const MCTime* time);

    // The bars the last run appended: the index of the first and their number (0 for none).
    int GetAppendedBarIndex() const { return m_appendedIndex; }
    int GetAppendedBarCount() const { return m_appendedCount; }

protected:
    // Appends the bars that items moving past the end need, and gives those items their measure.
    void AppendMissingBars();
    // Takes away the bars this command is to trim, from the last, while each is the piece's last
    // bar and holds nothing on any staff.
    void TrimBars();
    // The marks after 0 of the tempo maps holding an element this command moves, other than
    // those it moves, with their times.
    std::vector<std::pair<plat::RefPtr<ECBase>, MCTime>> TempoMarksAfterZero();

private:
    int m_appendedIndex = 0;
    int m_appendedCount = 0;
    // Every bar this command appended, with its measures.
    MCEventList m_appendedBars;
    // Set on an undo's command: the bars the undone command appended.
    int m_trimIndex = 0;
    int m_trimCount = 0;
    // The tempo marks the last run's moves brought to 0 as the first of their map, with the
    // times they had.
    std::vector<std::pair<plat::RefPtr<ECBase>, MCTime>> m_movedToZero;
};
