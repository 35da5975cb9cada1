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

ACBase::Nesting::~Nesting()
{
    // A walk left by an exception does not finish the action.
    if (--m_action.m_nesting == 0 && !(m_action.m_flags & flagNoAutoEnd) && std::uncaught_exceptions() == 0)
        m_action.EndAction();
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

    const bool limited = !bypassed && depthLimited();
    if (limited && ++m_curDepth > m_maxDepth) {
        --m_curDepth;
        return 1;
    }
    for (ECBase* relative : *relatives) {
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
