#pragma once

#include "rack/outside/plinthtune/PlinthTuneExport.h"

#include <cstdint>

namespace plat::ui {
class Window;
}

// plinthtune's player of MIDI files: one file at a time, read whole (MidiFile), its messages
// sent to the open MIDI output (mid_OpenOut) at their times on the media clock, at a rate
// that may change while it plays. The timing runs on a timer lane of the media backend; the
// calls come from the interface thread, and the end of a file is told there too.
namespace rack {

// What mid_PickupBitty fills in.
struct PLINTHTUNE_API MidiBitty {
    int32_t positionMs = 0;
    int32_t unused = 0;
    // Channels 1 to 16: 0 quiet to 8 loud, rising with each note and falling back by one
    // every 100 ms, never below 1 while a note sounds.
    int32_t activity[16] = {};
};

// Plays the MIDI file at path from startMs (of the file's own time) on the open output,
// at the normal rate: controllers, programs, pitch bends and system-exclusive messages
// before startMs are sent at once so the file sounds as it would there. At the end of the
// file the deck is sent kCommandMessage with wParam notifyCommand and lParam 0. Non-zero
// when playing started; 0 when no output is open or the file cannot be played (nothing
// plays then).
PLINTHTUNE_API int mid_Play(plat::ui::Window* deck, const char* path, uint32_t startMs, int, int,
                            uint32_t notifyCommand);
// Stops playing without notice and silences every note that was sounding.
PLINTHTUNE_API void mid_Stop();
// The speed in thousandths of the normal one, 500 to 2000 (clamped), from now on.
PLINTHTUNE_API void mid_RateControl(int rate);
// Non-zero while playing, with the position in the file's own time and the activity of each
// channel.
PLINTHTUNE_API int mid_PickupBitty(int outputDevice, MidiBitty& record);
// Stops playing and lets go of what the player keeps; mid_Terminate calls it last.
PLINTHTUNE_API void mid_EndPlayer();
// Whether a file is playing.
PLINTHTUNE_API bool mid_IsPlaying();

}  // namespace rack
