#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CCClefInfo.h"
#include "notabase/commands/MCMarkNeighbours.h"

class CCAddClef;
class ECClef;

// Removes one clef. Inside an undo step it also takes out the next clef of its hand when that one
// is equal to the clef before: once the removed one is gone it would repeat it. Undo puts back
// the clef and what went with it. Snapshots 0 to 2: the removed clef, the one in force just before
// it, the next one of its hand.
class NOTABASE_API CCRemoveClef : public CCRemove {
    PLAT_DECLARE_DYNCREATE(CCRemoveClef)
public:
    CCRemoveClef();
    explicit CCRemoveClef(ECClef* clef);
    ~CCRemoveClef() override;

    int GetCommandId() override;
    // Finds the neighbours and marks the one to take out.
    int Prepare() override;
    int Process() override;
    // Puts back the clef, the neighbour taken out with it, and any other element given.
    void Undo() override;

    // A clef becomes the command's clef (one a command: a second gives null); other elements are
    // removed as by CCRemove.
    CCRemoveItem* Remove(ECBase* element) override;
    using CCRemove::Remove;

    // Snapshot 0, 1 or 2, or null.
    CCClefInfo* GetClefInfo(int index) const { return m_marks.Get(index); }
    ECClef* GetClef(int index) const { return m_marks.GetMark(index); }
    // TimeNull without the snapshot.
    MCTime GetClefTime(int index) const { return m_marks.GetTime(index); }
    // 0 without the snapshot.
    unsigned char GetClefHand(int index) const { return m_marks.GetHand(index); }

private:
    MCMarkNeighbours<CCClefInfo, CCAddClef, CCRemoveClef> m_marks;
};
