#include "sequencer/transport/CSequence.h"

#include "notabase/states/SCTime.h"
#include "sequencer/transport/CSequenceLocked.h"

#include <algorithm>

// ---- regions

void CSequence::AnnounceRegion(int startCode, int endCode, bool on, const MCTime& start, const MCTime& end)
{
    ApplyState(new SCTime(startCode, on ? start : MCTime::TimeNull()));
    ApplyState(new SCTime(endCode, on ? end : MCTime::TimeNull()));
}

void CSequence::GetPlayRegion(MCTime& start, MCTime& end)
{
    Locked locked(*this);
    start = m_playRegionStart;
    end = m_playRegionEnd;
}

void CSequence::SetPlayRegion(const MCTime& start, const MCTime& end)
{
    Locked locked(*this);
    m_playRegionStart = start;
    m_playRegionEnd = end;
    if (end > start && (PlayRegionEnabled() || LoopRegionEnabled()))
        AnnounceRegion(1905, 1906, true, start, end);
}

void CSequence::GetRecordRegion(MCTime& start, MCTime& end)
{
    Locked locked(*this);
    start = m_recordRegionStart;
    end = m_recordRegionEnd;
}

void CSequence::SetRecordRegion(const MCTime& start, const MCTime& end)
{
    Locked locked(*this);
    m_recordRegionStart = start;
    m_recordRegionEnd = end;
    if (end > start && RecordRegionEnabled())
        AnnounceRegion(1907, 1908, true, start, end);
}

void CSequence::SetNumLeadInMeasures(int measures)
{
    Locked locked(*this);
    m_leadInMeasures = std::max(measures, 1);
    GetLeadInTime();
}
