#pragma once

#include "platform/media/Clock.h"

namespace plat::media {

// The machine's monotonic clock.
class RealClock final : public Clock {
public:
    uint32_t nowMs() const override;
};

}  // namespace plat::media
