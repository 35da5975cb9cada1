#pragma once

#include "platform/core/PlatCoreExport.h"

#include <condition_variable>
#include <mutex>

namespace plat {

// Something a thread sleeps on while it waits for one or more events: Event::set wakes every
// waiter registered with it. A thread's message loop state is one, so a thread can wait for an
// event and for messages sent to it at the same time.
class PLATCORE_API EventWaiter {
public:
    void wake()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_woken = true;
        }
        m_cv.notify_all();
    }

protected:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_woken = false;  // guarded by m_mutex

    friend class Event;
};

}  // namespace plat
