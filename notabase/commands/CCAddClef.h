#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCClefInfo.h"
#include "notabase/commands/MCMarkNeighbours.h"

class CCRemoveClef;
class ECClef;
class ECMeasure;

// Adds one clef under its measure. Inside an undo step it also takes out a clef of the same hand
// at the same time (the new one replaces it) and a next clef of that hand equal to the new one (it
// would repeat it); undo puts back exactly what the command took out. Snapshots 0 to 2 tell the
// document and the sequencer what changed: the new clef, the one in force at its time, the next one
// of its hand.
class NOTABASE_API CCAddClef : public CCAdd {
    PLAT_DECLARE_DYNCREATE(CCAddClef)
public:
    CCAddClef();
    CCAddClef(ECClef* clef, ECMeasure* measure);
    ~CCAddClef() override;

    int GetCommandId() override;
    // Finds the neighbours and marks those to take out.
    int Prepare() override;
    int Process() override;
    void Undo() override;

    // The clef and the measure it goes under; one clef a command: a second gives null.
    CCAddItem* Add(ECBase* clef, ECBase* measure, const FCMidi& data) override;

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
