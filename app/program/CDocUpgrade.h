#pragma once

#include <functional>

class ECBase;
class ECFlowControl;
class ECText;
class ECTrack;
class MCOpusDoc;

// Brings the element graph of a document stored in an older format version to the current
// model, once, before the document is shown. A document of version 4 or above is left as it is.
class CDocUpgrade {
public:
    explicit CDocUpgrade(MCOpusDoc* document);

    void Run();

private:
    // Staves (kind 1), the conductor staff (kind 0) and wave tracks (kind 2), by number.
    void ForEachTrack(const std::function<void(int kind, int number, ECTrack* track)>& visit);
    // Every element below each track that is on a track of its own, or on none, moves to the
    // track it is stored under.
    void SetTrackNumbers();
    void UpgradeFlowControl(ECTrack* track, ECFlowControl* mark);
    void UpgradeText(ECText* text);
    // Channel-mode messages go to the conductor staff.
    void MoveChannelModes(ECTrack* staff);
    void Remove(ECBase* element);

    MCOpusDoc* m_document;
};
