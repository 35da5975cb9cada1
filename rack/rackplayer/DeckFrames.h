#pragma once

#include "rack/rackplayer/RackCoreExport.h"

#include "platform/ui/window/WindowMessage.h"

namespace plat::ui {
class Window;
}

// The frames of the three decks: bands of the deck's height drawn with the deck's
// background, which show the name of the wave or MIDI file the deck holds. The decks' own
// controls and their play, record and play-list work live inside these frames.
namespace rack {

inline constexpr int kDeckHeight = 66;

RACKCORE_API intptr_t Win_WaveDeckFrame(plat::ui::Window* window, plat::ui::MessageId message, uintptr_t wParam,
                                        intptr_t lParam);
RACKCORE_API intptr_t Win_MidiDeckFrame(plat::ui::Window* window, plat::ui::MessageId message, uintptr_t wParam,
                                        intptr_t lParam);
RACKCORE_API intptr_t Win_CdDeckFrame(plat::ui::Window* window, plat::ui::MessageId message, uintptr_t wParam,
                                      intptr_t lParam);

// The deck shows the file that is now its current one.
RACKCORE_API void wave_ShowLoaded();
RACKCORE_API void midi_ShowLoaded();

}  // namespace rack
