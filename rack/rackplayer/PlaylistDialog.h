#pragma once

#include "rack/rackplayer/PlayList.h"
#include "rack/rackplayer/RackCoreExport.h"

#include <QDialog>

class QListWidget;
class QPushButton;

namespace plat::ui {
class Window;
}

namespace rack {

// The play-list editors of the wave and MIDI decks ("Load Wave Files", "Load MIDI Files"):
// the deck's files in a list, files added from an open dialog at the selection, removed or
// cleared; OK makes plinthstore hold the list as edited.
class RACKCORE_API PlaylistDialog : public QDialog {
public:
    static constexpr int kListBox = 1001;
    static constexpr int kAddButton = 1002;
    static constexpr int kRemoveButton = 1003;
    static constexpr int kClearButton = 1005;

    // kind: kObjWave or kObjMidi.
    PlaylistDialog(plat::ui::Window* deck, int kind);

    // Runs the editor for the deck (through the frame's dialog runner); 1 after OK, 0 after
    // Cancel.
    static int run(plat::ui::Window* deck, int kind);

    void add();
    void remove();
    void clearAll();
    // What OK does to plinthstore's objects.
    void apply();

private:
    plat::ui::Window* m_deck;
    int m_kind;
    PlayList m_edit;
    PlayList m_removed;
    QListWidget* m_list;
};

}  // namespace rack
