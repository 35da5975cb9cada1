#pragma once

#include "interface/InterfaceExport.h"

#include <QComboBox>

#include <string>
#include <vector>

class MCOpusDoc;

// The tracks of a document in a drop-down list; when editable, the user may also type a set
// of track numbers ("1, 2, 3" or "1-3, 4, 5-10"), which Enter takes as a new entry or refuses.
// An entry of a track carries its staff; one without stands for typed numbers (or, first in
// the list, for every track).
class INTERFACE_API MCTrackBox : public QComboBox {
public:
    static constexpr int kTracksChosen = 0x3100;

    explicit MCTrackBox(QWidget* parent = nullptr);

    virtual void SetDocument(MCOpusDoc* doc, bool refresh = true);
    virtual void RefreshTracks();
    void SetEditable(bool editable);
    bool GetEditable() const { return m_editableFlag; }
    void SetDisplayTrackNum(bool show) { m_displayNumbers = show; }
    bool GetDisplayTrackNum() const { return m_displayNumbers; }

    // Appends the numbers of the selected entry's tracks; their count, 0 for none.
    int GetTracks(std::vector<int>& out) const;
    // The numbers a typed text names, each once in order of first appearance: numbers from 1
    // and ranges "low-high" (either way round) separated by blanks, commas, colons or
    // semicolons. Any other token makes the whole text unreadable: nothing.
    static int ParseStringForTracks(const std::string& text, std::vector<int>& out);
    // Makes the typed text the selection; false when it names no entry and no tracks.
    bool ValidateSelection();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    MCOpusDoc* m_doc = nullptr;
    bool m_editableFlag = false;
    bool m_displayNumbers = false;
};
