#include "platform/ui/timer/DisplayTick.h"

#include "platform/ui/timer/UiTimers.h"

#include <algorithm>

namespace plat::ui {

DisplayTick::~DisplayTick()
{
    if (m_timer)
        UiTimers::kill(m_timer);
}

uint32_t DisplayTick::Add(std::function<void()> callback)
{
    const uint32_t id = m_nextId++;
    if (m_nextId == 0)
        m_nextId = 1;
    m_listeners.push_back({id, std::make_shared<std::function<void()>>(std::move(callback))});
    if (!m_timer)
        m_timer = UiTimers::set(kPeriodMs, [this] { OnTick(); });
    return id;
}

void DisplayTick::Remove(uint32_t id)
{
    std::erase_if(m_listeners, [id](const Listener& listener) { return listener.id == id; });
    if (m_listeners.empty() && m_timer) {
        UiTimers::kill(m_timer);
        m_timer = 0;
    }
}

bool DisplayTick::IsListening(uint32_t id) const
{
    return std::any_of(m_listeners.begin(), m_listeners.end(), [id](const Listener& listener) { return listener.id == id; });
}

void DisplayTick::OnTick()
{
    // Listeners may come and go while the tick runs: each one registered when it began is
    // called unless it was removed before its turn; one added during the tick waits for the next.
    const std::vector<Listener> listeners = m_listeners;
    for (const Listener& listener : listeners) {
        if (IsListening(listener.id))
            (*listener.callback)();
    }
}

}  // namespace plat::ui
