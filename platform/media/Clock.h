#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/MediaTime.h"

#include <cstdint>

namespace plat::media {

// The media clock. Its nanosecond reading never wraps and is what deadlines are taken from;
// its millisecond reading is that same reading as a MediaTime.
class PLATMEDIA_API Clock {
public:
    virtual ~Clock() = default;
    virtual int64_t nowNs() const = 0;

    MediaTime now() const { return MediaTime::fromNs(nowNs()); }
    // The raw count of now(), for the edges that carry 32-bit times.
    uint32_t nowMs() const { return now().ms(); }
    // The nanosecond reading at which millisecond t begins: of the times t names, the one
    // that lies less than 2^31 ms from now.
    int64_t nsAt(MediaTime t) const
    {
        const int64_t ns = nowNs();
        return (ns / 1'000'000 + (t - MediaTime::fromNs(ns))) * 1'000'000;
    }
};

}  // namespace plat::media
