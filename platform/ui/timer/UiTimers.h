#pragma once

#include "platform/ui/PlatUiExport.h"

#include "platform/media/TimerService.h"

#include <cstdint>
#include <functional>

namespace plat::ui {

// The timers and the millisecond clock of the user interface: window timers, timers
// without a window, and the tick count that painting and controls measure time by. They
// run on the interface thread's timers unless another service is installed (a test
// installs a manual one and steps it). Install a service only while no timer is set.
class PLATUI_API UiTimers {
public:
    static media::TimerService& service();
    // Installs service (null: the interface thread's own timers again).
    static void setService(media::TimerService* service);

    // Milliseconds on the service's clock.
    static uint32_t tickCount();

    // A periodic timer without a window; 0 ms counts as 1. Answers its id (never 0).
    static uint32_t set(uint32_t ms, std::function<void()> callback);
    static bool kill(uint32_t id);

    // Installs a service for its lifetime, then puts the previous one back.
    class ScopedService {
    public:
        explicit ScopedService(media::TimerService& service);
        ~ScopedService();
        ScopedService(const ScopedService&) = delete;
        ScopedService& operator=(const ScopedService&) = delete;

    private:
        media::TimerService* m_previous;
    };

private:
    static media::TimerService*& installed();
};

}  // namespace plat::ui
