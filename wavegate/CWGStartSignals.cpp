#include "wavegate/CWGStartSignals.h"

#include <utility>

uintptr_t CWGStartSignals::Register(Signal signal)
{
    std::lock_guard lock(m_mutex);
    do {
        ++m_next;
    } while (m_next == 0 || m_handles.contains(m_next));
    const uintptr_t handle = m_next;
    m_handles.emplace(handle, m_signals.add([handle, signal = std::move(signal)](uintptr_t fired) {
        if (fired != handle)
            return false;
        if (signal)
            signal();
        return true;
    }));
    return handle;
}

void CWGStartSignals::Unregister(uintptr_t handle)
{
    plat::Connection connection;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_handles.find(handle);
        if (it == m_handles.end())
            return;
        connection = std::move(it->second);
        m_handles.erase(it);
    }
    // Outside the lock: this waits for the signal if it runs on another thread.
    connection.disconnect();
}

bool CWGStartSignals::Fire(uintptr_t handle)
{
    return m_signals.callUntil([](bool fired) { return fired; }, handle);
}
