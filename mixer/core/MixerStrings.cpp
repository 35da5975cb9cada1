// The texts and menus of the mixer: captions, the undo names, and the prompts and tips of its
// controls (the part after the newline is the tip).

#include "mixer/core/MixerModule.h"

#include "platform/core/Resources.h"
#include "platform/ui/resource/MenuResources.h"

namespace {

constexpr plat::Resources::Entry kStrings[] = {
    {5120, "Mixer"},
    {5125, "Track %d"},
    {5126, "Clear Track"},
    {5127, "Change Track Name"},
    // Strip controls.
    {5150, "The name of the track; click a selected strip's name to change it\nTrack Name"},
    {5152, "Mute this track\nMute"},
    {5153, "Solo this track\nSolo"},
    {5154, "Toggle play/record mode\nToggle play/record"},
    {5155, "Adjust the volume\nVolume"},
    {5156, "The level of what plays\nLevel"},
    {5157, "Adjust the pan position\nPan"},
    {5158, "Adjust the chorus depth\nChorus"},
    {5159, "Adjust the reverb depth\nReverb"},
    {5160, "Adjust the modulation depth\nModulation"},
    // Master section.
    {5172, "The master section: the volume, the tempo and MIDI thru of the piece\nMaster Section"},
    {5180, "Adjust the tempo speed\nTempo Speed"},
    {5181, "Type a tempo in beats per minute\nTempo"},
    {5185, "Play at a quarter of the tempo\nQuarter Speed"},
    {5186, "Play at half the tempo\nHalf Speed"},
    {5187, "Play at the tempo of the piece\nNormal Speed"},
    {5188, "Play at double the tempo\nDouble Speed"},
    {5189, "Play at four times the tempo\nQuadruple Speed"},
    {5190, "Lights while MIDI comes in\nMIDI In"},
    {5191, "Pass MIDI input through to the selected track\nMIDI Thru"},
    // Layout buttons.
    {37130, "Show the mixer in its small layout\nMini Layout"},
    {37131, "Show the mixer in its normal layout\nNormal Layout"},
    {37132, "Show the mixer in its full layout\nFull Layout"},
    // Context menus.
    {37120, "Mute this track\nMute"},
    {37121, "Solo this track\nSolo"},
    {37122, "Remove the notes and controller events of this track\nClear Track"},
    {37125, "Select every track of the mixer\nSelect All"},
    {37126, "Take mute and solo off every track\nReset All"},
};

const plat::Resources::Registration registration(MixerModule::kName, kStrings);

const plat::ui::MenuResources::Menu kMenus[] = {
    {MixerModule::kStripMenu,
     {{37120, "&Mute", {}},
      {37121, "&Solo", {}},
      {0, "", {}},
      {37122, "&Clear Track", {}},
      {0, "", {}},
      {37125, "Select &All", {}},
      {37126, "&Reset All", {}}}},
    {MixerModule::kMixerMenu,
     {{38662, "&Add Staff...", {}},
      {38663, "&Remove Staff...", {}},
      {0, "", {}},
      {38665, "Add &Measures...", {}},
      {38666, "Remove M&easures...", {}},
      {0, "", {}},
      {38611, "&Inspector", {}}}},
};

const plat::ui::MenuResources::Registration menus(MixerModule::kName, kMenus);

}  // namespace
