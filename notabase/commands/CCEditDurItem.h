#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCEditItem.h"
#include "notabase/model/MCEventList.h"
#include "notabase/values/MCTime.h"

#include <memory>

class ECBase;

// One element a CCEditDuration gives a new duration: the new copy carries the new duration, the
// old copy (once recorded) only the old one. For the start point of a span (a crescendo, pedal,
// tempo change or transposition stored as an anchor group of envelope points) the item keeps the
// group, and the new duration moves the span's end point instead.
class NOTABASE_API CCEditDurItem : public CCEditItem {
public:
    CCEditDurItem() = default;
    CCEditDurItem(ECBase* element, const MCTime* duration);
    ~CCEditDurItem() override;

    // The duration of the new or the old copy; zero when that copy is missing.
    MCTime GetNewDuration() const;
    MCTime GetOldDuration() const;
    // The span's points, start first; null unless the element is a point of a span.
    MCEventList* GetAnchorList() const { return m_anchorList.get(); }

    void Process(int recordOld) override;

    // Fills the list with the element's anchor group when the element is a dynamic, pedal, tempo
    // or transposition mark that belongs to one; 1 then, else 0.
    static int GetSpanGroup(ECBase* element, MCEventList& group);

private:
    std::unique_ptr<MCEventList> m_anchorList;
};
