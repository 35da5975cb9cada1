#pragma once

#include "rack/rackplayer/PlayList.h"
#include "rack/rackplayer/RackCoreExport.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace plat::ui {
class Window;
}

namespace rack {

// "Edit CD Play List": the disc's title and artist, its play order built from its tracks,
// and new names for the tracks. OK writes them into plinthstore's CD objects.
class RACKCORE_API CdPlaylistDialog : public QDialog {
public:
    static constexpr int kPlayListBox = 1006;
    static constexpr int kTrackBox = 1007;
    static constexpr int kNameEdit = 1008;
    static constexpr int kTitleEdit = 1011;
    static constexpr int kArtistEdit = 1012;
    static constexpr int kTrackLabel = 1013;
    static constexpr int kAddButton = 1014;
    static constexpr int kDeleteButton = 1015;
    static constexpr int kClearButton = 1018;

    explicit CdPlaylistDialog(plat::ui::Window* deck);

    // Loads the disc first when it has no tracks; 1 after OK, 0 after Cancel.
    static int run(plat::ui::Window* deck);

    void selectTrack(int track);
    void add();
    void removeSelected();
    void clearList();
    // The name edit's text becomes the selected track's new name (track 0 when none).
    void rename();
    // What OK writes into the CD objects.
    void apply();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::string trackName(int track) const;

    PlayList m_playList;
    PlayList m_newNames;
    QLineEdit* m_title;
    QLineEdit* m_artist;
    QListWidget* m_order;
    QListWidget* m_tracks;
    QLabel* m_label;
    QLineEdit* m_name;
    QPushButton* m_add;
    QPushButton* m_delete;
    bool m_nameChanged = false;
};

}  // namespace rack
