#include "notabase/commands/MCMeterRebar.h"

#include "notabase/actions/ACDeltaTime.h"
#include "notabase/actions/ACFindTime.h"
#include "notabase/actions/ACSortChildren.h"
#include "notabase/commands/CCAdjustMeasureChildren.h"
#include "notabase/commands/CCBase.h"
#include "notabase/commands/CCRemoveMeter.h"
#include "notabase/commands/MCCommandHold.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorMeasure.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"
#include "platform/core/RefPtr.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <vector>

MCMeterRebar::MCMeterRebar() = default;

MCMeterRebar::~MCMeterRebar() = default;

CCMeterInfo* MCMeterRebar::GetMeterInfo(int i) const
{
    return i >= 0 && i < 3 ? m_infos[i].get() : nullptr;
}

ECMeter* MCMeterRebar::GetMeter(int i) const
{
    const CCMeterInfo* info = GetMeterInfo(i);
    return info ? info->GetMeter() : nullptr;
}

const MCTime& MCMeterRebar::GetMeterTime(int i) const
{
    CCMeterInfo* info = GetMeterInfo(i);
    return info ? info->GetTime() : MCTime::TimeNull();
}

const MCTime& MCMeterRebar::GetMeterDuration(int i) const
{
    CCMeterInfo* info = GetMeterInfo(i);
    return info ? info->GetDuration() : MCTime::TimeNull();
}

ECMeterEnv* MCMeterRebar::meterMap(CCBase& command)
{
    ECConductor* conductor = command.GetConductor();
    m_conductorStaff = conductor ? conductor->GetConductorStaff() : nullptr;
    return m_conductorStaff ? m_conductorStaff->GetMeterEnv() : nullptr;
}

void MCMeterRebar::dropNeighbours()
{
    m_infos[1].reset();
    m_infos[2].reset();
}

void MCMeterRebar::takeFollower(ECMeter* follower, bool equal)
{
    m_infos[2] = std::make_unique<CCMeterInfo>(follower);
    m_infos[2]->SetRemove(equal && !m_undoStep ? 1 : 0);
}

void MCMeterRebar::startProcess()
{
    m_barsBefore = m_conductorStaff ? m_conductorStaff->GetMaxMeasureNumber() : -1;
    m_started = m_conductorStaff != nullptr;
    m_barsAtStart.clear();
    for (int number = 1; number <= m_barsBefore; ++number)
        m_barsAtStart.push_back(m_conductorStaff->GetMeasure(0, number));
    m_stretchBars = -1;
    m_stretchBarsAfter = -1;
    m_insertLocation = -1;
    m_insertCount = 0;
}

int MCMeterRebar::barsForMusic(CCBase& command, const MCTime& from, const MCTime& to, const MCTime& length, int bars)
{
    const MCTime newEnd = from + MCTime(length.GetSeconds() * static_cast<float>(bars));
    if (!(newEnd < to) || !(length > MCTime::TimeZero()))
        return bars;
    ACFindTime query(newEnd, to, ACFindTime::openEnd);
    query.Apply(command.GetTarget());
    float last = -1.0f;
    for (ECBase* element : query.GetEvents()) {
        switch (element->GetEventId()) {
        case EventId::Performance:
        case EventId::ConductorStaff:
        case EventId::Staff:
        case EventId::WaveTrack:
        case EventId::ConductorMeasure:
        case EventId::Measure:
        case EventId::Barline:
        case EventId::Mirror:
        case EventId::Meter:
            continue;
        default:
            // The bar lines, brackets and the like of the bars are no music of the stretch.
            if (plat::dynamicDowncast<ECEnvelope>(element) || element->GetAncestor(EventId::ConductorMeasure, 1))
                continue;
            last = std::max(last, element->GetTime()->GetSeconds());
        }
    }
    if (last < 0.0f)
        return bars;
    return bars + static_cast<int>(std::floor((last - newEnd.GetSeconds()) / length.GetSeconds())) + 1;
}

void MCMeterRebar::moveChildren(ECBase* from, ECBase* to)
{
    const MCEventList* children = from->GetChildren();
    if (!children)
        return;
    const std::vector<ECBase*> moving(children->begin(), children->end());
    for (ECBase* child : moving) {
        const plat::RefPtr<ECBase> held(child);
        from->RemoveChild(child, 0);
        to->AddChild(child, 1);
    }
}

void MCMeterRebar::dropBars(int index, int count)
{
    if (count <= 0 || index <= 0)
        return;
    const int tracks = m_conductorStaff->GetMaxStaffNumber();
    std::vector<std::pair<int, plat::RefPtr<ECMeasure>>> measures;
    for (int number = index + 1; number <= index + count; ++number) {
        for (int track = 0; track <= tracks; ++track) {
            if (ECMeasure* measure = m_conductorStaff->GetMeasure(track, number))
                measures.emplace_back(track, measure);
        }
    }
    m_conductorStaff->RemoveMeasures(index, count);
    // Out of the bars' tables, what the measures hold goes to the bars that now hold its times
    // (the bar before them for what has no time).
    for (const auto& [track, measure] : measures) {
        const MCEventList* children = measure->GetChildren();
        const std::vector<ECBase*> moving = children ? std::vector<ECBase*>(children->begin(), children->end())
                                                     : std::vector<ECBase*>{};
        for (ECBase* child : moving) {
            const MCTime* time = child->GetTime();
            ECMeasure* target = time ? m_conductorStaff->GetMeasure(track, *time, 0, 0) : nullptr;
            if (!target)
                target = m_conductorStaff->GetMeasure(track, index);
            if (!target)
                continue;
            const plat::RefPtr<ECBase> held(child);
            measure->RemoveChild(child, 0);
            target->AddChild(child, 1);
        }
        measure->RemoveFromParents();
    }
}

