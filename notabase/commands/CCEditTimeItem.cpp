#include "notabase/commands/CCEditTimeItem.h"

#include "notabase/commands/CCEditDurItem.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECTuplet.h"

CCEditTimeItem::CCEditTimeItem(ECBase* element, const MCTime* time) : m_newTime(time ? *time : MCTime::TimeNull())
{
    SetEvent(element);
    if (!element || element->GetEventId() == EventId::GraceNote)
        return;
    ECBase* measure = element->GetAncestor(EventId::Measure, -1);
    if (!measure)
        return;
    const int track = measure->GetTrack();
    auto* conductor = plat::dynamicDowncast<ECConductor>(element->GetAncestor(EventId::Conductor, -1));
    ECMeasure* target = conductor ? conductor->GetMeasure(track, m_newTime, 0, 1) : nullptr;
    auto* tuplet = plat::dynamicDowncast<ECTuplet>(element->GetAncestor(EventId::Tuplet, -1));
    ECBase* chord = element->GetAncestor(EventId::Chord, -1);
    if (!target && conductor && m_newTime >= MCTime::TimeZero()) {
        // Past the last bar: the command appends bars when it runs.
        m_missingBarTrack = track;
    } else if (target != measure || tuplet || chord) {
        m_newParent.reset(target);
    }
    m_oldTuplet.reset(tuplet);
}

CCEditTimeItem::~CCEditTimeItem() = default;

void CCEditTimeItem::Process(int recordOld)
{
    ECBase* element = GetEvent();
    if (!element || m_newTime == MCTime::TimeNull())
        return;
    if (recordOld && m_oldTime == MCTime::TimeNull()) {
        m_oldTime = *element->GetTime();
        recordPlaces();
    }
    if (IsReturn()) {
        returnToPlaces();
        return;
    }
    // A bar that could not be made leaves the element where it is.
    if (m_missingBarTrack >= 0 && !m_newParent)
        return;
    ECBase* parent = m_newParent.get();
    if (!parent) {
        moveInPlace();
        return;
    }
    const plat::RefPtr<ECBase> hold(element);
    element->SetTime(&m_newTime);
    element->RemoveFromParents();
    if (m_oldTuplet) {
        // The element takes a tuplet like the one it left to its new place.
        auto* tuplet = new ECTuplet(*m_oldTuplet);
        const plat::RefPtr<ECBase> holdTuplet(tuplet);
        tuplet->SetTime(&m_newTime);
        tuplet->AddChild(element, 1);
        parent->AddChild(tuplet, 1);
    } else {
        parent->AddChild(element, 1);
    }
}

void CCEditTimeItem::moveInPlace()
{
    ECBase* element = GetEvent();
    MCEventList group;
    if (CCEditDurItem::GetSpanGroup(element, group)) {
        ECBase* first = group.GetHead();
        ECBase* last = group.GetTail();
        if (element == first) {
            // The span keeps its end.
            const MCTime duration = *last->GetTime() - m_newTime;
            element->SetTime(&m_newTime);
            element->SetDuration(&duration);
            return;
        }
        if (element == last) {
            // The span keeps its start.
            const MCTime duration = m_newTime - *first->GetTime();
            first->SetDuration(&duration);
            element->SetTime(&m_newTime);
            return;
        }
    }
    element->SetTime(&m_newTime);
}

CCEditTimeItem::Places CCEditTimeItem::placesOf(ECBase* element)
{
    Places found{plat::RefPtr<ECBase>(element), {}};
    for (ECBase* parent : *element->GetParents()) {
        int index = 0;
        for (ECBase* child : *parent->GetChildren()) {
            if (child == element)
                break;
            ++index;
        }
        found.places.push_back({plat::RefPtr<ECBase>(parent), index});
    }
    return found;
}

void CCEditTimeItem::recordPlaces()
{
    // Only what stands in a measure changes places; a point of an envelope keeps its span by its
    // own rules, a grace note its note.
    ECBase* element = GetEvent();
    if (element->GetEventId() == EventId::GraceNote || !element->GetAncestor(EventId::Measure, -1))
        return;
    m_places.push_back(placesOf(element));
    for (ECBase* parent : *element->GetParents()) {
        const int id = parent->GetEventId();
        if (id == EventId::Chord || id == EventId::Tuplet)
            m_places.push_back(placesOf(parent));
    }
}

void CCEditTimeItem::ReturnAs(const CCEditTimeItem& done)
{
    m_returnPlaces = done.m_places;
}

void CCEditTimeItem::returnToPlaces()
{
    ECBase* element = GetEvent();
    const plat::RefPtr<ECBase> hold(element);
    element->SetTime(&m_newTime);
    // Leaving a tuplet copy made for it empties it, and the copy goes.
    element->RemoveFromParents();
    // The chords and tuplets it left first, where they went with it.
    for (size_t i = 1; i < m_returnPlaces.size(); ++i) {
        const Places& container = m_returnPlaces[i];
        if (!container.element->GetParents()->IsEmpty())
            continue;
        for (const Place& place : container.places)
            placeAt(place.parent.get(), container.element.get(), place.index);
    }
    for (const Place& place : m_returnPlaces.front().places)
        placeAt(place.parent.get(), element, place.index);
}

void CCEditTimeItem::placeAt(ECBase* parent, ECBase* child, int index)
{
    MCEventList* children = parent->GetChildren();
    if (!children)
        return;
    if (!children->Find(child))
        parent->AddChild(child, 1);
    MCPosition at = children->Find(child);
    if (!at || index < 0 || index >= children->GetCount() || children->FindIndex(index) == at)
        return;
    // Only among children of the child's own time: the time order stays.
    const MCPosition target = children->FindIndex(index);
    const MCTime* own = child->GetTime();
    const MCTime* there = children->GetAt(target)->GetTime();
    if (!own || !there || !(*own == *there))
        return;
    const plat::RefPtr<ECBase> hold(child);
    children->RemoveAt(at);
    const MCPosition before = children->FindIndex(index);
    if (before)
        children->InsertBefore(before, child);
    else
        children->AddTail(child);
}
