#include "rack/rackplayer/RackBands.h"

#include "rack/rackplayer/DeckControls.h"
#include "rack/rackplayer/RackState.h"

namespace rack {

BandLayout BandLayout::compute(const RackState& state)
{
    BandLayout layout;
    const int toolbar = state.showToolbar ? kToolbarHeight : 0;
    const int waveBase = toolbar + (state.showMixer ? state.mixerHeight : 0);
    const int midiBase = waveBase + (state.showWave ? kDeckHeight : 0);
    const int cdBase = midiBase + (state.showMidi ? kDeckHeight : 0);
    // A hidden band's top is 0.
    layout.mixerTop = state.showMixer ? toolbar : 0;
    layout.waveTop = state.showWave ? waveBase : 0;
    layout.midiTop = state.showMidi ? midiBase : 0;
    layout.cdTop = state.showCd ? cdBase : 0;
    layout.total = cdBase + (state.showCd ? kDeckHeight : 0);
    return layout;
}

}  // namespace rack
