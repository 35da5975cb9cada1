#include "platform/media/ManualTimerService.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <stdexcept>

namespace plat::media {

struct ManualTimerService::Impl {
    struct Timer {
        int64_t periodNs;
        bool periodic;
        int64_t dueNs;   // on the clock's nanosecond line, which does not wrap
        uint64_t order;  // timers due together fire in the order they were set
        std::shared_ptr<Callback> callback;
    };

    explicit Impl(ManualClock& clock) : clock(clock) {}

    uint32_t add(uint32_t ms, bool periodic, Callback callback)
    {
        if (ms == 0 || !callback)
            return 0;
        const std::lock_guard lock(mutex);
        do {
            ++lastId;
        } while (lastId == 0 || timers.contains(lastId));
        const int64_t periodNs = int64_t{ms} * 1'000'000;
        // From the clock as it stands, also when a test moved it directly.
        timers.emplace(lastId, Timer{periodNs, periodic, clock.nowNs() + periodNs, nextOrder++,
                                     std::make_shared<Callback>(std::move(callback))});
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
        const int64_t target = clock.nowNs() + int64_t{ms} * 1'000'000;
        for (;;) {
            auto next = timers.end();
            for (auto it = timers.begin(); it != timers.end(); ++it) {
                const Timer& timer = it->second;
                if (timer.dueNs <= target &&
                    (next == timers.end() || timer.dueNs < next->second.dueNs ||
                     (timer.dueNs == next->second.dueNs && timer.order < next->second.order)))
                    next = it;
            }
            if (next == timers.end())
                break;
            const uint32_t id = next->first;
            Timer& timer = next->second;
            // A timer that fell due while the clock was moved directly fires now: the clock
            // never goes back.
            clock.setNs(std::max(clock.nowNs(), timer.dueNs));
            if (timer.periodic)
                timer.dueNs += timer.periodNs;
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
        clock.setNs(std::max(clock.nowNs(), target));
        advancing = false;
    }

    ManualClock& clock;
    mutable std::mutex mutex;
    std::map<uint32_t, Timer> timers;
    uint64_t nextOrder = 0;
    uint32_t lastId = 0;
    bool advancing = false;
};

ManualTimerService::ManualTimerService(uint32_t startMs)
    : m_clock(startMs), m_impl(std::make_unique<Impl>(m_clock))
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
