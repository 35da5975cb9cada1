#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/Clock.h"

namespace plat::media {

// The machine's monotonic clock.
class PLATMEDIA_API RealClock final : public Clock {
public:
    int64_t nowNs() const override;
};

}  // namespace plat::media
