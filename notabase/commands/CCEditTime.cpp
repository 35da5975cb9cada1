#include "notabase/commands/CCEditTime.h"

#include "notabase/commands/CCEditTimeItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorMeasure.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/values/MCTime.h"
#include "platform/core/RefPtr.h"

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
    for (const auto& item : GetEditList()) {
        if (auto* same = dynamic_cast<CCEditTimeItem*>(item.get()); same && same->GetEvent() == element)
            return same;
    }
    auto item = std::make_unique<CCEditTimeItem>(element, time);
    CCEditTimeItem* made = item.get();
    AddEditItem(std::move(item));
    return made;
}

void CCEditTime::AppendMissingBars()
{
    m_appendedIndex = 0;
    m_appendedCount = 0;
    ECConductor* conductor = GetConductor();
    if (!conductor)
        return;
    const int before = conductor->GetMaxMeasureNumber();
    for (const auto& edit : GetEditList()) {
        auto* item = dynamic_cast<CCEditTimeItem*>(edit.get());
        if (item && item->GetMissingBarTrack() >= 0)
            item->SetNewParent(conductor->GetMeasure(item->GetMissingBarTrack(), item->GetNewTime(), 1, 1));
    }
    m_appendedIndex = before;
    m_appendedCount = conductor->GetMaxMeasureNumber() - before;
}

int CCEditTime::Process()
{
    if (!CCBase::Process())
        return 0;
    AppendMissingBars();
    const int recordOld = IsRecordedForUndo();
    MCEventList parents;
    std::vector<int> types;
    for (const auto& edit : GetEditList()) {
        edit->Process(recordOld);
        auto* item = dynamic_cast<CCEditTimeItem*>(edit.get());
        if (!item || item->GetNewParent())
            continue;
        types.clear();
        item->GetEvent()->GetParentTypes(types);
        ECBase* parent = FindAncestorOf(item->GetEvent(), types);
        if (parent && !parents.Find(parent))
            parents.AddTail(parent);
    }
    SortChildrenByTime(parents);
    TrimBars();
    return 1;
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
        if (const auto* item = dynamic_cast<const CCEditTimeItem*>(edit.get()))
            inverse->EditTime(item->GetEvent(), &item->GetOldTime());
    }
    inverse->m_trimIndex = m_appendedIndex;
    inverse->m_trimCount = m_appendedCount;
    inverse->Apply(GetTarget());
}
