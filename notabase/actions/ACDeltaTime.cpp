#include "notabase/actions/ACDeltaTime.h"

#include "notabase/actions/ACFindTime.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/EventTypes.h"

#include <algorithm>

namespace {

// The elements that keep their time when they stand at time 0.
constexpr int anchoredAtZero[] = {
    EventId::BankLSB, EventId::BankMSB, EventId::Clef,        EventId::ConductorStaff, EventId::EnvPoint,
    EventId::FlowControl, EventId::Key, EventId::Meter,       EventId::Performance,    EventId::ProgramChange,
    EventId::Staff,   EventId::Tempo,   EventId::Text,
};

}  // namespace

ACDeltaTime::ACDeltaTime() : ACDeltaTime(MCTime::TimeZero(), MCTime::TimeZero(), MCTime::TimeMax(), ACFindTime::openEnd)
{
}

ACDeltaTime::ACDeltaTime(const MCTime& delta, const MCTime& start, const MCTime& end, int rangeMode)
    : m_delta(delta), m_start(start), m_end(end), m_rangeMode(rangeMode)
{
}

void ACDeltaTime::SetTimeRange(const MCTime& start, const MCTime& end, int rangeMode)
{
    m_start = start;
    m_end = end;
    m_rangeMode = rangeMode;
}

int ACDeltaTime::DoAction(ECBase* element)
{
    const MCTime* time = element->GetTime();
    if (!time)
        return 0;
    if (*time > m_end)
        return 3;
    if (*time == MCTime::TimeZero()
        && std::find(std::begin(anchoredAtZero), std::end(anchoredAtZero), element->GetEventId()) != std::end(anchoredAtZero))
        return 0;
    if (ACFindTime::InRange(*time, m_start, m_end, m_rangeMode)) {
        MCTime moved = *time + m_delta;
        if (moved < MCTime::TimeZero())
            moved = MCTime::TimeZero();
        element->SetTime(&moved);
    }
    return 0;
}
