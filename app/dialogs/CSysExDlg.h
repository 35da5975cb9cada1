#pragma once

#include <QDialog>

class ECBase;
class MCOpusDoc;
class MCSysExList;

// The system-exclusive messages of a document: the pre-start sequence (messages before time
// zero, sent before playback starts), which it orders, and the messages that play at their
// times, which it sends at once on request; it adds, edits and removes messages of both.
class CSysExDlg : public QDialog {
public:
    static constexpr int kPrestartList = 801, kSendPrestart = 802, kMoveUp = 803, kMoveDown = 804, kList = 805,
                         kSendNow = 806, kNew = 807, kEdit = 808, kRemove = 809;

    explicit CSysExDlg(MCOpusDoc* doc, QWidget* parent = nullptr);
    ~CSysExDlg() override;

    void OnSendPrestart();
    void OnSendNow();
    void OnMoveUp() { MovePrestart(-1); }
    void OnMoveDown() { MovePrestart(1); }
    void OnNew();
    void OnEdit();
    void OnRemove();

    // The list Edit and Remove act on: the one that last had the focus.
    MCSysExList* GetActiveList() const { return m_active; }
    void RefreshLists();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Moves the first selected pre-start message one place (-1 up, 1 down) and gives every
    // pre-start message its time from its place: -n quarters for the first of n, up to -1.
    void MovePrestart(int step);
    // The first selected message of the active list, or null.
    ECBase* chosenMessage() const;

    MCOpusDoc* m_doc;
    MCSysExList* m_prestart;
    MCSysExList* m_normal;
    MCSysExList* m_active;
};
