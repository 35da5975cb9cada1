#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/Clock.h"

#include <atomic>

namespace plat::media {

// A clock that stands still until a test moves it; readable from any thread. It starts at
// startMs on a whole millisecond.
class PLATMEDIA_API ManualClock final : public Clock {
public:
    explicit ManualClock(uint32_t startMs = 0) : m_ns(int64_t{startMs} * 1'000'000) {}
    int64_t nowNs() const override { return m_ns.load(std::memory_order_acquire); }

    void advance(uint32_t ms) { m_ns.fetch_add(int64_t{ms} * 1'000'000, std::memory_order_acq_rel); }
    // Moves the clock to that millisecond, forwards or back by the shorter way round.
    void set(MediaTime time) { setNs(nsAt(time)); }
    void setNs(int64_t ns) { m_ns.store(ns, std::memory_order_release); }

private:
    std::atomic<int64_t> m_ns;
};

}  // namespace plat::media
