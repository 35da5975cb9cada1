#pragma once

#include "rack/rackplayer/RackCoreExport.h"

namespace rack {

struct RackState;

inline constexpr int kBandWidth = 633;
inline constexpr int kFrameClientWidth = 635;
inline constexpr int kToolbarHeight = 36;

// The stacking of the bands: the toolbar on top, then the mixer and the wave, MIDI and CD
// decks, each taking its height only while it is shown.
struct RACKCORE_API BandLayout {
    int mixerTop = 0;
    int waveTop = 0;
    int midiTop = 0;
    int cdTop = 0;
    // The height of all shown bands.
    int total = 0;

    static BandLayout compute(const RackState& state);
};

}  // namespace rack
