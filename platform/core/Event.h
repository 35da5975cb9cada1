#pragma once

#include "platform/core/PlatCoreExport.h"

#include "platform/core/Message.h"

#include <cstdint>
#include <memory>
#include <span>

namespace plat {

// A waitable event with manual or automatic reset.
class PLATCORE_API Event {
public:
    enum class WaitResult { signalled, timedOut };

    Event(bool manualReset, bool initialState);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set();
    void reset();
    bool isSet() const;

    WaitResult wait(uint32_t timeoutMs = kInfinite);
    // Waits while serving what other threads send to the calling thread's windows: for a
    // thread that waits on another that may be sending to it.
    WaitResult waitServing(uint32_t timeoutMs = kInfinite);

    // Waits until any of events is set; returns its index, or -1 on time-out. An
    // auto-reset event that ends the wait is reset.
    static int waitAny(std::span<Event* const> events, uint32_t timeoutMs = kInfinite);

    struct State;

private:
    std::shared_ptr<State> m_state;
};

}  // namespace plat
