#include "notabase/commands/CCRemoveMeasure.h"

#include "notabase/actions/ACDeltaTime.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/actions/ACFindTime.h"
#include "notabase/actions/ACSortChildren.h"
#include "notabase/commands/CCAddMeter.h"
#include "notabase/commands/CCRemoveMeter.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandHold.h"
#include "notabase/model/ECGroup.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorMeasure.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECStaff.h"
#include "platform/core/Trace.h"

#include <algorithm>
#include <vector>

PLAT_IMPLEMENT_DYNCREATE(CCRemoveMeasure, CCRemove)

namespace {

// The staff a clef or key stands on: that of its measure, which holds whatever the mark's own
// voice/track word says.
int staffOf(ECBase* mark)
{
    ECBase* measure = mark->GetAncestor(EventId::Measure, 1);
    return (measure ? measure : mark)->GetTrack();
}

}  // namespace

CCRemoveMeasure::CCRemoveMeasure()
{
    SetCanUndo(0);
}

CCRemoveMeasure::CCRemoveMeasure(int count, int index) : CCRemoveMeasure()
{
    m_removeCount = count;
    m_removeIndex = index;
}

CCRemoveMeasure::~CCRemoveMeasure() = default;

int CCRemoveMeasure::GetCommandId()
{
    return CommandIds::CCRemoveMeasure;
}

void CCRemoveMeasure::Remove(MCEventList* /*elements*/) {}

CCRemoveItem* CCRemoveMeasure::Remove(ECBase* /*element*/)
{
    return nullptr;
}

void CCRemoveMeasure::GetRemoveRegion(MCTime& start, MCTime& end) const
{
    start = m_regionStart;
    end = m_regionEnd;
}

void CCRemoveMeasure::Undo() {}

int CCRemoveMeasure::Prepare()
{
    if (!CCBase::Prepare())
        return 0;
    m_conductorStaff = GetConductor()->GetConductorStaff();
    if (!m_conductorStaff)
        return 0;
    m_lastIndex = m_conductorStaff->GetMaxMeasureNumber() - 1;
    m_removeIndex = std::min(std::max(m_removeIndex, 0), m_lastIndex);
    m_removeCount = std::min(std::max(m_removeCount, 0), m_lastIndex - m_removeIndex + 1);
    // The last bar always stays.
    if (m_removeCount == m_lastIndex + 1)
        m_removeCount = m_lastIndex;
    if (m_lastIndex < 0)
        m_removeCount = 0;
    m_keptMarks.RemoveAll();
    if (m_removeCount == 0) {
        // An empty cut leaves the piece as it is, the marks at its bar line included.
        ECMeasure* bar = m_conductorStaff->GetMeasure(0, m_removeIndex + 1);
        m_regionStart = bar ? *bar->GetTime() : m_conductorStaff->GetMaxMeasureEndTime();
        m_regionEnd = m_regionStart;
        return 1;
    }
    CheckMeterAdd();
    PrepareRemoveMeasure();
    return 1;
}

void CCRemoveMeasure::CheckMeterAdd()
{
    const int after = m_removeIndex + m_removeCount;
    if (after > m_lastIndex)
        return;
    ECConductor* conductor = GetConductor();
    ECMeasure* first = m_conductorStaff->GetMeasure(0, m_removeIndex + 1);
    ECMeasure* next = m_conductorStaff->GetMeasure(0, after + 1);
    if (!first || !next)
        return;
    const MCTime firstTime = *first->GetTime();
    const MCTime nextTime = *next->GetTime();
    ECMeter* before = firstTime > MCTime::TimeZero() ? conductor->GetMeterBeforeTime(firstTime)
                                                     : conductor->GetMeterAtTime(firstTime);
    ECMeter* atNext = conductor->GetMeterAtTime(nextTime);
    // Only when the meter in force after the cut begins inside it.
    if (!before || !atNext || atNext == before || !(atNext->GetTime()->GetSeconds() < nextTime.GetSeconds()))
        return;
    m_addedMeter.reset(new ECMeter(*before));
    m_addedMeter->SetTime(&nextTime);
    const plat::RefPtr<CCAddMeter> add(new CCAddMeter(m_addedMeter.get()));
    add->SetSynchronous(1);
    add->SetCanUndo(0);
    add->Apply(GetTarget());
    // The re-barring may have appended bars.
    m_lastIndex = m_conductorStaff->GetMaxMeasureNumber() - 1;
}

