#pragma once

#include "rack/rackplayer/RackCoreExport.h"

#include "platform/ui/rackwindow/WindowMessage.h"

#include <cstdint>
#include <string>

namespace plat::ui {
class Window;
}

// The wave deck: plays the rack's waves one after the other and records new ones through
// the wave engine. Its shared state (index, count, idle, recording or playing) is in
// RackState; what only the deck uses is here.
namespace rack {

inline constexpr uint32_t kWaveCmdRecord = 40;
inline constexpr uint32_t kWaveCmdRecordEnded = 162;
inline constexpr uint32_t kWaveCmdLoop = 133;
inline constexpr uint32_t kWaveCmdRecordSetup = 179;
inline constexpr uintptr_t kWaveDeckTimer = 1;
inline constexpr uint32_t kWaveDeckTimerMs = 600;

struct RACKCORE_API WaveDeckState {
    bool paused = false;
    // A scan happened while paused: resuming plays again from the stored position.
    bool restart = false;
    bool scanning = false;
    int scanSpeed = 1;
    int scanSteps = 0;
    int32_t positionTenths = 0;
    int32_t paintedTenths = 0;
    bool timerRunning = false;
    bool meterBusy = false;
    bool timeBusy = false;
};

RACKCORE_API WaveDeckState& waveDeckState();

RACKCORE_API intptr_t Win_WaveDeck(plat::ui::Window* window, plat::ui::MessageId message, uintptr_t wParam,
                                   intptr_t lParam);

// Repaints the index, the time with the meter and the name.
RACKCORE_API void wave_Repaint(plat::ui::Window* deck);
// Shows the current wave and, when idle, the controls of an idle deck; enableSkip lets the
// scan and skip keys work while waves exist.
RACKCORE_API void wave_ShowLoaded(plat::ui::Window* deck = nullptr, bool enableSkip = true);
// Loads a wave file dropped on another deck and, when idle, makes it the current one;
// false when it could not be loaded.
RACKCORE_API bool wave_TakeFile(const std::string& path);
// Stops what the deck does; not for good, playback goes on with the next wave.
RACKCORE_API void wave_Stop(plat::ui::Window* deck, bool forGood);

}  // namespace rack
