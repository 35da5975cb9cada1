#include "notabase/commands/CCEditDurItem.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/EventTypes.h"

CCEditDurItem::CCEditDurItem(ECBase* element, const MCTime* duration) : CCEditItem(element)
{
    if (GetNewEvent())
        GetNewEvent()->SetDuration(duration);
    MCEventList group;
    if (GetSpanGroup(element, group)) {
        m_anchorList = std::make_unique<MCEventList>(10);
        m_anchorList->AddTail(group);
    }
}

CCEditDurItem::~CCEditDurItem() = default;

int CCEditDurItem::GetSpanGroup(ECBase* element, MCEventList& group)
{
    if (!element)
        return 0;
    switch (element->GetEventId()) {
    case EventId::Dynamic:
    case EventId::Pedal:
    case EventId::Tempo:
    case EventId::Transpose:
        break;
    default:
        return 0;
    }
    auto* point = plat::dynamicDowncast<ECEnvPoint>(element);
    return point && point->GetAnchorList(group) ? 1 : 0;
}

MCTime CCEditDurItem::GetNewDuration() const
{
    ECBase* copy = GetNewEvent();
    const MCTime* duration = copy ? copy->GetDuration() : nullptr;
    return duration ? *duration : MCTime::TimeZero();
}

MCTime CCEditDurItem::GetOldDuration() const
{
    ECBase* copy = GetOldEvent();
    const MCTime* duration = copy ? copy->GetDuration() : nullptr;
    return duration ? *duration : MCTime::TimeZero();
}

void CCEditDurItem::Process(int recordOld)
{
    ECBase* element = GetEvent();
    if (!element || !GetNewEvent())
        return;
    if (recordOld && !GetOldEvent()) {
        // Only the duration is needed to go back.
        if (auto* old = plat::dynamicDowncast<ECBase>(element->runtimeClass()->createObject())) {
            old->SetDuration(element->GetDuration());
            SetOldEvent(old);
        }
    }
    const MCTime duration = GetNewDuration();
    if (!m_anchorList || m_anchorList->IsEmpty()) {
        element->SetDuration(&duration);
        return;
    }
    // A span keeps its start and moves its end.
    ECBase* first = m_anchorList->GetHead();
    ECBase* last = m_anchorList->GetTail();
    const MCTime start = *first->GetTime();
    first->SetTime(&start);
    first->SetDuration(&duration);
    const MCTime end = start + duration;
    last->SetTime(&end);
    last->SetDuration(&MCTime::TimeZero());
}
