#include "platform/ui/timer/QtTimerService.h"

#include <QTimer>

#include <algorithm>
#include <map>

namespace plat::ui {

struct QtTimerService::Impl {
    std::map<uint32_t, QTimer*> timers;
    uint32_t lastId = 0;

    uint32_t add(uint32_t ms, bool periodic, Callback callback)
    {
        if (ms == 0)
            return 0;
        return start(ms, periodic, std::move(callback));
    }

    uint32_t start(uint32_t ms, bool periodic, Callback callback)
    {
        if (!callback)
            return 0;
        do {
            ++lastId;
        } while (lastId == 0 || timers.contains(lastId));
        const uint32_t id = lastId;
        auto* timer = new QTimer;
        timer->setTimerType(Qt::PreciseTimer);
        timer->setSingleShot(!periodic);
        timer->setInterval(int(std::min<uint32_t>(ms, 0x7FFFFFFF)));
        QObject::connect(timer, &QTimer::timeout, timer, [this, id, periodic, callback = std::move(callback)] {
            // The callback may kill its own timer, so it runs from a copy.
            const Callback run = callback;
            if (!periodic)
                remove(id);
            run();
        });
        timers.emplace(id, timer);
        timer->start();
        return id;
    }

    bool remove(uint32_t id)
    {
        const auto found = timers.find(id);
        if (found == timers.end())
            return false;
        // The timer may be inside its own callback: it goes once control is back in the loop.
        found->second->stop();
        found->second->deleteLater();
        timers.erase(found);
        return true;
    }

    ~Impl()
    {
        for (const auto& [id, timer] : timers)
            delete timer;
    }
};

QtTimerService::QtTimerService() : m_impl(std::make_unique<Impl>())
{
}

QtTimerService::~QtTimerService() = default;

uint32_t QtTimerService::setPeriodic(uint32_t periodMs, uint32_t, Callback callback)
{
    return m_impl->add(periodMs, true, std::move(callback));
}

uint32_t QtTimerService::setOneShot(uint32_t delayMs, uint32_t, Callback callback)
{
    return m_impl->add(delayMs, false, std::move(callback));
}

uint32_t QtTimerService::setOneShotAt(int64_t deadlineNs, Callback callback)
{
    const int64_t waitNs = std::max<int64_t>(0, deadlineNs - m_clock.nowNs());
    const int64_t waitMs = std::min<int64_t>((waitNs + 999'999) / 1'000'000, 0x7FFFFFFF);
    return m_impl->start(uint32_t(waitMs), false, std::move(callback));
}

std::unique_ptr<media::TimerService> QtTimerService::createLane(const std::string&)
{
    return std::make_unique<QtTimerService>();
}

bool QtTimerService::kill(uint32_t id)
{
    return m_impl->remove(id);
}

}  // namespace plat::ui
