#include "platform/media/RealClock.h"

#include <ctime>

namespace plat::media {

int64_t RealClock::nowNs() const
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

}  // namespace plat::media
