#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/Clock.h"

#include <atomic>

namespace plat::media {

// A clock that stands still until a test moves it; readable from any thread.
class PLATMEDIA_API ManualClock final : public Clock {
public:
    explicit ManualClock(uint32_t startMs = 0) : m_now(startMs) {}
    uint32_t nowMs() const override { return m_now.load(std::memory_order_acquire); }
    void set(uint32_t ms) { m_now.store(ms, std::memory_order_release); }
    void advance(uint32_t ms) { m_now.fetch_add(ms, std::memory_order_acq_rel); }

private:
    std::atomic<uint32_t> m_now;
};

}  // namespace plat::media
