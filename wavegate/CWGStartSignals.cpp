#include "wavegate/CWGStartSignals.h"

uint32_t CWGStartSignals::Register(Signal signal)
{
    std::lock_guard lock(m_mutex);
    do {
        ++m_next;
    } while (m_next == 0 || m_signals.contains(m_next));
    m_signals.emplace(m_next, std::move(signal));
    return m_next;
}

void CWGStartSignals::Unregister(uint32_t handle)
{
    std::lock_guard lock(m_mutex);
    m_signals.erase(handle);
}

bool CWGStartSignals::Fire(uint32_t handle)
{
    // The signal runs under the lock, so Unregister waits for it.
    std::lock_guard lock(m_mutex);
    auto it = m_signals.find(handle);
    if (it == m_signals.end())
        return false;
    if (it->second)
        it->second();
    return true;
}
