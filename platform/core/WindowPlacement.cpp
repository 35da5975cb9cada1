#include "platform/core/WindowPlacement.h"

#include <mutex>
#include <utility>

namespace plat {

namespace {

std::mutex& providerMutex()
{
    static std::mutex mutex;
    return mutex;
}

ScreenMetricsProvider& provider()
{
    static ScreenMetricsProvider current;
    return current;
}

}  // namespace

ScreenMetricsProvider setScreenMetricsProvider(ScreenMetricsProvider next)
{
    std::lock_guard guard(providerMutex());
    return std::exchange(provider(), std::move(next));
}

ScreenMetrics currentScreenMetrics()
{
    ScreenMetricsProvider copy;
    {
        std::lock_guard guard(providerMutex());
        copy = provider();
    }
    return copy ? copy() : ScreenMetrics{};
}

}  // namespace plat
