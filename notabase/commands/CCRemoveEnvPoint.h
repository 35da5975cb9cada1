#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCRemove.h"

class CCRemoveEnvPtItem;
class ECEnvPoint;

// Removes envelope points together with their anchor groups: removing either point of a span
// removes the whole span and its group. Removing a pause without a word at time 0 of the tempo
// map brings the mark it pushed before 0 back to 0. Undo adds the points back, each group whole
// and in the place it had.
class NOTABASE_API CCRemoveEnvPoint : public CCRemove {
    PLAT_DECLARE_DYNCREATE(CCRemoveEnvPoint)
public:
    CCRemoveEnvPoint() = default;
    explicit CCRemoveEnvPoint(ECEnvPoint* point);

    int GetCommandId() override;
    // Drops the items PrepareItem refuses.
    int Prepare() override;
    int Process() override;
    // Applies one CCAddEnvPoint for the points, then one CCAddTempo for the tempo marks, which
    // pushes back before 0 a mark that a removed pause at 0 had pushed there.
    void Undo() override;

    // A new item (a CCRemoveEnvPtItem); null when the command holds the element already.
    CCRemoveItem* Remove(ECBase* element) override;
    using CCRemove::Remove;

protected:
    // 0 when another item's anchor list holds the item's point; otherwise the item takes the
    // point's group from its envelope.
    virtual int PrepareItem(CCRemoveEnvPtItem* item);
    // Takes the rest of the group out and the group from its envelope.
    virtual int ProcessItem(CCRemoveEnvPtItem* item);
};
