#include "notabase/commands/CCAddMeasure.h"

#include "notabase/actions/ACDeltaTime.h"
#include "notabase/actions/ACFindTime.h"
#include "notabase/actions/ACSortChildren.h"
#include "notabase/commands/CCRemoveMeasure.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandHold.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"

#include <algorithm>
#include <vector>

PLAT_IMPLEMENT_DYNCREATE(CCAddMeasure, CCAdd)

namespace {

// The staff a clef or key stands on: that of its measure, which holds whatever the mark's own
// voice/track word says.
int staffOf(ECBase* mark)
{
    ECBase* measure = mark->GetAncestor(EventId::Measure, 1);
    return (measure ? measure : mark)->GetTrack();
}

}  // namespace

CCAddMeasure::CCAddMeasure() = default;

CCAddMeasure::CCAddMeasure(int count, int index) : m_insertCount(count), m_insertIndex(index) {}

CCAddMeasure::~CCAddMeasure() = default;

int CCAddMeasure::GetCommandId()
{
    return CommandIds::CCAddMeasure;
}

CCAddItem* CCAddMeasure::Add(ECBase* child, ECBase* parent, const FCMidi& data)
{
    return CCAdd::Add(child, parent, data);
}

int CCAddMeasure::Prepare()
{
    if (!CCBase::Prepare())
        return 0;
    m_conductorStaff = GetConductor()->GetConductorStaff();
    if (!m_conductorStaff)
        return 0;
    const int last = m_conductorStaff->GetMaxMeasureNumber() - 1;
    if (m_insertIndex > last || m_insertIndex < 0)
        m_insertIndex = last + 1;
    CheckMeter();
    if (!m_meter)
        return 0;
    PrepareAdd();
    return 1;
}

void CCAddMeasure::CheckMeter()
{
    ECMeasure* bar = m_conductorStaff->GetMeasure(0, m_insertIndex + 1);
    m_insertTime = bar ? *bar->GetTime() : m_conductorStaff->GetMaxMeasureEndTime();
    // The meter of the bar before the insertion point; at the start, the first meter.
    ECConductor* conductor = GetConductor();
    m_meter.reset(m_insertTime == MCTime::TimeZero() ? conductor->GetMeterAtTime(m_insertTime)
                                                     : conductor->GetMeterBeforeTime(m_insertTime));
}

void CCAddMeasure::PrepareAdd()
{
    ECConductor* conductor = GetConductor();
    m_timeZeroMarks.RemoveAll();
    if (m_insertTime == MCTime::TimeZero()) {
        ACFindTime find(m_insertTime, m_insertTime, ACFindTime::closed);
        find.SetDepth(3);
        find.AddEvtType(EventId::Clef);
        find.AddEvtType(EventId::Key);
        find.Apply(conductor);
        for (ECBase* mark : find.GetEvents()) {
            // Only a mark that has a measure of its staff to go back to is lifted.
            if (conductor->GetMeasure(staffOf(mark), MCTime::TimeZero(), 0, 1))
                m_timeZeroMarks.AddTail(mark);
        }
    }
    m_measuresToInsert.RemoveAll();
    int bars = 0;
    for (const auto& item : GetItems()) {
        ECBase* child = item->GetChild();
        const int id = child ? child->GetEventId() : -1;
        if (id == EventId::ConductorMeasure || id == EventId::Measure)
            m_measuresToInsert.AddTail(child);
        bars += id == EventId::ConductorMeasure ? 1 : 0;
    }
    if (bars > 0)
        m_insertCount = bars;
    else
        // Without a bar among the given measures, new bars are made.
        m_measuresToInsert.RemoveAll();
}

int CCAddMeasure::Process()
{
    if (!CCBase::Process())
        return 0;
    DoAdd();
    m_conductorStaff->RebuildStaffCaches();
    return 1;
}

void CCAddMeasure::DoAdd()
{
    ECConductor* conductor = GetConductor();
    const int count = std::max(m_insertCount, 0);
    const MCTime delta(m_meter->GetMeasureLength() * static_cast<float>(count));
    // Out of the graph, the marks of time zero are not moved with the bars.
    std::vector<int> staves;
    for (ECBase* mark : m_timeZeroMarks) {
        staves.push_back(staffOf(mark));
        mark->RemoveFromParents();
    }
    ACDeltaTime shift(delta, m_insertTime, MCTime::TimeMax(), ACFindTime::openEnd);
    shift.Apply(GetTarget());
    ACSortChildren sort(3);
    sort.AddEvtType(EventId::ConductorStaff);
    sort.AddEvtType(EventId::Staff);
    sort.AddEvtType(EventId::WaveTrack);
    sort.SetDepth(1);
    sort.Apply(conductor);
    m_conductorStaff->RebuildStaffCaches();

    if (m_measuresToInsert.IsEmpty())
        m_conductorStaff->InsertMeasures(m_insertIndex, count, m_insertTime, m_meter.get());
    else
        m_conductorStaff->InsertMeasures(m_insertIndex, m_measuresToInsert, m_insertTime, m_meter.get());
    m_conductorStaff->RecalculateMaps();

    auto staff = staves.begin();
    for (ECBase* mark : m_timeZeroMarks) {
        ECMeasure* measure = conductor->GetMeasure(*staff++, MCTime::TimeZero(), 0, 1);
        mark->SetTime(measure->GetTime());
        measure->AddChild(mark, 1);
    }
    m_timeZeroMarks.RemoveAll();
    m_conductorStaff->RebuildStaffCaches();
}

void CCAddMeasure::Undo()
{
    plat::RefPtr<CCRemoveMeasure> remove(new CCRemoveMeasure(m_insertCount, m_insertIndex));
    remove->SetSynchronous(1);
    remove->Apply(GetTarget());
    // A redo puts back these very bars rather than new ones: the steps after this one on the
    // redo stack name their measures.
    for (const auto& item : remove->GetItems()) {
        ECBase* element = item->GetChild();
        const int id = element ? element->GetEventId() : -1;
        if ((id != EventId::Measure && id != EventId::ConductorMeasure) || !MCCommandHold::IsOutsidePieces(element))
            continue;
        const bool held = std::any_of(GetItems().begin(), GetItems().end(),
                                      [element](const auto& own) { return own->GetChild() == element; });
        if (!held)
            CCAdd::Add(element, nullptr, FCMidi::MidiNull());
    }
    remove->takeApartRemoved();
}
