#include "notabase/states/SCStatus.h"

#include "platform/core/Resources.h"

#include <atomic>

namespace {

// States are made on one thread and deleted on another.
std::atomic<int> s_liveCount{0};

}  // namespace

SCStatus::SCStatus(int code) : SCBase(code)
{
    ++s_liveCount;
}

SCStatus::SCStatus(int code, const std::string& message) : SCBase(code), m_message(message)
{
    ++s_liveCount;
}

SCStatus::SCStatus(int code, int stringId) : SCBase(code)
{
    ++s_liveCount;
    SetMessage(static_cast<unsigned int>(stringId));
}

SCStatus::SCStatus(const SCStatus& other) : SCBase(other),
    m_message(other.m_message), m_progressLow(other.m_progressLow),
    m_progressHigh(other.m_progressHigh), m_progressStep(other.m_progressStep)
{
    ++s_liveCount;
}

SCStatus::~SCStatus()
{
    --s_liveCount;
}

void SCStatus::SetMessage(unsigned int stringId)
{
    m_message = plat::Resources::string(stringId);
}

void SCStatus::GetProgressRange(int& low, int& high) const
{
    low = m_progressLow;
    high = m_progressHigh;
}

void SCStatus::SetProgressRange(int low, int high)
{
    m_progressLow = low;
    m_progressHigh = high;
}

int SCStatus::GetLiveCount()
{
    return s_liveCount.load();
}
