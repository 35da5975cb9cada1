#pragma once

#include "interface/InterfaceExport.h"

#include "interface/midifile/MCMidiDocument.h"

class MCOpusDoc;

// A music document as the MIDI file readers and the writer see it: its performance, its
// sequence (whose MIDI-file events the writer takes) and its header.
class INTERFACE_API MCOpusMidiDocument : public MCMidiDocument {
public:
    explicit MCOpusMidiDocument(MCOpusDoc& doc) : m_doc(doc) {}

    ECPerformance* CreatePerformance(int create) override;
    ECPerformance* GetPerformance() override;
    CSequence& GetSequence() override;
    // The status of the document's file and the MIDI file type go into its header.
    void SetMidiFileStatus(const MCMidiFile& file, int fileType) override;
    int GetMidiFileEvents(const MCTime& from, MCTime& to, int track, CWGEventList& list) override;
    void RecycleMidiFileEvents(CWGEventList& written) override;

private:
    MCOpusDoc& m_doc;
};
