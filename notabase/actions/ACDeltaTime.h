#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/actions/ACBase.h"
#include "notabase/values/MCTime.h"

// Shifts the times of the visited elements of a time range by a delta, never below time 0.
// Elements that belong at the very start of a piece (clefs, keys, meters, tempos and the
// like) stay there. A row of siblings is left at its first element later than the range.
class NOTABASE_API ACDeltaTime : public ACBase {
public:
    // Delta 0 over everything from 0 on.
    ACDeltaTime();
    ACDeltaTime(const MCTime& delta, const MCTime& start, const MCTime& end, int rangeMode);

    void SetTimeDelta(const MCTime& delta) { m_delta = delta; }
    void SetTimeRange(const MCTime& start, const MCTime& end, int rangeMode);
    int DoAction(ECBase* element) override;

private:
    MCTime m_delta;
    MCTime m_start;
    MCTime m_end;
    int m_rangeMode;
};
