#include "notabase/states/SCBase.h"

#include "notabase/states/MCStateMgr.h"

SCBase::SCBase() : SCBase(0) {}

SCBase::SCBase(int code) : m_flags(kAutoDelete)
{
    SetCode(code);
}

SCBase::SCBase(const SCBase& other) = default;

SCBase& SCBase::operator=(const SCBase& other) = default;

SCBase::~SCBase() = default;

int SCBase::IsSynchronous() const
{
    return (m_flags & kSynchronous) ? 1 : 0;
}

void SCBase::SetSynchronous(int on)
{
    m_flags = on ? (m_flags | kSynchronous) : (m_flags & ~kSynchronous);
}

int SCBase::IsAutoDelete() const
{
    return (m_flags & kAutoDelete) ? 1 : 0;
}

void SCBase::SetAutoDelete(int on)
{
    m_flags = on ? (m_flags | kAutoDelete) : (m_flags & ~kAutoDelete);
}

void SCBase::Apply(ECPerformanceBase* performance)
{
    MCStateMgr::ApplyState(this, performance);
}

void SCBase::DoState() {}

void SCBase::SetCode(int code)
{
    m_flags = (m_flags & 0xFFu) | ((static_cast<uint32_t>(code) & 0xFFFFFFu) << 8);
}
