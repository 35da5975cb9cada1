#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/values/MCTime.h"

#include <cstddef>
#include <vector>

class CSequence;
class DCsqFlowControl;
class ECBase;

// Prepares the flow marks of a piece (repeats, endings, segno and coda, D.C. and D.S., the
// hidden loop bounds, the intro) for playing: links each mark to the mark it jumps to, puts
// the pass counters and the sequence's flow flags back to the start, and finds the intro.
// It holds nothing: one is made where it is needed. The marks are the direct children of the
// conductor staff, in the staff's child order; a mark without sequencer data is left out.
class SEQUENCER_API MCFlowControl {
public:
    MCFlowControl() = default;
    virtual ~MCFlowControl() = default;

    // Every mark back to its first pass; the flow flags to 0.
    void Reset(CSequence* sequence);
    // Recomputes every mark's targets (and tells it its sequence).
    void Coordinate(CSequence* sequence);
    // The time of the first enabled intro mark, or null. The time belongs to the mark.
    const MCTime* PerformIntro(CSequence* sequence);
    // The marks coordinated for the sequence forget it and their targets: a sequence that
    // leaves its piece leaves nothing there that would reach it.
    void Release(CSequence* sequence);

protected:
    // The nearest mark of the type before position whose time is strictly earlier than the
    // mark at position; its data, made when missing. Null when there is none.
    DCsqFlowControl* GetPrevFlow(int type, const std::vector<ECBase*>& marks, size_t position);
    // The nearest mark of the type after position whose time is strictly later.
    DCsqFlowControl* GetNextFlow(int type, const std::vector<ECBase*>& marks, size_t position);

private:
    // Calls visit with the conductor staff's flow marks (the staff made when missing and make
    // is set); nothing without a conductor.
    template <typename Visit>
    static void WithMarks(CSequence* sequence, Visit visit, int make = 1);
    static DCsqFlowControl* DataOf(ECBase* mark, int create);
};
