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
    if (recordOld && m_oldTime == MCTime::TimeNull())
        m_oldTime = *element->GetTime();
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
