#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/RealClock.h"
#include "platform/media/TimerService.h"

#include <memory>
#include <string>

namespace plat::media {

// Timers on the monotonic clock, with their callbacks on one timer thread of the service,
// which sends to ports and so runs at real-time priority where the system allows it. Each
// lane is a service of its own with its own thread.
class PLATMEDIA_API RealTimerService final : public TimerService {
public:
    // threadName: at most 15 characters are kept.
    explicit RealTimerService(const std::string& threadName = "media timers");
    ~RealTimerService() override;

    uint32_t setPeriodic(uint32_t periodMs, uint32_t resolutionMs, Callback callback) override;
    uint32_t setOneShot(uint32_t delayMs, uint32_t resolutionMs, Callback callback) override;
    uint32_t setOneShotAt(int64_t deadlineNs, Callback callback) override;
    bool kill(uint32_t id) override;
    const Clock& clock() const override { return m_clock; }
    std::unique_ptr<TimerService> createLane(const std::string& name) override;

private:
    struct Impl;
    RealClock m_clock;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace plat::media
