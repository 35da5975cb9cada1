#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/ManualClock.h"
#include "platform/media/TimerService.h"

#include <memory>

namespace plat::media {

// Timers on a manual clock, for tests: advance() moves the clock to each due deadline in
// turn and runs the callbacks there, on the calling thread, in deadline order (timers due
// at the same moment in the order they were set), so playback is stepped exactly and
// nothing sleeps.
class PLATMEDIA_API ManualTimerService final : public TimerService {
public:
    explicit ManualTimerService(uint32_t startMs = 0);
    ~ManualTimerService() override;

    uint32_t setPeriodic(uint32_t periodMs, uint32_t resolutionMs, Callback callback) override;
    uint32_t setOneShot(uint32_t delayMs, uint32_t resolutionMs, Callback callback) override;
    uint32_t setOneShotAt(int64_t deadlineNs, Callback callback) override;
    bool kill(uint32_t id) override;
    const Clock& clock() const override { return m_clock; }
    std::unique_ptr<TimerService> createLane(const std::string& name) override;

    // Moves the clock forward by ms, running every callback that falls due on the way. A
    // timer that fell due while a test moved the clock directly fires first, at the time the
    // clock shows: the clock never goes back.
    void advance(uint32_t ms);
    ManualClock& manualClock() { return m_clock; }
    size_t activeTimers() const;

private:
    struct Impl;
    class Lane;
    ManualClock m_clock;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace plat::media