void CCRemoveMeasure::keep(ECBase* mark)
{
    if (!isKept(mark))
        m_keptMarks.AddTail(mark);
}

bool CCRemoveMeasure::isKept(ECBase* mark) const
{
    return m_keptMarks.Find(mark) != nullptr;
}

void CCRemoveMeasure::PrepareRemoveMeasure()
{
    ECConductor* conductor = GetConductor();
    const int after = m_removeIndex + m_removeCount;
    ECMeasure* first = m_conductorStaff->GetMeasure(0, m_removeIndex + 1);
    ECMeasure* next = m_conductorStaff->GetMeasure(0, after + 1);
    m_regionStart = first ? *first->GetTime() : MCTime::TimeZero();
    m_regionEnd = next ? *next->GetTime() : m_conductorStaff->GetMaxMeasureEndTime();
    m_keptMarks.RemoveAll();

    MCEventList measures(10);
    conductor->GetMeasures(ECConductorMeasure::allTracks, m_removeIndex + 1, after, measures);
    for (ECBase* measure : measures)
        CCRemove::Remove(measure);
    plat::trace("Removing from %f to %f\n", static_cast<double>(m_regionStart.GetSeconds()),
                static_cast<double>(m_regionEnd.GetSeconds()));

    ACFindTime inCut(m_regionStart, m_regionEnd, ACFindTime::openEnd);
    inCut.SetDepth(2);
    inCut.Apply(conductor);
    for (ECBase* element : inCut.GetEvents()) {
        if (!CheckTimeZeroEvent(element))
            continue;
        CCRemove::Remove(element);
        const MCTime* time = element->GetTime();
        plat::trace("%s %f\n", element->runtimeClass()->name, time ? static_cast<double>(time->GetSeconds()) : -1.0);
    }

    ACFindTime marks(m_regionStart, m_regionEnd, ACFindTime::closed);
    marks.SetDepth(3);
    marks.AddEvtType(EventId::Clef);
    marks.AddEvtType(EventId::Key);
    marks.Apply(conductor);
    for (ECBase* mark : marks.GetEvents()) {
        // A mark kept for the new first bar stays, whatever else holds for its time.
        if (isKept(mark))
            continue;
        const MCTime time = *mark->GetTime();
        if (mark->GetEventId() == EventId::Key) {
            // A key at the end of the cut stays where it is.
            if (time < m_regionEnd)
                CCRemove::Remove(mark);
            continue;
        }
        ECBase* measure = mark->GetAncestor(EventId::Measure, 1);
        if (!measure)
            continue;
        const MCTime measureTime = *measure->GetTime();
        if (time == m_regionStart && measureTime < m_regionStart) {
            // A clef change at the end of the bar before the cut.
            CCRemove::Remove(mark);
        } else if (time == m_regionEnd && measureTime < m_regionEnd) {
            // A clef change at the end of the last removed bar moves to the end of the bar
            // before the cut.
            keep(mark);
        } else if (time != m_regionEnd) {
            CCRemove::Remove(mark);
        }
        // A clef beginning the first bar after the cut stays with that bar, as a key there does.
    }
}

int CCRemoveMeasure::CheckTimeZeroEvent(ECBase* element)
{
    const MCTime* time = element->GetTime();
    if (!time || *time != MCTime::TimeZero())
        return 1;
    ECConductor* conductor = GetConductor();
    ECBase* current = nullptr;
    switch (element->GetEventId()) {
    case EventId::BankLSB:
    case EventId::BankMSB:
    case EventId::ConductorStaff:
    case EventId::Dynamic:
    case EventId::FlowControl:
    case EventId::Performance:
    case EventId::ProgramChange:
    case EventId::Staff:
    case EventId::Text:
    case EventId::WaveTrack:
        return 0;
    case EventId::Clef:
    case EventId::Key: {
        auto* staff = static_cast<ECStaff*>(element->GetAncestor(EventId::Staff, -1));
        if (!staff)
            return 0;
        const unsigned char hand = ECStaff::HandOf(element);
        current = element->GetEventId() == EventId::Clef ? static_cast<ECBase*>(staff->GetClefAtTime(m_regionEnd, hand))
                                                         : static_cast<ECBase*>(staff->GetKeyAtTime(m_regionEnd, hand));
        break;
    }
    case EventId::Meter:
        current = conductor->GetMeterAtTime(m_regionEnd);
        break;
    case EventId::Tempo:
        current = conductor->GetTempoAtTime(m_regionEnd);
        break;
    case EventId::Measure: {
        // The first bar of the piece goes; of its clefs and keys, those that no mark starting at
        // the end of the cut replaces stay, for the new first bar.
        ACFindEvents find(2);
        find.AddEvtType(EventId::Clef);
        find.AddEvtType(EventId::Key);
        find.SetDepth(1);
        find.Apply(element);
        for (ECBase* mark : find.GetEvents()) {
            const MCTime* at = mark->GetTime();
            if (!at)
                continue;
            if (*at == m_regionEnd || !CheckTimeZeroEvent(mark))
                keep(mark);
        }
        return 1;
    }
    default:
        return 1;
    }
    // An initial mark goes only when one of its kind starts exactly at the end of the cut, which
    // the shift brings to time zero.
    if (!current || current == element)
        return 0;
    return *current->GetTime() == m_regionEnd ? 1 : 0;
}

