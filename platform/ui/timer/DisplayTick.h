#pragma once

#include "platform/ui/PlatUiExport.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace plat::ui {

// One periodic interface timer shared by the displays that follow a play (level meters, the
// time read-out). What each listener does on a tick runs in the same turn of the event loop,
// so the windows they touch paint in one pass, and the interface thread wakes once a period
// rather than once for each display. The timer runs only while a listener is registered; it
// is a UiTimers timer, so a test steps it with a manual service.
class PLATUI_API DisplayTick {
public:
    static constexpr uint32_t kPeriodMs = 100;

    DisplayTick() = default;
    ~DisplayTick();
    DisplayTick(const DisplayTick&) = delete;
    DisplayTick& operator=(const DisplayTick&) = delete;

    // Calls callback on every tick until Remove(id), starting the timer if it rests. Answers
    // the listener's id (never 0).
    uint32_t Add(std::function<void()> callback);
    // Ends a listener; safe from inside a tick, the listener's own included. The timer stops
    // with the last listener.
    void Remove(uint32_t id);
    bool IsListening(uint32_t id) const;
    bool IsRunning() const { return m_timer != 0; }

private:
    struct Listener {
        uint32_t id;
        std::shared_ptr<std::function<void()>> callback;
    };
    void OnTick();

    std::vector<Listener> m_listeners;
    uint32_t m_nextId = 1;
    uint32_t m_timer = 0;
};

}  // namespace plat::ui
