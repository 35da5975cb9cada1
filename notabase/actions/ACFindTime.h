#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/actions/ACFindEvents.h"
#include "notabase/values/MCTime.h"

// Collects the visited elements of a time range that match the type filter. A row of
// siblings is left at its first element later than the range: child lists are in time order.
// The found count and the maximum work as in ACFindEvents.
class NOTABASE_API ACFindTime : public ACFindEvents {
public:
    // Range modes: whether each end of the range is included.
    enum RangeMode { closed = 0, open = 1, openStart = 2, openEnd = 3 };

    ACFindTime(const MCTime& start, const MCTime& end, int rangeMode);

    void SetTimeRange(const MCTime& start, const MCTime& end, int rangeMode);
    int DoAction(ECBase* element) override;

    // Mode 0: start <= t <= end; 1: start < t < end; 2: start < t <= end; 3: start <= t < end;
    // any other mode: never.
    static bool InRange(const MCTime& time, const MCTime& start, const MCTime& end, int rangeMode);

private:
    MCTime m_start;
    MCTime m_end;
    int m_rangeMode;
};
