#include "notabase/states/SCTime.h"

#include <atomic>

namespace {

// Time states are made on the metronome's thread and deleted on the main thread.
std::atomic<int> s_liveCount{0};

}  // namespace

SCTime::SCTime() : SCBase(0), m_time(MCTime::TimeNull())
{
    ++s_liveCount;
}

SCTime::SCTime(int code, const MCTime& time) : SCBase(code), m_time(time)
{
    ++s_liveCount;
}

SCTime::SCTime(int code, int leadInPulse, int leadInMeasure)
    : SCBase(code), m_time(MCTime::TimeNull()), m_leadInPulse(leadInPulse),
      m_leadInMeasure(leadInMeasure)
{
    ++s_liveCount;
}

SCTime::SCTime(const SCTime& other)
    : SCBase(other), m_time(other.m_time), m_leadInPulse(other.m_leadInPulse),
      m_leadInMeasure(other.m_leadInMeasure)
{
    ++s_liveCount;
}

SCTime::~SCTime()
{
    --s_liveCount;
}

int SCTime::GetLiveCount()
{
    return s_liveCount.load();
}
