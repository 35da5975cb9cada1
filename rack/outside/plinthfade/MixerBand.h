#pragma once

#include "rack/outside/plinthfade/PlinthFadeExport.h"

#include "platform/ui/rackwindow/WindowMessage.h"

#include <cstdint>

namespace plat::ui {
class Window;
}

// The rack's mixer band (window class GlimmerwaxMixerParent): a gain and a balance control
// for each source of the rack (wave, MIDI, CD). Each source's levels go where it plays: the
// wave's to plinthfx on wave playback, the MIDI's to the MIDI output (plinthtune), the CD's
// to the CD's playing (plinthstore).
namespace rack {

inline constexpr const char* kMixerBandClass = "GlimmerwaxMixerParent";
// The command that asks the band its height: the answer holds it in the high word.
inline constexpr uintptr_t kMixerHeightCommand = 4096;

// The creation block of a band: {width, height, 1, 0}.
struct MixerCreateBlock {
    int32_t width;
    int32_t height;
    int32_t flags;
    int32_t reserved;
};

enum class MixerSource { wave = 0, midi = 1, cd = 2 };
inline constexpr int kMixerSources = 3;

// Counted: the first call registers the class, the last terminate unregisters it (while
// a band exists it stays). Both answer 0.
PLINTHFADE_API int mix_Initialize();
PLINTHFADE_API int mix_Terminate();

// Gain 0 to 100 percent and balance -50 (left) to 50 (right) of a source; setting clamps.
// A band shows a change the next time it paints.
PLINTHFADE_API void mix_GetLevels(MixerSource source, int& gain, int& balance);
PLINTHFADE_API void mix_SetLevels(MixerSource source, int gain, int balance);

PLINTHFADE_API intptr_t Win_MixerBand(plat::ui::Window* window, plat::ui::MessageId message, uintptr_t wParam,
                                      intptr_t lParam);

}  // namespace rack
