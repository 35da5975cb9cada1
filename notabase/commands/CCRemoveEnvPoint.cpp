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

#include <algorithm>
#include <vector>

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
    if (!element || IsRemoving(element))
        return nullptr;
    CCRemoveItem* item = AddItem(std::make_unique<CCRemoveEnvPtItem>(element));
    DiscardMirrors(element);
    return item;
}

int CCRemoveEnvPoint::Prepare()
{
    if (!CCBase::Prepare())
        return 0;
    m_carried.Clear();
    for (const auto& item : GetItems()) {
        if (auto* pointItem = dynamic_cast<CCRemoveEnvPtItem*>(item.get()))
            m_carried.Count(pointItem->GetAnchorList(), 1);
    }
    for (size_t i = 0; i < GetItems().size();) {
        auto* item = dynamic_cast<CCRemoveEnvPtItem*>(GetItems()[i].get());
        const MCEventList* had = item ? item->GetAnchorList() : nullptr;
        if (item && PrepareItem(item)) {
            // The group the item took counts for the items after it.
            if (!had)
                m_carried.Count(item->GetAnchorList(), 1);
            ++i;
        } else {
            // A dropped item takes nothing with it.
            m_carried.Count(had, -1);
            DropItem(i);
        }
    }
    m_carried.Clear();
    return 1;
}

int CCRemoveEnvPoint::PrepareItem(CCRemoveEnvPtItem* item)
{
    if (m_carried.ByOther(item->GetChild(), item->GetAnchorList()))
        return 0;
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
    // A point that an earlier command of the same run took out (the other end of its span) is
    // not this command's to put back.
    m_alreadyOut.clear();
    for (const auto& item : GetItems()) {
        const MCEventList* parents = item->GetChild()->GetParents();
        if (parents && parents->IsEmpty())
            m_alreadyOut.emplace_back(item->GetChild());
    }
    // The times of the marks of the tempo maps the points leave: the first mark of a map always
    // stands at 0, so removing it moves the next one there. Only a mark that becomes the first
    // can move, and with k marks going that is one of the first k + 1.
    m_movedToZero.clear();
    std::vector<std::pair<ECTempoEnv*, int>> maps;
    for (const auto& item : GetItems()) {
        auto* tempoMap = plat::dynamicDowncast<ECTempoEnv>(item->GetParent());
        if (!tempoMap)
            continue;
        auto map = std::find_if(maps.begin(), maps.end(), [tempoMap](const auto& m) { return m.first == tempoMap; });
        if (map == maps.end())
            map = maps.insert(maps.end(), {tempoMap, 1});
        auto* pointItem = dynamic_cast<CCRemoveEnvPtItem*>(item.get());
        const MCEventList* anchors = pointItem ? pointItem->GetAnchorList() : nullptr;
        map->second += 1 + (anchors ? anchors->GetCount() : 0);
    }
    std::vector<std::pair<plat::RefPtr<ECBase>, MCTime>> later;
    for (const auto& [tempoMap, reach] : maps) {
        int left = reach;
        for (ECBase* mark : *tempoMap->GetChildren()) {
            if (left-- == 0)
                break;
            if (*mark->GetTime() > MCTime::TimeZero())
                later.emplace_back(mark, *mark->GetTime());
        }
        // Their pause tempos are set once, when the last of them has gone.
        tempoMap->BeginBatch();
    }
    const int removed = CCRemove::Process();
    if (removed) {
        for (CCRemoveEnvPtItem* item : lastPlaceFirst())
            ProcessItem(item);
    }
    for (const auto& [tempoMap, reach] : maps)
        tempoMap->EndBatch();
    if (!removed)
        return 0;
    for (auto& [mark, time] : later) {
        if (*mark->GetTime() != MCTime::TimeZero())
            continue;
        // A removed mark keeps its own time (the other end of a removed span may have been moved
        // before it left); one that stays is put back by Undo.
        if (mark->GetParents() && !mark->GetParents()->IsEmpty())
            m_movedToZero.emplace_back(std::move(mark), time);
        else
            mark->SetTime(&time);
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
    auto* tempoMap = plat::dynamicDowncast<ECTempoEnv>(envelope);
    if (const MCEventList* group = envelope->GetAnchorGroup(point)) {
        // The marks of a pause took their tempos from their group.
        if (tempoMap)
            tempoMap->GroupChanged(*group);
        item->SetGroupIndex(envelope->GetAnchorGroupIndex(group));
        envelope->RemoveAnchorGroup(group);
    } else {
        // Another removal run before this one took the group (both ends of a span selected):
        // that one puts it back.
        item->ForgetAnchorList();
    }
    if (!tempoMap)
        return 1;
    // A pause at 0 had pushed the mark standing there just before 0.
    auto* tempo = plat::dynamicDowncast<ECTempo>(own);
    if (tempo && tempo->GetTempoType() == ECTempo::typePause && *tempo->GetTime() == MCTime::TimeZero()) {
        if (ECEnvPoint* before = tempoMap->GetPointBefore(MCTime::TimeZero()))
            before->SetTime(&MCTime::TimeZero());
    }
    return 1;
}

std::vector<CCRemoveEnvPtItem*> CCRemoveEnvPoint::lastPlaceFirst()
{
    std::vector<CCRemoveEnvPtItem*> items;
    // The items whose groups leave, with their groups' places, and where they stand in items.
    std::vector<std::pair<int, size_t>> grouped;
    for (const auto& item : GetItems()) {
        auto* pointItem = dynamic_cast<CCRemoveEnvPtItem*>(item.get());
        if (!pointItem)
            continue;
        auto* envelope = plat::dynamicDowncast<ECEnvelope>(pointItem->GetParent());
        auto* point = plat::dynamicDowncast<ECEnvPoint>(pointItem->GetChild());
        const MCEventList* group = envelope && point && pointItem->GetAnchorList() ? envelope->GetAnchorGroup(point) : nullptr;
        if (group)
            grouped.emplace_back(envelope->GetAnchorGroupIndex(group), items.size());
        items.push_back(pointItem);
    }
    // The grouped items take the places among items that grouped items had, the last place first.
    std::vector<CCRemoveEnvPtItem*> byPlace;
    byPlace.reserve(grouped.size());
    std::vector<std::pair<int, size_t>> sorted = grouped;
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [place, at] : sorted)
        byPlace.push_back(items[at]);
    for (size_t i = 0; i < grouped.size(); ++i)
        items[grouped[i].second] = byPlace[i];
    return items;
}