MCTime MCMeterRebar::rebar(CCBase& command, const MCTime& from, const MCTime& to, ECMeter* meter,
                           const MCTime& newLength, const MCTime& oldLength, bool fromOldEnd)
{
    ECConductor* conductor = command.GetConductor();
    MCEventList stretch(10);
    conductor->GetMeasures(0, from, to, stretch);
    int bars = stretch.GetCount();
    if (bars == 0) {
        m_stretchBars = m_stretchBarsAfter = -1;
        return fromOldEnd ? to : from;
    }
    // The first bar of the stretch, from 0.
    const int first = m_conductorStaff->GetMeasureNumberAtTime(*stretch.GetHead()->GetTime()) - 1;
    MCTime end = to;
    int newBars = bars;
    if (m_undoStretchBars > 0) {
        // Bars appended at the end of the piece after the stretch the undone command left are
        // not part of it.
        if (m_undoStretchBarsAfter > 0 && bars > m_undoStretchBarsAfter) {
            bars = m_undoStretchBarsAfter;
            end = *m_conductorStaff->GetMeasure(0, first + bars + 1)->GetTime();
        }
        newBars = m_undoStretchBars;
    } else if (newLength < oldLength) {
        newBars = barsForMusic(command, from, end, newLength, bars);
    }
    m_stretchBars = bars;
    m_stretchBarsAfter = newBars;

    MCTime delta = newLength;
    delta *= static_cast<float>(newBars);
    MCTime oldSpan = oldLength;
    oldSpan *= static_cast<float>(bars);
    delta -= oldSpan;
    const MCTime endAfter = m_conductorStaff->GetMaxMeasureEndTime() + delta;
    if (delta != MCTime::TimeZero()) {
        ACDeltaTime shift(delta, end, MCTime::TimeMax(), ACFindTime::openEnd);
        shift.Apply(command.GetTarget());
    }
    MCTime added = newLength;
    added *= static_cast<float>(bars);
    if (newBars > bars) {
        m_conductorStaff->InsertMeasures(first + bars, newBars - bars, from + added, meter);
        m_insertLocation = first + bars + 1;
        m_insertCount = newBars - bars;
    }
    MCTime t = from;
    for (int number = first + 1; number <= first + newBars; ++number) {
        static_cast<ECConductorMeasure*>(m_conductorStaff->GetMeasure(0, number))->SetMeasureTime(&t);
        t += newLength;
    }
    if (newBars < bars)
        dropBars(first + newBars, bars - newBars);
    m_conductorStaff->MoveEndTime(endAfter - m_conductorStaff->GetMaxMeasureEndTime());
    ACSortChildren sort(3);
    sort.AddEvtType(EventId::ConductorStaff);
    sort.AddEvtType(EventId::Staff);
    sort.AddEvtType(EventId::WaveTrack);
    sort.SetDepth(1);
    sort.Apply(conductor);
    m_conductorStaff->RecalculateMaps();

    MCTime adjustEnd = fromOldEnd ? end : t;
    if (delta > MCTime::TimeZero())
        adjustEnd += delta;
    return adjustEnd;
}

void MCMeterRebar::adjustChildren(CCBase& command, const MCTime& start, const MCTime& end, int reverse)
{
    plat::RefPtr<CCAdjustMeasureChildren> adjust(new CCAdjustMeasureChildren);
    MCTime from = start;
    MCTime to = end;
    adjust->SetTimeRange(from, to);
    adjust->SetReverse(reverse);
    adjust->SetSynchronous(1);
    // Part of this command: undoing this command undoes it too.
    adjust->SetCanUndo(0);
    adjust->Apply(command.GetTarget());
    const int appendedAt = adjust->GetMeasureInsertLocation();
    const int appended = adjust->GetMeasureInsertCount();
    if (appended <= 0)
        return;
    // Bars the re-barring added at the end of the piece run on into those appended after them.
    if (m_insertCount > 0 && m_insertLocation + m_insertCount == appendedAt) {
        m_insertCount += appended;
        return;
    }
    if (m_insertCount <= 0) {
        m_insertLocation = appendedAt;
        m_insertCount = appended;
    }
}