int CCRemoveMeasure::Process()
{
    if (!CCBase::Process())
        return 0;
    DoRemoveMeasure();
    return 1;
}

void CCRemoveMeasure::DoRemoveMeasure()
{
    if (m_removeCount <= 0)
        return;
    ECConductor* conductor = GetConductor();
    std::vector<int> staves;
    for (ECBase* mark : m_keptMarks) {
        staves.push_back(staffOf(mark));
        mark->RemoveFromParents();
    }
    m_conductorStaff->RemoveMeasures(m_removeIndex, m_removeCount);
    DoRemove();
    m_conductorStaff->RebuildStaffCaches();

    ACDeltaTime shift(m_regionStart - m_regionEnd, m_regionStart, MCTime::TimeMax(), ACFindTime::openEnd);
    shift.Apply(GetTarget());
    ACSortChildren sort(3);
    sort.AddEvtType(EventId::ConductorStaff);
    sort.AddEvtType(EventId::Staff);
    sort.AddEvtType(EventId::WaveTrack);
    sort.SetDepth(1);
    sort.Apply(conductor);
    m_conductorStaff->RecalculateMaps();

    auto staff = staves.begin();
    for (ECBase* mark : m_keptMarks) {
        const int track = *staff++;
        ECMeasure* measure = nullptr;
        MCTime at = m_regionStart;
        if (m_regionStart == MCTime::TimeZero()) {
            // Into the new first bar.
            measure = conductor->GetMeasure(track, MCTime::TimeZero(), 0, 1);
            if (measure)
                at = *measure->GetTime();
        } else {
            // At the end of the bar before the cut.
            measure = conductor->GetMeasure(track, conductor->GetMeasureNumberBeforeTime(m_regionStart));
        }
        if (!measure)
            continue;
        mark->SetTime(&at);
        measure->AddChild(mark, 1);
    }
    m_keptMarks.RemoveAll();
}

int CCRemoveMeasure::Finish()
{
    if (!CCBase::Finish())
        return 0;
    CheckMeterRemove();
    return 1;
}

void CCRemoveMeasure::CheckMeterRemove()
{
    ECMeterEnv* map = m_conductorStaff ? m_conductorStaff->GetMeterEnv() : nullptr;
    if (!m_addedMeter || !map || map->GetIndexForPoint(m_addedMeter.get()) < 0)
        return;
    // It now follows the meter it was copied from: its removal changes no bar.
    const plat::RefPtr<CCRemoveMeter> remove(new CCRemoveMeter(m_addedMeter.get()));
    remove->SetSynchronous(1);
    remove->SetCanUndo(0);
    remove->Apply(GetTarget());
}

void CCRemoveMeasure::takeApartRemoved()
{
    for (const auto& item : GetItems()) {
        ECBase* element = item->GetChild();
        if (!element || !MCCommandHold::IsOutsidePieces(element))
            continue;
        // Another command that may put it back takes it apart when it lets go.
        if (element->GetCommandHolds() > 1) {
            element->SetTakeApartPending(true);
            continue;
        }
        if (auto* group = plat::dynamicDowncast<ECGroup>(element)) {
            group->RemoveGroupType(ECGroup::typeLockWhenParentless);
            group->RemoveGroupType(ECGroup::typeLocked);
        }
        element->RemoveChildren(1);
    }
    ClearItems();
}
