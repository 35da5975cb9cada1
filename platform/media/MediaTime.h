#pragma once

#include "platform/media/PlatMediaExport.h"

#include <compare>
#include <cstdint>

namespace plat::media {

// A point on a millisecond time line: the media clock, a stream's timeline, play time. It is
// a 32-bit count that wraps (about every 49.7 days), so two points compare and subtract
// correctly while they lie less than 2^31 ms (about 24.8 days) apart, which every time line
// of a running program keeps. This is the one place where that arithmetic is done.
class PLATMEDIA_API MediaTime {
public:
    constexpr MediaTime() = default;
    constexpr explicit MediaTime(uint32_t ms) : m_ms(ms) {}

    // The millisecond in which a nanosecond reading of the media clock falls.
    static constexpr MediaTime fromNs(int64_t ns) { return MediaTime(static_cast<uint32_t>(ns / 1'000'000)); }

    // The raw count, for the fields and parameters that carry 32-bit times.
    constexpr uint32_t ms() const { return m_ms; }

    // How many ms a lies after b; negative when it lies before.
    friend constexpr int32_t operator-(MediaTime a, MediaTime b) { return static_cast<int32_t>(a.m_ms - b.m_ms); }
    // Moves by a duration in ms, which may be negative; the count wraps.
    friend constexpr MediaTime operator+(MediaTime t, int64_t ms) { return MediaTime(t.m_ms + static_cast<uint32_t>(ms)); }
    friend constexpr MediaTime operator-(MediaTime t, int64_t ms) { return MediaTime(t.m_ms - static_cast<uint32_t>(ms)); }
    constexpr MediaTime& operator+=(int64_t ms) { return *this = *this + ms; }

    friend constexpr bool operator==(MediaTime a, MediaTime b) = default;
    friend constexpr std::strong_ordering operator<=>(MediaTime a, MediaTime b) { return (a - b) <=> 0; }

private:
    uint32_t m_ms = 0;
};

}  // namespace plat::media
