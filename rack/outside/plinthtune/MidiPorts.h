#pragma once

#include "rack/outside/plinthtune/PlinthTuneExport.h"

#include <cstdint>
#include <span>

namespace plat::ui {
class Window;
}

// The rack's MIDI devices: one input and one output of the platform's MIDI devices, and
// feed-through, which passes everything the input receives to the output while both are
// open. Calls come from the interface thread; the input's messages are passed on from the
// device's own thread.
namespace rack {

// Counted; the last terminate closes what is still open. Both answer 0.
PLINTHTUNE_API int mid_Initialize();
PLINTHTUNE_API int mid_Terminate();
// Opens input device index (in the platform's device order) and starts it. Non-zero on
// success; 0 when the library is not initialised or the device does not open.
PLINTHTUNE_API int mid_OpenIn(plat::ui::Window* window, int index);
// Opens output device id (-1: the first output). Non-zero on success.
PLINTHTUNE_API int mid_OpenOut(int id);
PLINTHTUNE_API void mid_CloseIn();
PLINTHTUNE_API void mid_CloseOut();
// Sends a message to the open output now; 0 when none is open (any thread).
PLINTHTUNE_API int mid_SendShort(uint32_t packed);
PLINTHTUNE_API int mid_SendLong(std::span<const uint8_t> bytes);
// Whether the input or the output is open.
PLINTHTUNE_API bool mid_IsInOpen();
PLINTHTUNE_API bool mid_IsOutOpen();

// The gain (0 to 100 percent) and balance (-50 left only to 50 right only) of everything the
// output plays, the files and the feed-through (clamped); the mixer band sets them. A MIDI
// device has no level of its own, so they act on each channel's volume (controller 7, scaled
// so that the sound's amplitude follows the gain: a device's loudness goes with the square of
// the volume) and pan (controller 10, moved toward the side the balance leans to). What is
// sent keeps them: a volume or pan that passes out is adjusted, a device set back by a reset
// message gets them again, and a change is sent to every channel at once.
PLINTHTUNE_API void mid_SetLevels(int gain, int balance);

}  // namespace rack
