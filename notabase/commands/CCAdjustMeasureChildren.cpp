#include "notabase/commands/CCAdjustMeasureChildren.h"

#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECMeasure.h"
#include "platform/core/RefPtr.h"

#include <algorithm>
#include <utility>

CCAdjustMeasureChildren::CCAdjustMeasureChildren() = default;

int CCAdjustMeasureChildren::GetCommandId()
{
    return CommandIds::CCAdjustMeasureChildren;
}

int CCAdjustMeasureChildren::Apply(ECPerformanceBase* performance)
{
    return CCBase::Apply(performance);
}

void CCAdjustMeasureChildren::GetTimeRange(MCTime& start, MCTime& end) const
{
    start = m_start;
    end = m_end;
}

void CCAdjustMeasureChildren::SetTimeRange(const MCTime& start, const MCTime& end)
{
    m_start = start;
    m_end = end;
}

void CCAdjustMeasureChildren::GetTrackRange(int& first, int& last) const
{
    first = m_firstTrack;
    last = m_lastTrack;
}

void CCAdjustMeasureChildren::SetTrackRange(int first, int last)
{
    m_firstTrack = first;
    m_lastTrack = last;
}

int CCAdjustMeasureChildren::Prepare()
{
    if (!CCBase::Prepare())
        return 0;
    ECConductor* conductor = GetConductor();
    const int staves = conductor->GetMaxTrackNumber(ECConductor::staffTrack);
    // Reversed ends are put in order before the clamping, so that the range never names a staff
    // the piece does not have (a visit would make it).
    if (m_firstTrack > m_lastTrack)
        std::swap(m_firstTrack, m_lastTrack);
    m_firstTrack = std::max(m_firstTrack, 0);
    m_lastTrack = std::min(m_lastTrack, staves);

    const MCTime end = conductor->GetMaxMeasureEndTime();
    if (!(m_start > MCTime::TimeZero()))
        m_start = MCTime::TimeZero();
    if (!(m_end < end))
        m_end = end;
    if (m_start > m_end)
        std::swap(m_start, m_end);
    return 1;
}

int CCAdjustMeasureChildren::Process()
{
    if (!CCBase::Process())
        return 0;
    ECConductor* conductor = GetConductor();
    const int barsBefore = conductor->GetMaxMeasureNumber();
    for (int track = m_firstTrack; track <= m_lastTrack; ++track) {
        MCEventList measures(10);
        conductor->GetMeasures(track, m_start, m_end, measures);
        measures.Sort();
        if (m_reverse) {
            for (MCPosition p = measures.GetTailPosition(); p;)
                adjustMeasure(measures.GetPrev(p), track);
        } else {
            for (MCPosition p = measures.GetHeadPosition(); p;)
                adjustMeasure(measures.GetNext(p), track);
        }
    }
    const int barsAfter = conductor->GetMaxMeasureNumber();
    if (barsAfter > barsBefore) {
        m_insertLocation = barsBefore + 1;
        m_insertCount = barsAfter - barsBefore;
    }
    return 1;
}

void CCAdjustMeasureChildren::adjustMeasure(ECBase* measure, int track)
{
    ECConductor* conductor = GetConductor();
    MCEventList* children = measure->GetChildren();
    if (!children)
        return;
    // The next child is read before the current one moves, so moving it does not disturb the
    // walk.
    MCPosition p = m_reverse ? children->GetTailPosition() : children->GetHeadPosition();
    while (p) {
        ECBase* child = m_reverse ? children->GetPrev(p) : children->GetNext(p);
        const MCTime* time = child->GetTime();
        if (!time)
            continue;
        const MCTime at = *time;
        ECMeasure* target = conductor->GetMeasure(track, at, 1, 1);
        if (!target)
            continue;
        if (const MCTime* duration = child->GetDuration())
            appendBarsUpTo(at + *duration, track);
        if (target == measure)
            continue;
        const plat::RefPtr<ECBase> held(child);
        measure->RemoveChild(child, 0);
        target->AddChild(child, 1);
    }
}

void CCAdjustMeasureChildren::appendBarsUpTo(const MCTime& end, int track)
{
    // A child ending exactly where the piece ends fits: a bar more would stay empty.
    ECConductor* conductor = GetConductor();
    while (conductor->GetMaxMeasureEndTime() < end) {
        if (!conductor->GetMeasure(track, conductor->GetMaxMeasureEndTime(), 1, 1))
            return;
    }
}

int CCAdjustMeasureChildren::Finish()
{
    return CCBase::Finish();
}

void CCAdjustMeasureChildren::Abort() {}
