#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CCKeyInfo.h"
#include "notabase/commands/MCMarkNeighbours.h"

class CCAddKey;
class ECKey;

// Removes one key. Inside an undo step it also takes out the next key of its hand when that one
// is equal to the key before: once the removed one is gone it would repeat it. Undo puts back
// the key and what went with it. Snapshots 0 to 2: the removed key, the one in force just before
// it, the next one of its hand.
class NOTABASE_API CCRemoveKey : public CCRemove {
    PLAT_DECLARE_DYNCREATE(CCRemoveKey)
public:
    CCRemoveKey();
    explicit CCRemoveKey(ECKey* key);
    ~CCRemoveKey() override;

    int GetCommandId() override;
    // Finds the neighbours and marks the one to take out.
    int Prepare() override;
    int Process() override;
    // Puts back the key, the neighbour taken out with it, and any other element given.
    void Undo() override;

    // A key becomes the command's key (one a command: a second gives null); other elements are
    // removed as by CCRemove.
    CCRemoveItem* Remove(ECBase* element) override;
    using CCRemove::Remove;

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
