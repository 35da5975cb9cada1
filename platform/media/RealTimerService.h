#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/RealClock.h"
#include "platform/media/TimerService.h"

#include <memory>

namespace plat::media {

// Timers on the monotonic clock, with their callbacks on one timer thread of the service.
class PLATMEDIA_API RealTimerService final : public TimerService {
public:
    RealTimerService();
    ~RealTimerService() override;

    uint32_t setPeriodic(uint32_t periodMs, uint32_t resolutionMs, Callback callback) override;
    uint32_t setOneShot(uint32_t delayMs, uint32_t resolutionMs, Callback callback) override;
    bool kill(uint32_t id) override;
    const Clock& clock() const override { return m_clock; }

private:
    struct Impl;
    RealClock m_clock;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace plat::media
