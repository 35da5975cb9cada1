#include "notabase/commands/CCAddEnvPoint.h"

#include "notabase/commands/CCAddEnvPtItem.h"
#include "notabase/commands/CCRemoveEnvPoint.h"
#include "notabase/commands/CCRemoveEnvPtItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECTempoEnv.h"
#include "platform/core/RefPtr.h"

#include <algorithm>
#include <vector>

PLAT_IMPLEMENT_DYNCREATE(CCAddEnvPoint, CCAdd)

int CCAddEnvPoint::GetCommandId()
{
    return CommandIds::CCAddEnvPoint;
}

CCAddItem* CCAddEnvPoint::Add(ECBase* point, ECBase* envelope, const FCMidi& data)
{
    return AddItem(std::make_unique<CCAddEnvPtItem>(point, envelope, data));
}

int CCAddEnvPoint::Prepare()
{
    if (!CCBase::Prepare())
        return 0;
    m_carried.Clear();
    for (const auto& item : GetItems()) {
        if (auto* pointItem = dynamic_cast<CCAddEnvPtItem*>(item.get()))
            m_carried.Count(pointItem->GetAnchorList(), 1);
    }
    for (size_t i = 0; i < GetItems().size();) {
        auto* item = dynamic_cast<CCAddEnvPtItem*>(GetItems()[i].get());
        const MCEventList* had = item ? item->GetAnchorList() : nullptr;
        if (item && PrepareItem(item)) {
            // A list the item was given as it was prepared counts for the items after it.
            if (!had)
                m_carried.Count(item->GetAnchorList(), 1);
            ++i;
        } else {
            // A dropped item brings nothing along.
            m_carried.Count(had, -1);
            DropItem(i);
        }
    }
    m_carried.Clear();
    return 1;
}

int CCAddEnvPoint::PrepareItem(CCAddEnvPtItem* item)
{
    return m_carried.ByOther(item->GetChild(), item->GetAnchorList()) ? 0 : 1;
}

int CCAddEnvPoint::Process()
{
    // The tempo maps take their marks as one batch: the pause tempos are set once at its end.
    std::vector<ECTempoEnv*> maps;
    for (const auto& item : GetItems()) {
        auto* map = plat::dynamicDowncast<ECTempoEnv>(item->GetParent());
        if (map && std::find(maps.begin(), maps.end(), map) == maps.end()) {
            maps.push_back(map);
            map->BeginBatch();
        }
    }
    const int result = CCAdd::Process();
    if (result) {
        // Groups put back by an undo go in at the places they had before the removal, the first
        // place first, so that each finds the groups before it in place; new groups follow, in
        // the order of their items.
        std::vector<CCAddEnvPtItem*> items;
        for (const auto& item : GetItems()) {
            if (auto* pointItem = dynamic_cast<CCAddEnvPtItem*>(item.get()))
                items.push_back(pointItem);
        }
        std::stable_sort(items.begin(), items.end(), [](const CCAddEnvPtItem* a, const CCAddEnvPtItem* b) {
            return static_cast<unsigned>(a->GetGroupIndex()) < static_cast<unsigned>(b->GetGroupIndex());
        });
        for (CCAddEnvPtItem* item : items)
            ProcessItem(item);
    }
    for (ECTempoEnv* map : maps)
        map->EndBatch();
    return result;
}

int CCAddEnvPoint::ProcessItem(CCAddEnvPtItem* item)
{
    MCEventList* anchors = item->GetAnchorList();
    auto* envelope = plat::dynamicDowncast<ECEnvelope>(item->GetParent());
    if (!anchors || !envelope)
        return 1;
    // A group is registered once, whoever brings it.
    if (auto* point = plat::dynamicDowncast<ECEnvPoint>(item->GetChild()); point && envelope->GetAnchorGroup(point))
        return 1;
    bool head = true;
    for (ECBase* element : *anchors) {
        if (auto* point = plat::dynamicDowncast<ECEnvPoint>(element)) {
            point->SetAnchor(1);
            point->SetAnchorHead(head ? 1 : 0);
        }
        head = false;
        if (element != item->GetChild())
            envelope->AddChild(element, 1);
    }
    envelope->InsertAnchorGroup(item->GetGroupIndex(), anchors);
    // The marks of a pause take their tempos from their group.
    if (auto* tempoMap = plat::dynamicDowncast<ECTempoEnv>(envelope))
        tempoMap->GroupChanged(*anchors);
    return 1;
}

float CCAddEnvPoint::ClampMidi(float value)
{
    if (!(value > 0.0f))
        return 0.0f;
    return value >= 127.0f ? 127.0f : value;
}

void CCAddEnvPoint::SetSpan(CCAddEnvPtItem* item, ECEnvPoint* end, float endValue)
{
    ECBase* point = item->GetChild();
    const plat::RefPtr<ECBase> hold(end);
    end->Copy(point);
    const MCTime endTime = *point->GetTime() + *point->GetDuration();
    end->SetTime(&endTime);
    end->SetDuration(&MCTime::TimeZero());
    end->SetValue(endValue);
    end->SetStyle(ECEnvPoint::styleStep);
    MCEventList anchors(10);
    anchors.AddTail(point);
    anchors.AddTail(end);
    item->SetAnchorList(&anchors);
}

void CCAddEnvPoint::Undo()
{
    if (GetItems().empty())
        return;
    plat::RefPtr<CCRemoveEnvPoint> inverse(new CCRemoveEnvPoint);
    inverse->SetSynchronous(IsSynchronous());
    for (const auto& item : GetItems()) {
        auto* pointItem = dynamic_cast<CCAddEnvPtItem*>(item.get());
        if (!pointItem || !plat::dynamicDowncast<ECEnvPoint>(pointItem->GetChild()))
            continue;
        if (auto* back = dynamic_cast<CCRemoveEnvPtItem*>(inverse->Remove(pointItem->GetChild()))) {
            back->SetParent(pointItem->GetParent());
            back->SetAnchorList(pointItem->GetAnchorList());
        }
    }
    inverse->Apply(GetTarget());
}
