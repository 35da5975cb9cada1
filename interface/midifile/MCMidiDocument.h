#pragma once

#include "interface/InterfaceExport.h"

#include "wavegate/CWGEventData.h"

class CSequence;
class ECPerformance;
class MCMidiFile;
class MCTime;

// What the MIDI file readers and the writer ask of the music document they fill or save. The
// document answers from its own members: its performance, its sequence, its header.
class INTERFACE_API MCMidiDocument {
public:
    virtual ~MCMidiDocument() = default;

    // Makes the document's performance (with 1: a new, empty piece) and answers it.
    virtual ECPerformance* CreatePerformance(int create) = 0;
    virtual ECPerformance* GetPerformance() = 0;
    virtual CSequence& GetSequence() = 0;
    // Keeps the status of the file just read or written in the header, with its file type
    // (1, 2, 3 for formats 0, 1, 2).
    virtual void SetMidiFileStatus(const MCMidiFile& file, int fileType) = 0;
    // The sequence's MIDI-file events in [from, to) of the track (2046: every track) as
    // records the caller then owns; non-zero when none remain after the window, with `to`
    // moved back to the end of the piece.
    virtual int GetMidiFileEvents(const MCTime& from, MCTime& to, int track, CWGEventList& list) = 0;
    // Takes back the records of GetMidiFileEvents once written; they are freed unless the
    // document reuses them.
    virtual void RecycleMidiFileEvents(CWGEventList& written) { written.clear(); }
};
