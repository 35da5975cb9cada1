#include "platform/media/ManualTimerService.h"

#include <map>
#include <mutex>
#include <stdexcept>

namespace plat::media {

struct ManualTimerService::Impl {
    struct Timer {
        uint64_t period;
        bool periodic;
        uint64_t due;    // on the unwrapped time line, so deadlines past 0xFFFFFFFF order correctly
        uint64_t order;  // timers due together fire in the order they were set
        std::shared_ptr<Callback> callback;
    };

    Impl(ManualClock& clock, uint32_t startMs) : clock(clock), now(startMs) {}

    // Follows the clock when a test moved it directly (forwards only: the clock wraps).
    void syncLocked() { now += static_cast<uint32_t>(clock.nowMs() - static_cast<uint32_t>(now)); }

    uint32_t add(uint32_t ms, bool periodic, Callback callback)
    {
        if (ms == 0 || !callback)
            return 0;
        const std::lock_guard lock(mutex);
        syncLocked();
        do {
            ++lastId;
        } while (lastId == 0 || timers.contains(lastId));
        timers.emplace(lastId, Timer{ms, periodic, now + ms, nextOrder++, std::make_shared<Callback>(std::move(callback))});
        return lastId;
    }

    bool kill(uint32_t id)
    {
        const std::lock_guard lock(mutex);
        return timers.erase(id) != 0;
    }

    void advance(uint32_t ms)
    {
        std::unique_lock lock(mutex);
        if (advancing)
            throw std::logic_error("ManualTimerService::advance is not re-entrant");
        advancing = true;
        syncLocked();
        const uint64_t target = now + ms;
        for (;;) {
            auto next = timers.end();
            for (auto it = timers.begin(); it != timers.end(); ++it) {
                const Timer& timer = it->second;
                if (timer.due <= target &&
                    (next == timers.end() || timer.due < next->second.due ||
                     (timer.due == next->second.due && timer.order < next->second.order)))
                    next = it;
            }
            if (next == timers.end())
                break;
            const uint32_t id = next->first;
            Timer& timer = next->second;
            now = timer.due;
            clock.set(static_cast<uint32_t>(now));
            if (timer.periodic)
                timer.due += timer.period;
            const std::shared_ptr<Callback> callback = timer.callback;
            const bool periodic = timer.periodic;
            lock.unlock();
            try {
                (*callback)();
            } catch (...) {
                lock.lock();
                advancing = false;
                throw;
            }
            lock.lock();
            // A one-shot timer ends after its callback (which may have killed it already).
            if (!periodic)
                timers.erase(id);
        }
        now = target;
        clock.set(static_cast<uint32_t>(now));
        advancing = false;
    }

    ManualClock& clock;
    mutable std::mutex mutex;
    std::map<uint32_t, Timer> timers;
    uint64_t now;
    uint64_t nextOrder = 0;
    uint32_t lastId = 0;
    bool advancing = false;
};

ManualTimerService::ManualTimerService(uint32_t startMs)
    : m_clock(startMs), m_impl(std::make_unique<Impl>(m_clock, startMs))
{
}

ManualTimerService::~ManualTimerService() = default;

uint32_t ManualTimerService::setPeriodic(uint32_t periodMs, uint32_t, Callback callback)
{
    return m_impl->add(periodMs, true, std::move(callback));
}

uint32_t ManualTimerService::setOneShot(uint32_t delayMs, uint32_t, Callback callback)
{
    return m_impl->add(delayMs, false, std::move(callback));
}

bool ManualTimerService::kill(uint32_t id)
{
    return m_impl->kill(id);
}

void ManualTimerService::advance(uint32_t ms)
{
    m_impl->advance(ms);
}

size_t ManualTimerService::activeTimers() const
{
    const std::lock_guard lock(m_impl->mutex);
    return m_impl->timers.size();
}

}  // namespace plat::media
