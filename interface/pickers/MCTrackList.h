#pragma once

#include "interface/InterfaceExport.h"

#include <QListWidget>

class ECBase;
class MCOpusDoc;

// The tracks of a document in a list; each row carries its staff.
class INTERFACE_API MCTrackList : public QListWidget {
public:
    explicit MCTrackList(QWidget* parent = nullptr);

    void SetDocument(MCOpusDoc* doc, bool refresh = true);
    void RefreshTracks();
    ECBase* GetTrack(int row) const;

private:
    MCOpusDoc* m_doc = nullptr;
};
