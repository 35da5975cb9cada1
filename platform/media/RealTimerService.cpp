#include "platform/media/RealTimerService.h"

#include "platform/core/AltSignalStack.h"
#include "platform/media/ThreadPriority.h"

#include <pthread.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <map>
#include <mutex>
#include <thread>

namespace plat::media {

namespace {

using SteadyClock = std::chrono::steady_clock;  // CLOCK_MONOTONIC

// Below this the timer thread sleeps the rest of the way with clock_nanosleep on the absolute
// deadline; a timer set meanwhile waits at most this long to be noticed.
constexpr auto kFinalApproach = std::chrono::milliseconds(2);

void sleepUntil(SteadyClock::time_point deadline)
{
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline.time_since_epoch()).count();
    timespec when{};
    when.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
    when.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr) == EINTR) {
    }
}

}  // namespace

struct RealTimerService::Impl {
    struct Timer {
        std::chrono::milliseconds period;   // 0 for a one-shot timer
        SteadyClock::time_point due;
        std::shared_ptr<Callback> callback;
    };

    explicit Impl(const std::string& threadName) : name(threadName.substr(0, 15)), thread([this] {
        const AltSignalStack altStack;
        run();
    }) {}

    ~Impl()
    {
        {
            const std::lock_guard lock(mutex);
            stopping = true;
        }
        cv.notify_all();
        thread.join();
    }

    uint32_t add(std::chrono::milliseconds period, SteadyClock::time_point due, Callback callback)
    {
        if (!callback)
            return 0;
        const std::lock_guard lock(mutex);
        // Ids are never 0 and never one still in use, also after the counter wraps.
        do {
            ++lastId;
        } while (lastId == 0 || timers.contains(lastId));
        timers.emplace(lastId, Timer{period, due, std::make_shared<Callback>(std::move(callback))});
        cv.notify_all();
        return lastId;
    }

    bool kill(uint32_t id)
    {
        std::unique_lock lock(mutex);
        if (timers.erase(id) == 0)
            return false;
        // Waits for a running callback to return, unless this is that callback.
        if (std::this_thread::get_id() != thread.get_id())
            cv.wait(lock, [&] { return running != id; });
        return true;
    }

    void run()
    {
        pthread_setname_np(pthread_self(), name.c_str());
        ThreadPriority::set(ThreadPriority::Level::sending);
        std::unique_lock lock(mutex);
        while (!stopping) {
            auto next = timers.end();
            for (auto it = timers.begin(); it != timers.end(); ++it)
                if (next == timers.end() || it->second.due < next->second.due)
                    next = it;
            if (next == timers.end()) {
                cv.wait(lock);
                continue;
            }
            const auto due = next->second.due;
            if (SteadyClock::now() + kFinalApproach < due) {
                // Interruptible: a new timer or a kill wakes the thread to look again.
                cv.wait_until(lock, due - kFinalApproach);
                continue;
            }
            if (SteadyClock::now() < due) {
                lock.unlock();
                sleepUntil(due);
                lock.lock();
                continue;  // the timer may have been killed meanwhile
            }
            fire(lock, next->first);
        }
    }

    void fire(std::unique_lock<std::mutex>& lock, uint32_t id)
    {
        Timer& timer = timers.at(id);
        const bool periodic = timer.period.count() != 0;
        if (periodic) {
            // The next deadline keeps the cadence from the first one, so periods do not drift;
            // after a delay the missed ticks are skipped, not fired in a burst.
            const auto now = SteadyClock::now();
            timer.due += timer.period;
            if (timer.due <= now)
                timer.due += ((now - timer.due) / timer.period + 1) * timer.period;
        }
        const std::shared_ptr<Callback> callback = timer.callback;
        running = id;
        lock.unlock();
        (*callback)();
        lock.lock();
        running = 0;
        if (!periodic)
            timers.erase(id);
        cv.notify_all();
    }

    std::mutex mutex;
    std::condition_variable cv;
    std::map<uint32_t, Timer> timers;
    uint32_t lastId = 0;
    uint32_t running = 0;
    bool stopping = false;
    const std::string name;
    std::thread thread;  // last: starts once the rest is ready
};

RealTimerService::RealTimerService(const std::string& threadName) : m_impl(std::make_unique<Impl>(threadName)) {}

RealTimerService::~RealTimerService() = default;

uint32_t RealTimerService::setPeriodic(uint32_t periodMs, uint32_t, Callback callback)
{
    if (periodMs == 0)
        return 0;
    const std::chrono::milliseconds period(periodMs);
    return m_impl->add(period, SteadyClock::now() + period, std::move(callback));
}

uint32_t RealTimerService::setOneShot(uint32_t delayMs, uint32_t, Callback callback)
{
    if (delayMs == 0)
        return 0;
    return m_impl->add({}, SteadyClock::now() + std::chrono::milliseconds(delayMs), std::move(callback));
}

uint32_t RealTimerService::setOneShotAt(int64_t deadlineNs, Callback callback)
{
    return m_impl->add({}, SteadyClock::time_point(std::chrono::nanoseconds(deadlineNs)), std::move(callback));
}

std::unique_ptr<TimerService> RealTimerService::createLane(const std::string& name)
{
    return std::make_unique<RealTimerService>(name);
}

bool RealTimerService::kill(uint32_t id)
{
    return m_impl->kill(id);
}

}  // namespace plat::media
