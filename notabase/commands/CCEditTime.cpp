#include "notabase/commands/CCEditTime.h"

#include "notabase/commands/CCEditTimeItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorMeasure.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/values/MCTime.h"
#include "platform/core/RefPtr.h"

#include <unordered_set>
#include <vector>

PLAT_IMPLEMENT_DYNCREATE(CCEditTime, CCEdit)

CCEditTime::CCEditTime(ECBase* element, const MCTime* time)
{
    CCEditTime::EditTime(element, time);
}

int CCEditTime::GetCommandId()
{
    return CommandIds::CCEditTime;
}

CCEditItem* CCEditTime::EditEvent(ECBase*)
{
    return nullptr;
}

CCEditTimeItem* CCEditTime::EditTime(ECBase* element, const MCTime* time)
{
    if (!element || !time)
        return nullptr;
    if (auto* same = dynamic_cast<CCEditTimeItem*>(FindEditItem(element)))
        return same;
    auto item = std::make_unique<CCEditTimeItem>(element, time);
    CCEditTimeItem* made = item.get();
    AddEditItem(std::move(item), element);
    return made;
}

void CCEditTime::AppendMissingBars()
{
    m_appendedIndex = 0;
    m_appendedCount = 0;
    ECConductor* conductor = GetConductor();
    ECConductorStaff* bars = conductor ? conductor->GetConductorStaff() : nullptr;
    if (!bars)
        return;
    std::vector<CCEditTimeItem*> moving;
    for (const auto& edit : GetEditList()) {
        auto* item = dynamic_cast<CCEditTimeItem*>(edit.get());
        if (item && item->GetMissingBarTrack() >= 0)
            moving.push_back(item);
    }
    if (moving.empty())
        return;
    const int before = bars->GetMaxMeasureNumber();
    // The bars an undo took away come back as they were.
    MCEventList gone(10);
    bool barGone = false;
    for (ECBase* element : m_appendedBars) {
        if (element->GetParents()->IsEmpty()) {
            gone.AddTail(element);
            barGone = barGone || element->GetEventId() == EventId::ConductorMeasure;
        }
    }
    if (barGone) {
        const MCTime end = bars->GetMaxMeasureEndTime();
        bars->InsertMeasures(-1, gone, end, conductor->GetMeterAtTime(end));
    }
    for (CCEditTimeItem* item : moving)
        item->SetNewParent(conductor->GetMeasure(item->GetMissingBarTrack(), item->GetNewTime(), 1, 1));
    const int after = bars->GetMaxMeasureNumber();
    // A redo finds its bars listed already: looked up in a set, not by a walk of the list each.
    std::unordered_set<const ECBase*> listed;
    if (after > before) {
        listed.reserve(static_cast<size_t>(m_appendedBars.GetCount()));
        for (const ECBase* element : m_appendedBars)
            listed.insert(element);
    }
    for (int number = before + 1; number <= after; ++number) {
        auto* bar = plat::dynamicDowncast<ECConductorMeasure>(bars->GetMeasure(0, number));
        if (!bar || listed.count(bar))
            continue;
        m_appendedBars.AddTail(bar);
        for (ECMeasure* measure : bar->GetMeasures()) {
            if (measure && measure != bar)
                m_appendedBars.AddTail(measure);
        }
    }
    m_appendedIndex = before;
    m_appendedCount = after - before;
}

