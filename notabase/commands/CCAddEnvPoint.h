#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCAdd.h"
#include "notabase/commands/MCCarriedPoints.h"

class CCAddEnvPtItem;
class ECEnvPoint;

// Adds points to envelopes, each item's parent being the envelope. A point with an anchor list
// brings the rest of its group along: the points are added as one unit, marked as anchors with
// the first as head, and the envelope keeps them as a group. A point that another item brings
// along in its group is not added twice. Undo removes the points with their groups.
//
// The members fill in the values of their marks and build the end point of a span before
// anything is added.
class NOTABASE_API CCAddEnvPoint : public CCAdd {
    PLAT_DECLARE_DYNCREATE(CCAddEnvPoint)
public:
    CCAddEnvPoint() = default;

    int GetCommandId() override;
    // Drops the items PrepareItem refuses.
    int Prepare() override;
    int Process() override;
    // Applies a CCRemoveEnvPoint of the points, each with its envelope and group.
    void Undo() override;

    // A new item (a CCAddEnvPtItem) without an anchor list.
    CCAddItem* Add(ECBase* point, ECBase* envelope, const FCMidi& data) override;

protected:
    // 0 when another item's anchor list holds the item's point (asked of a count Prepare keeps,
    // so that many items cost no search of all the others each).
    virtual int PrepareItem(CCAddEnvPtItem* item);
    // Adds the rest of the item's group and registers the group with the envelope.
    virtual int ProcessItem(CCAddEnvPtItem* item);

    // A MIDI value held to 0..127.
    static float ClampMidi(float value);
    // Gives the item the group of its point and the span's end point, a copy of the point at the
    // point's time plus its duration, lasting nothing, with the value and style given.
    static void SetSpan(CCAddEnvPtItem* item, ECEnvPoint* end, float endValue);

private:
    // While Prepare runs: how many of the items kept so far, and of those not yet prepared,
    // hold each point in their anchor lists.
    MCCarriedPoints m_carried;
};
