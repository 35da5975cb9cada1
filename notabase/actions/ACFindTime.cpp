#include "notabase/actions/ACFindTime.h"

#include "notabase/model/ECBase.h"

ACFindTime::ACFindTime(const MCTime& start, const MCTime& end, int rangeMode)
    : m_start(start), m_end(end), m_rangeMode(rangeMode)
{
}

void ACFindTime::SetTimeRange(const MCTime& start, const MCTime& end, int rangeMode)
{
    m_start = start;
    m_end = end;
    m_rangeMode = rangeMode;
}

bool ACFindTime::InRange(const MCTime& time, const MCTime& start, const MCTime& end, int rangeMode)
{
    switch (rangeMode) {
    case closed:
        return start <= time && time <= end;
    case open:
        return start < time && time < end;
    case openStart:
        return start < time && time <= end;
    case openEnd:
        return start <= time && time < end;
    default:
        return false;
    }
}

int ACFindTime::DoAction(ECBase* element)
{
    const MCTime* time = element->GetTime();
    if (!time)
        return 0;
    if (*time > m_end)
        return 3;
    if (InRange(*time, m_start, m_end, m_rangeMode) && Matches(element))
        return Collect(element);
    return 0;
}
