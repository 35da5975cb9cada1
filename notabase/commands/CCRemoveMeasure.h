#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCRemove.h"
#include "notabase/model/MCEventList.h"
#include "notabase/values/MCTime.h"
#include "platform/core/RefPtr.h"

class ECConductorStaff;
class ECMeter;

// Deletes a run of whole bars: the bars and everything timed inside them go, and everything after
// them moves earlier by their length. The marks that must survive a cut are looked after: the
// clefs, keys, meters and tempos of time zero stay unless one of their kind starts exactly where
// the cut ends, a clef change at the end of the last removed bar moves to the end of the bar
// before the cut, and when a meter change lies inside the cut the bars after it first take the
// meter in force before the cut. The last bar of a piece always stays.
//
// It cannot be undone and is never recorded for undo; it also serves as the inverse of
// CCAddMeasure.
class NOTABASE_API CCRemoveMeasure : public CCRemove {
    PLAT_DECLARE_DYNCREATE(CCRemoveMeasure)
public:
    CCRemoveMeasure();
    CCRemoveMeasure(int count, int index);
    ~CCRemoveMeasure() override;

    int GetCommandId() override;
    // Clamps the bars to those there are (never all of them), re-bars after the cut when a meter
    // change lies inside it, and finds what goes and what stays. A count of 0 leaves the piece
    // untouched.
    int Prepare() override;
    int Process() override;
    // Removes the meter that Prepare added after the cut, which now equals the one before it.
    int Finish() override;
    void Undo() override;
    // Both do nothing: the command removes what Prepare finds.
    void Remove(MCEventList* elements) override;
    CCRemoveItem* Remove(ECBase* element) override;

    int GetRemoveCount() const { return m_removeCount; }
    void SetRemoveCount(int count) { m_removeCount = count; }
    int GetRemoveIndex() const { return m_removeIndex; }
    void SetRemoveIndex(int index) { m_removeIndex = index; }
    // The times of the first removed bar and of the first bar after them (the end of the piece
    // when none follows); valid after Prepare.
    void GetRemoveRegion(MCTime& start, MCTime& end) const;

protected:
    void PrepareRemoveMeasure();
    // Nonzero when an element found at the start of the cut goes with it; the first bar's clefs
    // and keys that stay are kept aside.
    int CheckTimeZeroEvent(ECBase* element);
    void DoRemoveMeasure();
    void CheckMeterAdd();
    void CheckMeterRemove();

private:
    friend class CCAddMeasure;
    // CCAddMeasure's undo: what the removal took out is taken apart at once, unless another
    // command still holds it (then the last hold takes it apart if it is still out), and the
    // items are dropped.
    void takeApartRemoved();
    void keep(ECBase* mark);
    bool isKept(ECBase* mark) const;

    int m_removeCount = 1;
    int m_removeIndex = -1;
    int m_lastIndex = -1;
    MCTime m_regionStart = MCTime::TimeNull();
    MCTime m_regionEnd = MCTime::TimeNull();
    ECConductorStaff* m_conductorStaff = nullptr;
    plat::RefPtr<ECMeter> m_addedMeter;
    // Clefs and keys lifted out before the cut and put back after it.
    MCEventList m_keptMarks{10};
};
