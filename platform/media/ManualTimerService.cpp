#include "platform/media/ManualTimerService.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <stdexcept>

namespace plat::media {

struct ManualTimerService::Impl {
    struct Timer {
        int64_t periodNs;  // 0 for a one-shot timer
        int64_t dueNs;     // on the clock's nanosecond line, which does not wrap
        uint64_t order;    // timers due together fire in the order they were set
        std::shared_ptr<Callback> callback;
        const void* lane;  // the lane that set it, or null
    };

    explicit Impl(ManualClock& clock) : clock(clock) {}

    // When a timer falls due: at ns on the clock, or ns after the clock as it stands (also
    // when a test moved it directly).
    struct When {
        int64_t ns;
        bool absolute;
    };
    uint32_t add(int64_t periodNs, When when, Callback callback, const void* lane)
    {
        if (!callback)
            return 0;
        const std::lock_guard lock(mutex);
        do {
            ++lastId;
        } while (lastId == 0 || timers.contains(lastId));
        const int64_t dueNs = when.absolute ? when.ns : clock.nowNs() + when.ns;
        timers.emplace(lastId, Timer{periodNs, dueNs, nextOrder++,
                                     std::make_shared<Callback>(std::move(callback)), lane});
        return lastId;
    }

    uint32_t periodic(uint32_t ms, Callback callback, const void* lane)
    {
        return ms ? add(nsOf(ms), {nsOf(ms), false}, std::move(callback), lane) : 0;
    }
    uint32_t oneShot(uint32_t ms, Callback callback, const void* lane)
    {
        return ms ? add(0, {nsOf(ms), false}, std::move(callback), lane) : 0;
    }
    uint32_t oneShotAt(int64_t deadlineNs, Callback callback, const void* lane)
    {
        return add(0, {deadlineNs, true}, std::move(callback), lane);
    }
    static int64_t nsOf(uint32_t ms) { return int64_t{ms} * 1'000'000; }

    bool kill(uint32_t id)
    {
        const std::lock_guard lock(mutex);
        return timers.erase(id) != 0;
    }

    void killLane(const void* lane)
    {
        const std::lock_guard lock(mutex);
        std::erase_if(timers, [lane](const auto& entry) { return entry.second.lane == lane; });
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
            const bool periodic = timer.periodNs != 0;
            if (periodic)
                timer.dueNs += timer.periodNs;
            const std::shared_ptr<Callback> callback = timer.callback;
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

// A lane shares the service's timers and order; it only tags the timers it sets, so that it
// can kill them when it goes.
class ManualTimerService::Lane final : public TimerService {
public:
    explicit Lane(ManualTimerService& service) : m_service(service) {}
    ~Lane() override { m_service.m_impl->killLane(this); }

    uint32_t setPeriodic(uint32_t periodMs, uint32_t, Callback callback) override
    {
        return m_service.m_impl->periodic(periodMs, std::move(callback), this);
    }
    uint32_t setOneShot(uint32_t delayMs, uint32_t, Callback callback) override
    {
        return m_service.m_impl->oneShot(delayMs, std::move(callback), this);
    }
    uint32_t setOneShotAt(int64_t deadlineNs, Callback callback) override
    {
        return m_service.m_impl->oneShotAt(deadlineNs, std::move(callback), this);
    }
    bool kill(uint32_t id) override { return m_service.kill(id); }
    const Clock& clock() const override { return m_service.clock(); }
    std::unique_ptr<TimerService> createLane(const std::string&) override { return std::make_unique<Lane>(m_service); }

private:
    ManualTimerService& m_service;
};

uint32_t ManualTimerService::setPeriodic(uint32_t periodMs, uint32_t, Callback callback)
{
    return m_impl->periodic(periodMs, std::move(callback), nullptr);
}

uint32_t ManualTimerService::setOneShot(uint32_t delayMs, uint32_t, Callback callback)
{
    return m_impl->oneShot(delayMs, std::move(callback), nullptr);
}

uint32_t ManualTimerService::setOneShotAt(int64_t deadlineNs, Callback callback)
{
    return m_impl->oneShotAt(deadlineNs, std::move(callback), nullptr);
}

bool ManualTimerService::kill(uint32_t id)
{
    return m_impl->kill(id);
}

std::unique_ptr<TimerService> ManualTimerService::createLane(const std::string&)
{
    return std::make_unique<Lane>(*this);
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
