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

    // A handle for signal; never 0. Handles are pointer-sized and use the upper half of the
    // word where there is one, so every path they travel must keep all of it. The signal runs
    // on a driver thread and must not block.
    uintptr_t Register(Signal signal);
    // After this returns, the signal is not running on another thread and never runs again.
    void Unregister(uintptr_t handle);
    // Runs the signal of handle; false when there is none.
    bool Fire(uintptr_t handle);

private:
    static constexpr uintptr_t kFirstHandle = sizeof(uintptr_t) > 4 ? uintptr_t{1} << (4 * sizeof(uintptr_t)) : 1;

    // Each signal answers for its own handle only.
    plat::CallbackList<bool(uintptr_t handle)> m_signals;
    std::mutex m_mutex;
    uintptr_t m_next = kFirstHandle - 1;                         // under m_mutex
    std::unordered_map<uintptr_t, plat::Connection> m_handles;   // under m_mutex
};
