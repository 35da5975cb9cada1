#include "platform/ui/timer/UiTimers.h"

#include "platform/ui/timer/QtTimerService.h"

#include <algorithm>

namespace plat::ui {

media::TimerService*& UiTimers::installed()
{
    static media::TimerService* service = nullptr;
    return service;
}

media::TimerService& UiTimers::service()
{
    if (media::TimerService* service = installed())
        return *service;
    static QtTimerService qtTimers;
    return qtTimers;
}

void UiTimers::setService(media::TimerService* service)
{
    installed() = service;
}

uint32_t UiTimers::tickCount()
{
    return service().clock().nowMs();
}

uint32_t UiTimers::set(uint32_t ms, std::function<void()> callback)
{
    return service().setPeriodic(std::max<uint32_t>(ms, 1), 1, std::move(callback));
}

bool UiTimers::kill(uint32_t id)
{
    return id != 0 && service().kill(id);
}

UiTimers::ScopedService::ScopedService(media::TimerService& service) : m_previous(installed())
{
    installed() = &service;
}

UiTimers::ScopedService::~ScopedService()
{
    installed() = m_previous;
}

}  // namespace plat::ui
