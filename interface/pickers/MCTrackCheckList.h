#pragma once

#include "interface/InterfaceExport.h"

#include "interface/controls/MCCheckList.h"

class MCEventList;
class MCOpusDoc;

// The tracks of a document with a check box each, unchecked at first.
class INTERFACE_API MCTrackCheckList : public MCCheckList {
public:
    explicit MCTrackCheckList(QWidget* parent = nullptr);

    void SetDocument(MCOpusDoc* doc, bool refresh = true);
    void RefreshTracks();
    // Empties list and appends the staves of the checked rows, top to bottom; their count.
    int GetSelectedTracks(MCEventList& list) const;

private:
    MCOpusDoc* m_doc = nullptr;
};
