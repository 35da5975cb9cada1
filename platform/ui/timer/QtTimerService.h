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
    // Qt timers count whole milliseconds: the deadline is rounded up, so it is never early.
    uint32_t setOneShotAt(int64_t deadlineNs, Callback callback) override;
    bool kill(uint32_t id) override;
    const media::Clock& clock() const override { return m_clock; }
    // Every timer of this service runs on the thread of its event loop; a lane is a second
    // set of timers there, killed with it.
    std::unique_ptr<media::TimerService> createLane(const std::string& name) override;

private:
    struct Impl;
    media::RealClock m_clock;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace plat::ui
