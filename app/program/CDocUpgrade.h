#pragma once

class MCOpusDoc;

// Brings the element graph of a document stored in an older format version to the current
// model, once, before the document is shown. A document of version 4 or above is left as it is.
class CDocUpgrade {
public:
    explicit CDocUpgrade(MCOpusDoc* document);

    void Run();

private:
    // Every element below each track that is on a track of its own, or on none, moves to the
    // track it is stored under.
    void SetTrackNumbers();

    MCOpusDoc* m_document;
};
