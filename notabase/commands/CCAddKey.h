#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCKeyInfo.h"
#include "notabase/commands/MCMarkNeighbours.h"

class CCRemoveKey;
class ECKey;
class ECMeasure;

// Adds one key under its measure. Inside an undo step it also takes out a key of the same hand
// at the same time (the new one replaces it) and a next key of that hand equal to the new one (it
// would repeat it); undo puts back exactly what the command took out. Snapshots 0 to 2 tell the
// document and the sequencer what changed: the new key, the one in force at its time, the next one
// of its hand.
class NOTABASE_API CCAddKey : public CCAdd {
    PLAT_DECLARE_DYNCREATE(CCAddKey)
public:
    CCAddKey();
    CCAddKey(ECKey* key, ECMeasure* measure);
    ~CCAddKey() override;

    int GetCommandId() override;
    // Finds the neighbours and marks those to take out.
    int Prepare() override;
    int Process() override;
    void Undo() override;

    // The key and the measure it goes under; one key a command: a second gives null.
    CCAddItem* Add(ECBase* key, ECBase* measure, const FCMidi& data) override;

    // Snapshot 0, 1 or 2, or null.
    CCKeyInfo* GetKeyInfo(int index) const { return m_marks.Get(index); }
    ECKey* GetKey(int index) const { return m_marks.GetMark(index); }
    // TimeNull without the snapshot.
    MCTime GetKeyTime(int index) const { return m_marks.GetTime(index); }
    // 0 without the snapshot.
    unsigned char GetKeyHand(int index) const { return m_marks.GetHand(index); }

private:
    MCMarkNeighbours<CCKeyInfo, CCAddKey, CCRemoveKey> m_marks;
};
