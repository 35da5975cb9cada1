#include "notabase/commands/CCAddEnvPoint.h"

#include "notabase/commands/CCAddEnvPtItem.h"
#include "notabase/commands/CCRemoveEnvPoint.h"
#include "notabase/commands/CCRemoveEnvPtItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECTempoEnv.h"
#include "platform/core/RefPtr.h"

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
    for (size_t i = 0; i < GetItems().size();) {
        auto* item = dynamic_cast<CCAddEnvPtItem*>(GetItems()[i].get());
        if (item && PrepareItem(item))
            ++i;
        else
            DropItem(i);
    }
    return 1;
}

int CCAddEnvPoint::PrepareItem(CCAddEnvPtItem* item)
{
    for (const auto& other : GetItems()) {
        auto* otherItem = dynamic_cast<CCAddEnvPtItem*>(other.get());
        if (!otherItem || otherItem == item || !otherItem->GetAnchorList())
            continue;
        if (otherItem->GetAnchorList()->Find(item->GetChild()))
            return 0;
    }
    return 1;
}

int CCAddEnvPoint::Process()
{
    if (!CCAdd::Process())
        return 0;
    for (const auto& item : GetItems()) {
        if (auto* pointItem = dynamic_cast<CCAddEnvPtItem*>(item.get()))
            ProcessItem(pointItem);
    }
    return 1;
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
        tempoMap->RecalculateClockTimes();
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
