#include "notabase/actions/ACBase.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/EventTypes.h"

#include <algorithm>
#include <exception>
#include <iterator>

ACBase::ACBase(int reverse)
    : m_flags(flagClip | flagBypass),
      m_clip(std::begin(EventId::defaultClip), std::end(EventId::defaultClip)),
      m_bypass{EventId::ChanPressureEnv, EventId::ControllerEnv, EventId::Envelope, EventId::MeterEnv,
               EventId::NRPNEnv,         EventId::PatchEnv,      EventId::PitchBendEnv, EventId::PolyPressureEnv,
               EventId::RPNEnv,          EventId::TempoEnv,      63,                    69}
{
    SetReverse(reverse);
}

ACBase::Nesting::Nesting(ACBase& action) : m_action(action)
{
    if (m_action.m_nesting++ == 0) {
        m_action.m_met.clear();
        m_action.m_forks = 0;
    }
}

ACBase::Nesting::~Nesting()
{
    if (--m_action.m_nesting != 0)
        return;
    // What the walk met is of no use to the next one; a large record is let go at once.
    m_action.m_met = {};
    // A walk left by an exception does not finish the action.
    if (!(m_action.m_flags & flagNoAutoEnd) && std::uncaught_exceptions() == 0)
        m_action.EndAction();
}

ACBase::Fork::Fork(ACBase& action, const MCEventList& relatives)
    : m_action(action), m_forks(relatives.GetCount() > 1)
{
    if (m_forks)
        ++m_action.m_forks;
}

ACBase::Fork::~Fork()
{
    if (m_forks)
        --m_action.m_forks;
}

ACBase::Meeting* ACBase::meet(ECBase* element, bool& first)
{
    first = true;
    if (m_forks == 0)
        return nullptr;
    // Under a depth limit every element is recorded: a later meeting that walks an element's
    // relatives again must not act a second time on those met the first time.
    if (!depthLimited()) {
        const MCEventList* ways = (m_flags & flagReverse) ? element->GetChildren() : element->GetParents();
        if (!ways || ways->GetCount() < 2)
            return nullptr;
    }
    const auto [place, inserted] = m_met.try_emplace(element);
    first = inserted;
    if (inserted)
        place->second.depth = m_curDepth;
    return &place->second;
}

int ACBase::BeginAction()
{
    m_curDepth = 0;
    return 1;
}

int ACBase::DoAction(ECBase* /*element*/)
{
    return 0;
}

void ACBase::EndAction()
{
}

void ACBase::Reset()
{
    m_flags &= static_cast<uint16_t>(~flagBegun);
}

void ACBase::ClipEvtType(int id)
{
    if (id == -1) {
        ClipNone();
        return;
    }
    m_clip.push_back(id);
    m_flags |= flagClip;
}

void ACBase::ClipNone()
{
    m_clip.clear();
    m_flags &= static_cast<uint16_t>(~flagClip);
}

void ACBase::BypassEvtType(int id)
{
    if (id == -1) {
        BypassNone();
        return;
    }
    m_bypass.push_back(id);
    m_flags |= flagBypass;
}

void ACBase::BypassNone()
{
    m_bypass.clear();
    m_flags &= static_cast<uint16_t>(~flagBypass);
}

void ACBase::SetReverse(int reverse)
{
    if (reverse)
        m_flags |= flagReverse;
    else
        m_flags &= static_cast<uint16_t>(~flagReverse);
}

bool ACBase::clips(int id) const
{
    return (m_flags & flagClip) && std::find(m_clip.begin(), m_clip.end(), id) != m_clip.end();
}

bool ACBase::bypasses(int id) const
{
    return (m_flags & flagBypass) && std::find(m_bypass.begin(), m_bypass.end(), id) != m_bypass.end();
}

bool ACBase::ShouldClip(ECBase* element) const
{
    return clips(element->GetEventId());
}

bool ACBase::ShouldBypass(ECBase* element) const
{
    return bypasses(element->GetEventId());
}

bool ACBase::begin()
{
    if (!(m_flags & flagBegun)) {
        if (BeginAction() & 1)
            m_flags |= flagBegun;
        else
            return false;
    }
    return true;
}

MCEventList* ACBase::relativesOf(ECBase* element) const
{
    return (m_flags & flagReverse) ? element->GetParents() : element->GetChildren();
}

int ACBase::Apply(ECBase* element)
{
    if (!element)
        return 0;
    if (!begin())
        return -1;
    Nesting nesting(*this);
    return visit(element);
}

int ACBase::visit(ECBase* element)
{
    bool first = true;
    Meeting* meeting = meet(element, first);
    if (first) {
        const int r = visitFirst(element, meeting);
        if (meeting)
            meeting->result = r;
        return r;
    }
    if (!walkAgain(*meeting))
        return meeting->result;
    // Nearer the start than when first met: what the depth limit cut then may be in reach.
    meeting->depth = m_curDepth;
    MCEventList* relatives = relativesOf(element);
    if (relatives && !relatives->IsEmpty())
        meeting->result = walkRelatives(*relatives, bypasses(element->GetEventId()));
    return meeting->result;
}

int ACBase::visitFirst(ECBase* element, Meeting* meeting)
{
    const int id = element->GetEventId();
    const bool bypassed = bypasses(id);
    int r = 0;
    if (!bypassed) {
        r = DoAction(element);
        if (r == -1)
            return -1;
        if (r == 1 || r == 2 || r == 3)
            return r;
        if (r == 0 && clips(id))
            return 1;
    }

    MCEventList* relatives = relativesOf(element);
    if (!relatives || relatives->IsEmpty())
        return r;
    r = walkRelatives(*relatives, bypassed);
    if (meeting)
        meeting->descended = true;
    return r;
}

int ACBase::walkRelatives(MCEventList& relatives, bool bypassed)
{
    const bool limited = !bypassed && depthLimited();
    if (limited && ++m_curDepth > m_maxDepth) {
        --m_curDepth;
        return 1;
    }
    const Fork fork(*this, relatives);
    int r = 0;
    for (ECBase* relative : relatives) {
        const int s = Apply(relative);
        if (s == -1) {
            r = -1;
            break;
        }
        if (s == 2) {
            r = 2;
            break;
        }
        if (s == 3) {
            r = 0;
            break;
        }
        r = (s == 0 || s == 1) ? 0 : s;
    }
    if (limited)
        --m_curDepth;
    return r;
}

int ACBase::Apply(MCEventList* list, int goOn)
{
    m_flags |= flagNoAutoEnd;
    int r = 0;
    if (list) {
        for (ECBase* element : *list) {
            if (!element)
                continue;
            r = Apply(element);
            m_curDepth = 0;
            if ((r == -1 || r == 2 || r == 3) && !goOn) {
                r = 2;
                break;
            }
        }
    }
    EndAction();
    return r;
}
