#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCAdd.h"
#include "notabase/model/MCEventList.h"
#include "notabase/values/MCTime.h"
#include "platform/core/RefPtr.h"

class ECConductorStaff;
class ECMeter;

// Inserts whole bars at a bar position: what stands at or after the insertion time moves later
// by their length, and new bars (a conductor measure and a measure on every staff) fill the gap
// in the meter of the bar before the insertion point. Bars inserted at the very start leave the
// clefs and keys of time zero at time zero, in the new first bars. Measures given through Add
// are put back as the bars instead of new ones. Undo removes the same bars again, and a redo puts
// back those same bars.
class NOTABASE_API CCAddMeasure : public CCAdd {
    PLAT_DECLARE_DYNCREATE(CCAddMeasure)
public:
    CCAddMeasure();
    CCAddMeasure(int count, int index);
    ~CCAddMeasure() override;

    int GetCommandId() override;
    // Clamps the index (outside the bars: append), finds the insertion time and the meter of the
    // new bars; fails in a piece without a meter there.
    int Prepare() override;
    int Process() override;
    // Removes the inserted bars with a CCRemoveMeasure; keeps their measures, for a redo to put
    // back, and takes apart at once anything else it removed.
    void Undo() override;
    CCAddItem* Add(ECBase* child, ECBase* parent, const FCMidi& data) override;

    int GetInsertCount() const { return m_insertCount; }
    void SetInsertCount(int count) { m_insertCount = count; }
    // 0-based: the new bars go before the bar now at the index.
    int GetInsertIndex() const { return m_insertIndex; }
    void SetInsertIndex(int index) { m_insertIndex = index; }
    ECMeter* GetAddMeter() const { return m_addMeter.get(); }
    // Held by the command; the phases do not use it.
    void SetAddMeter(ECMeter* meter) { m_addMeter.reset(meter); }

protected:
    void PrepareAdd();
    void DoAdd();
    void CheckMeter();

private:
    int m_insertCount = 1;
    int m_insertIndex = -1;
    MCTime m_insertTime = MCTime::TimeNull();
    plat::RefPtr<ECMeter> m_meter;
    plat::RefPtr<ECMeter> m_addMeter;
    ECConductorStaff* m_conductorStaff = nullptr;
    // Clefs and keys lifted from time zero while bars go in at the start.
    MCEventList m_timeZeroMarks{10};
    MCEventList m_measuresToInsert{10};
};
