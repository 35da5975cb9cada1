#pragma once

#include "rack/rackplayer/RackCoreExport.h"

#include <memory>

namespace plat::ui {
class Menu;
}

namespace rack {

struct RackState;

// The frame's menu MAIN_MENU.
class RACKCORE_API RackMenu {
public:
    // The menu as stored: File, Edit, Options and Help with every item.
    static std::unique_ptr<plat::ui::Menu> build();
    // Fits the menu to the program: the close text on Exit, always-on-top, items of absent
    // features removed with separators between the rest, the outside MIDI editor's item
    // only when there is one, check marks, and the File items of busy decks greyed.
    static void trim(plat::ui::Menu& menu, const RackState& state, bool midiEditorAvailable);
    // Enables or greys the File items of a deck (kDeckWave, kDeckMidi, kDeckCd).
    static void enableDeckItems(plat::ui::Menu& menu, const RackState& state, int deck, bool enabled);
};

}  // namespace rack
