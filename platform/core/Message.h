#pragma once

#include <cstdint>

namespace plat {

using MessageId = uint32_t;

// Message ids the platform itself delivers. Private messages of the libraries lie above
// kFirstPrivateMessage.
inline constexpr MessageId kQuitMessage = 0x0012;    // ends MessageLoop::run; wParam is the exit code
inline constexpr MessageId kTimerMessage = 0x0113;   // a window timer is due; wParam is its id
inline constexpr MessageId kFirstPrivateMessage = 0x0400;

// Waits in milliseconds; kInfinite waits for ever.
inline constexpr uint32_t kInfinite = 0xFFFFFFFFu;

}  // namespace plat