void CCRemoveEnvPoint::Undo()
{
    if (GetItems().empty())
        return;
    plat::RefPtr<CCAddEnvPoint> points;
    plat::RefPtr<CCAddTempo> tempos;
    std::vector<CCRemoveEnvPtItem*> removed;
    for (const auto& item : GetItems()) {
        auto* pointItem = dynamic_cast<CCRemoveEnvPtItem*>(item.get());
        if (!pointItem || !plat::dynamicDowncast<ECEnvPoint>(pointItem->GetChild()) || !pointItem->GetParent())
            continue;
        const bool out = std::any_of(m_alreadyOut.begin(), m_alreadyOut.end(),
                                     [pointItem](const auto& point) { return point.get() == pointItem->GetChild(); });
        if (!out)
            removed.push_back(pointItem);
    }
    // A span comes back through its first mark, and the marks earliest first: a tempo map whose
    // marks all went moves the first mark that comes back to time 0.
    auto comesBackAs = [](CCRemoveEnvPtItem* item) {
        const MCEventList* anchors = item->GetAnchorList();
        ECBase* head = anchors && !anchors->IsEmpty() ? anchors->GetHead() : nullptr;
        return head && plat::dynamicDowncast<ECEnvPoint>(head) ? head : item->GetChild();
    };
    std::stable_sort(removed.begin(), removed.end(), [&comesBackAs](CCRemoveEnvPtItem* a, CCRemoveEnvPtItem* b) {
        return *comesBackAs(a)->GetTime() < *comesBackAs(b)->GetTime();
    });
    for (CCRemoveEnvPtItem* pointItem : removed) {
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
                inverse->Add(comesBackAs(pointItem), pointItem->GetParent(), FCMidi::MidiNull()))) {
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
    if (tempos) {
        for (auto& [mark, time] : m_movedToZero)
            mark->SetTime(&time);
        tempos->Apply(GetTarget());
    }
    m_movedToZero.clear();
}