int CCEditTime::Process()
{
    if (!CCBase::Process())
        return 0;
    AppendMissingBars();
    const std::vector<std::pair<plat::RefPtr<ECBase>, MCTime>> later = TempoMarksAfterZero();
    const int recordOld = IsRecordedForUndo();
    // Elements going back to their places go in the reverse order of their leaving, so that each
    // finds its place as it left it.
    for (auto it = GetEditList().rbegin(); it != GetEditList().rend(); ++it) {
        auto* item = dynamic_cast<CCEditTimeItem*>(it->get());
        if (item && item->IsReturn())
            item->Process(recordOld);
    }
    MCEventList parents;
    std::unordered_set<ECBase*> collected;
    std::vector<int> types;
    for (const auto& edit : GetEditList()) {
        auto* item = dynamic_cast<CCEditTimeItem*>(edit.get());
        if (item && item->IsReturn())
            continue;
        edit->Process(recordOld);
        if (!item || item->GetNewParent())
            continue;
        types.clear();
        item->GetEvent()->GetParentTypes(types);
        ECBase* parent = FindAncestorOf(item->GetEvent(), types);
        if (parent && collected.insert(parent).second)
            parents.AddTail(parent);
    }
    SortChildrenByTime(parents);
    TrimBars();
    m_movedToZero.clear();
    for (const auto& [mark, time] : later) {
        if (*mark->GetTime() == MCTime::TimeZero())
            m_movedToZero.emplace_back(mark, time);
    }
    return 1;
}

std::vector<std::pair<plat::RefPtr<ECBase>, MCTime>> CCEditTime::TempoMarksAfterZero()
{
    std::vector<std::pair<plat::RefPtr<ECBase>, MCTime>> later;
    std::unordered_set<ECBase*> seen;
    for (const auto& edit : GetEditList()) {
        ECBase* element = edit->GetEvent();
        if (!element || !element->GetParents())
            continue;
        for (ECBase* parent : *element->GetParents()) {
            if (!plat::dynamicDowncast<ECTempoEnv>(parent))
                continue;
            for (ECBase* mark : *parent->GetChildren()) {
                if (seen.insert(mark).second && !FindEditItem(mark) && *mark->GetTime() > MCTime::TimeZero())
                    later.emplace_back(mark, *mark->GetTime());
            }
        }
    }
    return later;
}

void CCEditTime::TrimBars()
{
    ECConductor* conductor = GetConductor();
    ECConductorStaff* bars = conductor ? conductor->GetConductorStaff() : nullptr;
    if (!bars || m_trimCount <= 0)
        return;
    for (int index = m_trimIndex + m_trimCount - 1; index >= m_trimIndex; --index) {
        if (index != bars->GetMaxMeasureNumber() - 1)
            break;
        ECConductorMeasure* bar = plat::dynamicDowncast<ECConductorMeasure>(bars->GetMeasure(0, index + 1));
        if (!bar || (bar->GetFlags() & ECBase::flagHasChildren))
            break;
        std::vector<plat::RefPtr<ECMeasure>> measures;
        bool empty = true;
        for (ECMeasure* measure : bar->GetMeasures()) {
            if (!measure || measure == bar)
                continue;
            empty = empty && !(measure->GetFlags() & ECBase::flagHasChildren);
            measures.emplace_back(measure);
        }
        if (!empty)
            break;
        const plat::RefPtr<ECBase> holdBar(bar);
        bars->RemoveMeasures(index, 1);
        for (const auto& measure : measures)
            measure->RemoveFromParents();
        bar->RemoveFromParents();
    }
    m_trimCount = 0;
}

void CCEditTime::Undo()
{
    if (GetEditList().empty())
        return;
    plat::RefPtr<CCEditTime> inverse(new CCEditTime);
    inverse->SetSynchronous(IsSynchronous());
    for (const auto& edit : GetEditList()) {
        const auto* item = dynamic_cast<const CCEditTimeItem*>(edit.get());
        if (!item)
            continue;
        if (CCEditTimeItem* back = inverse->EditTime(item->GetEvent(), &item->GetOldTime()))
            back->ReturnAs(*item);
    }
    // After the moved marks have returned, one of them at 0 again, the marks the map brought
    // there go back to their times.
    for (const auto& [mark, time] : m_movedToZero)
        inverse->EditTime(mark.get(), &time);
    inverse->m_trimIndex = m_appendedIndex;
    inverse->m_trimCount = m_appendedCount;
    inverse->Apply(GetTarget());
}
