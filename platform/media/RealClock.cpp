#include "platform/media/RealClock.h"

#include <ctime>

namespace plat::media {

uint32_t RealClock::nowMs() const
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Truncated to 32 bits on purpose: the media clock wraps.
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1'000'000u);
}

}  // namespace plat::media
