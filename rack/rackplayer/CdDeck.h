#pragma once

#include "rack/rackplayer/RackCoreExport.h"

#include "platform/ui/rackwindow/WindowMessage.h"

#include <cstdint>

namespace plat::ui {
class Window;
}

// The CD deck: plays the tracks of the disc in its play order through plinthstore, which
// reads them digitally and plays them on the wave output.
namespace rack {

inline constexpr uint32_t kCdCmdInitialize = 24;
inline constexpr uint32_t kCdCmdLoop = 135;
inline constexpr uint32_t kCdCmdEject = 136;
inline constexpr uintptr_t kCdDoorTimer = 1;
inline constexpr uintptr_t kCdPlayTimer = 2;
inline constexpr uint32_t kCdTimerMs = 100;
// The kinds of cd_Stop: a track ended well, or failed.
inline constexpr int kCdStopKindSuccess = 1;
inline constexpr int kCdStopKindFailure = 8;

struct RACKCORE_API CdDeckState {
    int position = 0;
    int playCount = 0;
    int32_t elapsedTenths = 0;
    bool paused = false;
    // A scan or a skip interrupted play: it plays again afterwards.
    bool resume = false;
    int scanSpeed = 1;
    int scanSteps = 0;
    uint32_t startTick = 0;
    int32_t startTenths = 0;
    bool timerRunning = false;
    bool timeBusy = false;
};

RACKCORE_API CdDeckState& cdDeckState();

RACKCORE_API intptr_t Win_CdDeck(plat::ui::Window* window, plat::ui::MessageId message, uintptr_t wParam,
                                 intptr_t lParam);

// Repaints the title, the index and the time.
RACKCORE_API void cd_Repaint(plat::ui::Window* deck);
RACKCORE_API void cd_ShowLoaded(plat::ui::Window* deck);
// Stops playing. stop 0 asks plinthstore to leave the disc turning; kind kCdStopKindFailure
// empties the CD. Not for good, with the CD loop on, the next track that starts plays.
RACKCORE_API void cd_Stop(plat::ui::Window* deck, bool forGood, bool stop, int kind);

}  // namespace rack
