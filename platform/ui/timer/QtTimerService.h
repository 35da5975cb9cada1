#pragma once

#include "platform/ui/PlatUiExport.h"

#include "platform/media/RealClock.h"
#include "platform/media/TimerService.h"

#include <memory>

namespace plat::ui {

// Timers of the user interface thread: each runs its callback from that thread's event
// loop, like a window timer. Use it from that thread only.
class PLATUI_API QtTimerService final : public media::TimerService {
public:
    QtTimerService();
    ~QtTimerService() override;

    uint32_t setPeriodic(uint32_t periodMs, uint32_t resolutionMs, Callback callback) override;
    uint32_t setOneShot(uint32_t delayMs, uint32_t resolutionMs, Callback callback) override;
    bool kill(uint32_t id) override;
    const media::Clock& clock() const override { return m_clock; }

private:
    struct Impl;
    media::RealClock m_clock;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace plat::ui