void MCMeterRebar::removeEqualFollower(CCBase& command)
{
    const CCMeterInfo* follower = m_infos[2].get();
    if (!follower || !follower->ShouldRemove())
        return;
    // Another command of the same run may have taken it out already.
    ECMeterEnv* map = m_conductorStaff ? m_conductorStaff->GetMeterEnv() : nullptr;
    if (!map || map->GetIndexForPoint(follower->GetMeter()) < 0)
        return;
    m_followerRemoval.reset(new CCRemoveMeter(follower->GetMeter()));
    m_followerRemoval->SetSynchronous(1);
    // Not an undo step of its own: this command's undo undoes it first.
    m_followerRemoval->SetCanUndo(0);
    m_followerRemoval->Apply(command.GetTarget());
}

void MCMeterRebar::undoFollowerRemoval(CCBase& command)
{
    const plat::RefPtr<CCRemoveMeter> removal = std::move(m_followerRemoval);
    if (!removal)
        return;
    removal->SetSynchronous(command.IsSynchronous());
    removal->Undo();
}

void MCMeterRebar::keepAddedBars()
{
    if (!m_conductorStaff || !m_started)
        return;
    m_started = false;
    const std::unordered_set<ECBase*> before(m_barsAtStart.begin(), m_barsAtStart.end());
    m_barsAtStart.clear();
    std::vector<int> added;
    for (int number = 1; number <= m_conductorStaff->GetMaxMeasureNumber(); ++number) {
        if (!before.count(m_conductorStaff->GetMeasure(0, number)))
            added.push_back(number);
    }
    const int tracks = m_conductorStaff->GetMaxStaffNumber();
    const bool outside = std::all_of(m_addedBars.begin(), m_addedBars.end(), [tracks](const auto& bar) {
        return static_cast<int>(bar.size()) == tracks + 1
               && std::all_of(bar.begin(), bar.end(), [](const auto& m) { return MCCommandHold::IsOutsidePieces(m.get()); });
    });
    if (!added.empty() && added.size() == m_addedBars.size() && outside) {
        for (size_t i = 0; i < added.size(); ++i)
            putBackBar(added[i], m_addedBars[i]);
        return;
    }
    m_addedBars.clear();
    for (int number : added) {
        std::vector<plat::RefPtr<ECMeasure>> bar;
        for (int track = 0; track <= tracks; ++track)
            bar.emplace_back(m_conductorStaff->GetMeasure(track, number));
        m_addedBars.push_back(std::move(bar));
    }
}

void MCMeterRebar::putBackBar(int number, const std::vector<plat::RefPtr<ECMeasure>>& bar)
{
    std::vector<plat::RefPtr<ECMeasure>> made;
    for (size_t track = 0; track < bar.size(); ++track)
        made.emplace_back(m_conductorStaff->GetMeasure(static_cast<int>(track), number));
    if (std::any_of(made.begin(), made.end(), [](const auto& m) { return !m; }))
        return;
    const MCTime time = *made[0]->GetTime();
    const MCTime end = m_conductorStaff->GetMaxMeasureEndTime();
    for (size_t track = 0; track < bar.size(); ++track)
        moveChildren(made[track].get(), bar[track].get());
    m_conductorStaff->RemoveMeasures(number - 1, 1);
    for (const plat::RefPtr<ECMeasure>& measure : made)
        measure->RemoveFromParents();
    MCEventList measures;
    for (const plat::RefPtr<ECMeasure>& measure : bar)
        measures.AddTail(measure.get());
    m_conductorStaff->InsertMeasures(number - 1, measures, time, nullptr);
    m_conductorStaff->MoveEndTime(end - m_conductorStaff->GetMaxMeasureEndTime());
}

void MCMeterRebar::dropAppendedBars(CCBase& command)
{
    if (!m_conductorStaff || m_barsBefore < 1 || !command.GetConductor())
        return;
    const int bars = m_conductorStaff->GetMaxMeasureNumber();
    if (bars <= m_barsBefore)
        return;
    // Only bars that hold nothing: whatever stands in one must stay.
    const int tracks = m_conductorStaff->GetMaxStaffNumber();
    for (int number = m_barsBefore + 1; number <= bars; ++number) {
        for (int track = 0; track <= tracks; ++track) {
            ECMeasure* measure = m_conductorStaff->GetMeasure(track, number);
            const MCEventList* children = measure ? measure->GetChildren() : nullptr;
            if (children && !children->IsEmpty())
                return;
        }
    }
    const MCTime end = *m_conductorStaff->GetMeasure(0, m_barsBefore + 1)->GetTime();
    dropBars(m_barsBefore, bars - m_barsBefore);
    m_conductorStaff->MoveEndTime(end - m_conductorStaff->GetMaxMeasureEndTime());
}

void MCMeterRebar::applyInverse(CCBase& command, CCBase* inverse, MCMeterRebar* meterPart)
{
    const plat::RefPtr<CCBase> held(inverse);
    if (meterPart) {
        meterPart->m_undoStep = true;
        meterPart->m_undoStretchBars = m_stretchBars;
        meterPart->m_undoStretchBarsAfter = m_stretchBarsAfter;
    }
    inverse->SetSynchronous(command.IsSynchronous());
    inverse->SetCanUndo(0);
    inverse->Apply(command.GetTarget());
}
