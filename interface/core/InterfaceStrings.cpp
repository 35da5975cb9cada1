#include "interface/core/InterfaceModule.h"

#include "platform/core/Resources.h"
#include "platform/ui/resource/MenuResources.h"

namespace {

constexpr plat::Resources::Entry kStrings[] = {
    // Time edit formats and their blanks.
    {11550, "%03d:%02d"},
    {11551, "%03d:%02d:%03d"},
    {11552, "%03d:%02d.%03d"},
    {11553, "%02d.%03d"},
    {11554, "%01d:%02d:%02d.%03d"},
    {11555, "%04d:%03d"},
    {11560, "---:--"},
    {11561, "---:--:---"},
    {11562, "---:--.---"},
    {11563, "--.---"},
    {11564, "-:--:--:--"},
    // Note edit.
    {11611, "&Note Numbers"},
    {11612, "Note Names (&Sharps)"},
    {11613, "Note Names (&Flats)"},
    {11614, "&Drum Names"},
    {11615, "Show Note Nu&mber"},
    {11617, "Drum:  %d"},
    // Warning and input dialogs.
    {11702, "Please enter a string in the field below"},
    {11703, "&Name:"},
    {11713, "&Don't warn me about this again"},
    // Drum names, note 27 upward (string id = note + 38473).
    {38500, "High Q"},
    {38501, "Slap"},
    {38502, "Scratch Push"},
    {38503, "Scratch Pull"},
    {38504, "Sticks"},
    {38505, "Square Click"},
    {38506, "Metronome Click"},
    {38507, "Metronome Bell"},
    {38508, "Kick 2"},
    {38509, "Kick 1"},
    {38510, "Side Stick"},
    {38511, "Snare Drum 1"},
    {38512, "Hand Clap"},
    {38513, "Snare Drum 2"},
    {38514, "Low Tom 2"},
    {38515, "Closed Hi-Hat"},
    {38516, "Low Tom 1"},
    {38517, "Pedal Hi-Hat"},
    {38518, "Mid Tom 2"},
    {38519, "Open Hi-Hat"},
    {38520, "Mid Tom 1"},
    {38521, "High Tom 2"},
    {38522, "Crash Cymbal 1"},
    {38523, "High Tom 1"},
    {38524, "Ride Cymbal"},
    {38525, "Chinese Cymbal"},
    {38526, "Ride Bell"},
    {38527, "Tambourine"},
    {38528, "Splash Cymbal"},
    {38529, "Cowbell"},
    {38530, "Crash Cymbal 2"},
    {38531, "Vibra-slap"},
    {38532, "Ride Cymbal 2"},
    {38533, "High Bongo"},
    {38534, "Low Bongo"},
    {38535, "Mute High Conga"},
    {38536, "Open High Conga"},
    {38537, "Low Conga"},
    {38538, "High Tambale"},
    {38539, "Low Tambale"},
    {38540, "High Agogo"},
    {38541, "Low Agogo"},
    {38542, "Cabasa"},
    {38543, "Maracas"},
    {38544, "Short Hi Whistle"},
    {38545, "Long Low Whistle"},
    {38546, "Short Guiro"},
    {38547, "Long Guiro"},
    {38548, "Claves"},
    {38549, "High Wood Block"},
    {38550, "Low Wood Block"},
    {38551, "Mute Cuica"},
    {38552, "Open Cuica"},
    {38553, "Mute Triangle"},
    {38554, "Open Triangle"},
    {38555, "Shaker"},
    {38556, "Jingle Bell"},
    {38557, "Bell Tree"},
    {38558, "Castanets"},
    {38559, "Mute Surdo"},
    {38560, "Open Surdo"},
};

const plat::Resources::Registration registration(InterfaceModule::kName, kStrings);

// The note edit's context menu.
const plat::ui::MenuResources::Menu kMenus[] = {
    {11610,
     {{11611, "&Note Numbers", {}},
      {11612, "Note Names (&Sharps)", {}},
      {11613, "Note Names (&Flats)", {}},
      {11614, "&Drum Names", {}},
      {0, "", {}},
      {11615, "Show Note Nu&mber", {}}}},
};

const plat::ui::MenuResources::Registration menus(InterfaceModule::kName, kMenus);

}  // namespace
