#include "notabase/commands/CCRemoveEnvPoint.h"

#include "notabase/commands/CCAddEnvPoint.h"
#include "notabase/commands/CCAddEnvPtItem.h"
#include "notabase/commands/CCAddTempo.h"
#include "notabase/commands/CCRemoveEnvPtItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/EventTypes.h"
#include "notabase/values/FCMidi.h"
#include "platform/core/RefPtr.h"

PLAT_IMPLEMENT_DYNCREATE(CCRemoveEnvPoint, CCRemove)

CCRemoveEnvPoint::CCRemoveEnvPoint(ECEnvPoint* point)
{
    CCRemoveEnvPoint::Remove(point);
}

int CCRemoveEnvPoint::GetCommandId()
{
    return CommandIds::CCRemoveEnvPoint;
}

CCRemoveItem* CCRemoveEnvPoint::Remove(ECBase* element)
{
    if (!element || FindRemovePosition(element) >= 0)
        return nullptr;
    CCRemoveItem* item = AddItem(std::make_unique<CCRemoveEnvPtItem>(element));
    DiscardMirrors(element);
    return item;
}

int CCRemoveEnvPoint::Prepare()
{
    if (!CCBase::Prepare())
        return 0;
    for (size_t i = 0; i < GetItems().size();) {
        auto* item = dynamic_cast<CCRemoveEnvPtItem*>(GetItems()[i].get());
        if (item && PrepareItem(item))
            ++i;
        else
            DropItem(i);
    }
    return 1;
}

int CCRemoveEnvPoint::PrepareItem(CCRemoveEnvPtItem* item)
{
    for (const auto& other : GetItems()) {
        auto* otherItem = dynamic_cast<CCRemoveEnvPtItem*>(other.get());
        if (!otherItem || otherItem == item || !otherItem->GetAnchorList())
            continue;
        if (otherItem->GetAnchorList()->Find(item->GetChild()))
            return 0;
    }
    auto* envelope = plat::dynamicDowncast<ECEnvelope>(item->GetParent());
    auto* point = plat::dynamicDowncast<ECEnvPoint>(item->GetChild());
    if (envelope && point) {
        if (const MCEventList* group = envelope->GetAnchorGroup(point))
            item->SetAnchorList(group);
    }
    return 1;
}

int CCRemoveEnvPoint::Process()
{
    if (!CCRemove::Process())
        return 0;
    for (const auto& item : GetItems()) {
        if (auto* pointItem = dynamic_cast<CCRemoveEnvPtItem*>(item.get()))
            ProcessItem(pointItem);
    }
    return 1;
}

int CCRemoveEnvPoint::ProcessItem(CCRemoveEnvPtItem* item)
{
    MCEventList* anchors = item->GetAnchorList();
    if (!anchors)
        return 1;
    ECBase* own = item->GetChild();
    for (ECBase* point : *anchors) {
        if (point != own)
            point->RemoveFromParents();
    }
    auto* envelope = plat::dynamicDowncast<ECEnvelope>(item->GetParent());
    auto* point = plat::dynamicDowncast<ECEnvPoint>(own);
    if (!envelope || !point)
        return 1;
    if (const MCEventList* group = envelope->GetAnchorGroup(point)) {
        item->SetGroupIndex(envelope->GetAnchorGroupIndex(group));
        envelope->RemoveAnchorGroup(group);
    } else {
        // Another removal run before this one took the group (both ends of a span selected):
        // that one puts it back.
        item->ForgetAnchorList();
    }
    auto* tempoMap = plat::dynamicDowncast<ECTempoEnv>(envelope);
    if (!tempoMap)
        return 1;
    // A pause at 0 had pushed the mark standing there just before 0.
    auto* tempo = plat::dynamicDowncast<ECTempo>(own);
    if (tempo && tempo->GetTempoType() == ECTempo::typePause && *tempo->GetTime() == MCTime::TimeZero()) {
        if (ECEnvPoint* before = tempoMap->GetPointBefore(MCTime::TimeZero()))
            before->SetTime(&MCTime::TimeZero());
    }
    // The marks of a pause took their tempos from their group.
    tempoMap->RecalculateClockTimes();
    return 1;
}

void CCRemoveEnvPoint::Undo()
{
    if (GetItems().empty())
        return;
    plat::RefPtr<CCAddEnvPoint> points;
    plat::RefPtr<CCAddTempo> tempos;
    for (const auto& item : GetItems()) {
        auto* pointItem = dynamic_cast<CCRemoveEnvPtItem*>(item.get());
        if (!pointItem || !plat::dynamicDowncast<ECEnvPoint>(pointItem->GetChild()) || !pointItem->GetParent())
            continue;
        CCAddEnvPoint* inverse = nullptr;
        if (pointItem->GetChild()->GetEventId() == EventId::Tempo) {
            if (!tempos) {
                tempos.reset(new CCAddTempo);
                tempos->SetRestoring(1);
            }
            inverse = tempos.get();
        } else {
            if (!points)
                points.reset(new CCAddEnvPoint);
            inverse = points.get();
        }
        inverse->SetSynchronous(IsSynchronous());
        if (auto* back = dynamic_cast<CCAddEnvPtItem*>(
                inverse->Add(pointItem->GetChild(), pointItem->GetParent(), FCMidi::MidiNull()))) {
            back->SetAnchorList(pointItem->GetAnchorList());
            back->SetGroupIndex(pointItem->GetGroupIndex());
        }
    }
    // The mirrors of removed tempo marks come back with the marks.
    if (tempos)
        GiveBackMirrors(*tempos);
    else if (points)
        GiveBackMirrors(*points);
    if (points)
        points->Apply(GetTarget());
    if (tempos)
        tempos->Apply(GetTarget());
}
