#pragma once

#include "interface/InterfaceExport.h"

#include "interface/midifile/MCMidiDocument.h"

class MCOpusDoc;

// A music document as the MIDI file readers and the writer see it: its performance, its
// sequence and its header, with the sequence's MIDI-file events for the writer.
class INTERFACE_API MCOpusMidiDoc : public MCMidiDocument {
public:
    explicit MCOpusMidiDoc(MCOpusDoc& doc) : m_doc(doc) {}

    // A new performance replaces the one the document holds (a reader that failed part way
    // may have made one), and the document's sequence is attached to nothing until the
    // reader attaches it.
    ECPerformance* CreatePerformance(int create) override;
    ECPerformance* GetPerformance() override;
    CSequence& GetSequence() override;
    // The header takes the file type as its format, and the status of the file when the
    // file's name is that of one on disk.
    void SetMidiFileStatus(const MCMidiFile& file, int fileType) override;
    // The sequence's records, each tempo record holding the reference the writer gives back.
    int GetMidiFileEvents(const MCTime& from, const MCTime& to, int track, CWGEventList& list) override;

private:
    MCOpusDoc& m_doc;
};
