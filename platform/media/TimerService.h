#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/Clock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace plat::media {

// Periodic and one-shot media timers. Ids are never 0: 0 means the timer could not be set
// (a period or delay of 0, or no callback). The resolution is a hint: timers keep to the
// millisecond whatever it says. A periodic timer keeps its cadence from the moment it was set;
// a tick that comes late is fired once and the ticks missed meanwhile are skipped.
// A one-shot timer ends by itself after its callback. kill() of a timer whose callback is
// running waits for the callback to return, unless it is called from that callback.
class PLATMEDIA_API TimerService {
public:
    using Callback = std::function<void()>;

    virtual ~TimerService() = default;
    virtual uint32_t setPeriodic(uint32_t periodMs, uint32_t resolutionMs, Callback callback) = 0;
    virtual uint32_t setOneShot(uint32_t delayMs, uint32_t resolutionMs, Callback callback) = 0;
    // A one-shot timer at a deadline on the clock's nanosecond reading, for work that must
    // happen at its exact time; a deadline already past fires as soon as it can.
    virtual uint32_t setOneShotAt(int64_t deadlineNs, Callback callback) = 0;
    virtual bool kill(uint32_t id) = 0;
    // The clock the timers keep time by.
    virtual const Clock& clock() const = 0;

    // Timers on the same clock whose callbacks run apart from this service's and every
    // other lane's: on the real clock a thread of its own, so that a callback that blocks
    // delays nobody else's; on a manual clock they keep the one order of advance(). Destroying
    // the lane kills its timers. It must go before this service.
    virtual std::unique_ptr<TimerService> createLane(const std::string& name) = 0;
};

}  // namespace plat::media
