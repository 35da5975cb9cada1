#include "rack/rackplayer/RackMenu.h"

#include "rack/outside/plinthbase/BaseStrings.h"
#include "rack/rackplayer/RackCommands.h"
#include "rack/rackplayer/RackState.h"

#include "platform/ui/window/Menu.h"

#include <initializer_list>

namespace rack {

std::unique_ptr<plat::ui::Menu> RackMenu::build()
{
    auto menu = std::make_unique<plat::ui::Menu>();
    plat::ui::Menu& file = menu->appendSubMenu("&File");
    file.appendItem(kCmdOpenWave, "Open &Wave...");
    file.appendItem(kCmdCloseWave, "C&lose Wave");
    file.appendItem(kCmdSaveWave, "&Save Wave...");
    file.appendItem(kCmdOpenMidi, "Open &Midi...");
    file.appendItem(kCmdCloseMidi, "Cl&ose Midi");
    file.appendItem(kCmdInitializeCd, "Initialize &CD");
    file.appendItem(kCmdExit, "E&xit");
    plat::ui::Menu& edit = menu->appendSubMenu("&Edit");
    edit.appendItem(kCmdWaveEditor, "&Wave Editor...");
    edit.appendItem(kCmdMidiEditor, "&Midi Editor...");
    edit.appendItem(kCmdPlaylistEditor, "&Playlist Editor...");
    plat::ui::Menu& options = menu->appendSubMenu("&Options");
    options.appendItem(kCmdToolbar, "&Toolbar");
    options.appendItem(kCmdMixer, "Mi&xer");
    options.appendItem(kCmdWave, "&Wave");
    options.appendItem(kCmdMidi, "&MIDI");
    options.appendItem(kCmdCd, "&CD");
    options.appendItem(kCmdWaveLoop, "Wa&ve Continous play");
    options.appendItem(kCmdMidiLoop, "Mi&di Continous play");
    options.appendItem(kCmdCdLoop, "CD Co&ntinous play");
    options.appendItem(kCmdMidiInput, "MIDI &Input...");
    options.appendItem(kCmdRecordingSetup, "&Recording Setup...");
    // Where a title-bar menu would hold it, if the window system gave programs one.
    options.appendSeparator();
    options.appendItem(kCmdOnTop, GetString(kStrOnTopItem, 45));
    plat::ui::Menu& help = menu->appendSubMenu("&Help");
    help.appendItem(kCmdHelpContents, "&Contents");
    help.appendItem(kCmdHelpRack, "&Stereo Rack");
    help.appendItem(kCmdAbout, "&About...");
    return menu;
}

void RackMenu::trim(plat::ui::Menu& menu, const RackState& state, bool midiEditorAvailable)
{
    if (!state.closeText.empty())
        menu.setItemText(kCmdExit, state.closeText);
    auto remove = [&menu](std::initializer_list<uint32_t> ids) {
        for (const uint32_t id : ids)
            menu.deleteItem(id);
    };
    if (state.hasWave)
        menu.insertSeparator(kCmdOpenMidi);
    else
        remove({kCmdOpenWave, kCmdCloseWave, kCmdSaveWave, kCmdWaveEditor, kCmdWave, kCmdWaveLoop});
    if (state.hasMidi)
        menu.insertSeparator(kCmdInitializeCd);
    else
        remove({kCmdOpenMidi, kCmdCloseMidi, kCmdMidiEditor, kCmdMidi, kCmdMidiLoop});
    if (state.hasCd)
        menu.insertSeparator(kCmdExit);
    else
        remove({kCmdInitializeCd, kCmdCd, kCmdCdLoop});
    if (state.hasWave || state.hasMidi || state.hasCd)
        menu.insertSeparator(kCmdMidiInput);
    if (state.hasMidi && !midiEditorAvailable)
        menu.deleteItem(kCmdMidiEditor);

    menu.checkItem(kCmdOnTop, state.onTop);
    menu.checkItem(kCmdToolbar, state.showToolbar);
    menu.checkItem(kCmdMixer, state.showMixer);
    if (state.hasWave) {
        menu.checkItem(kCmdWave, state.showWave);
        menu.checkItem(kCmdWaveLoop, state.waveLoop);
    }
    if (state.hasMidi) {
        menu.checkItem(kCmdMidi, state.showMidi);
        menu.checkItem(kCmdMidiLoop, state.midiLoop);
    }
    if (state.hasCd) {
        menu.checkItem(kCmdCd, state.showCd);
        menu.checkItem(kCmdCdLoop, state.cdLoop);
    }
    enableDeckItems(menu, state, kDeckWave, state.deckMenuEnabled[0]);
    enableDeckItems(menu, state, kDeckMidi, state.deckMenuEnabled[1]);
    enableDeckItems(menu, state, kDeckCd, state.deckMenuEnabled[2]);
    menu.deleteItem(kCmdPlaylistEditor);
}

void RackMenu::enableDeckItems(plat::ui::Menu& menu, const RackState& state, int deck, bool enabled)
{
    switch (deck) {
    case kDeckWave:
        for (const uint32_t id : {kCmdOpenWave, kCmdCloseWave, kCmdSaveWave})
            menu.enableItem(id, enabled);
        break;
    case kDeckMidi:
        for (const uint32_t id : {kCmdOpenMidi, kCmdCloseMidi})
            menu.enableItem(id, enabled);
        break;
    case kDeckCd:
        if (state.hasCd)
            menu.enableItem(kCmdInitializeCd, enabled);
        break;
    default:
        break;
    }
}

}  // namespace rack
