#pragma once

#include "platform/media/PlatMediaExport.h"

#include <cstdint>

namespace plat::media {

// The media clock: milliseconds as a 32-bit count that wraps (about every 49.7 days), so
// differences are taken in unsigned arithmetic.
class PLATMEDIA_API Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t nowMs() const = 0;
};

}  // namespace plat::media
