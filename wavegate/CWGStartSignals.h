#pragma once

#include "wavegate/WavegateExport.h"

#include "platform/core/CallbackList.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <unordered_map>

// Wave-start markers of a MIDI stream name their player by a handle from here, never by its
// address: a player registers the signal that starts it and unregisters it before it goes,
// so a marker that plays after its player is gone finds nothing instead of a freed object.
class WAVEGATE_API CWGStartSignals {
public:
    using Signal = std::function<void()>;

    // A handle for signal; never 0. The signal runs on a driver thread and must not block.
    uint32_t Register(Signal signal);
    // After this returns, the signal is not running on another thread and never runs again.
    void Unregister(uint32_t handle);
    // Runs the signal of handle; false when there is none.
    bool Fire(uint32_t handle);

private:
    // Each signal answers for its own handle only.
    plat::CallbackList<bool(uint32_t handle)> m_signals;
    std::mutex m_mutex;
    uint32_t m_next = 0;                                        // under m_mutex
    std::unordered_map<uint32_t, plat::Connection> m_handles;   // under m_mutex
};
