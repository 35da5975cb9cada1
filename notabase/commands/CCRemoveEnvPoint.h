#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCRemove.h"
#include "notabase/commands/MCCarriedPoints.h"
#include "notabase/values/MCTime.h"
#include "platform/core/RefPtr.h"

#include <utility>
#include <vector>

class CCRemoveEnvPtItem;
class ECEnvPoint;

// Removes envelope points together with their anchor groups: removing either point of a span
// removes the whole span and its group. Removing a pause without a word at time 0 of the tempo
// map brings the mark it pushed before 0 back to 0. Undo adds the points back, each group whole
// and in the place it had; a mark that the tempo map moved to 0 when the first mark went goes back
// to its own time first.
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
    // pushes back before 0 a mark that a removed pause at 0 had pushed there. A span comes back
    // through its first mark, and the marks come back earliest first.
    void Undo() override;

    // A new item (a CCRemoveEnvPtItem); null when the command holds the element already.
    CCRemoveItem* Remove(ECBase* element) override;
    using CCRemove::Remove;

protected:
    // 0 when another item's anchor list holds the item's point (asked of a count Prepare keeps,
    // so that many items cost no search of all the others each); otherwise the item takes the
    // point's group from its envelope.
    virtual int PrepareItem(CCRemoveEnvPtItem* item);
    // Takes the rest of the group out and the group from its envelope.
    virtual int ProcessItem(CCRemoveEnvPtItem* item);

private:
    // The items in the order Process takes them: those whose groups leave with them from the
    // group in the last place to the first, so that the place each item keeps is its group's
    // place before the command, where Undo puts the group back; the others as they come.
    std::vector<CCRemoveEnvPtItem*> lastPlaceFirst();

    // While Prepare runs: how many of the items kept so far, and of those not yet prepared,
    // hold each point in their anchor lists.
    MCCarriedPoints m_carried;
    // The tempo marks that became the first of their map and were moved to time 0 by it, with
    // the times they had: Undo puts them back before the removed marks return.
    std::vector<std::pair<plat::RefPtr<ECBase>, MCTime>> m_movedToZero;
    // The points that were out of their envelopes already when Process ran.
    std::vector<plat::RefPtr<ECBase>> m_alreadyOut;
};
