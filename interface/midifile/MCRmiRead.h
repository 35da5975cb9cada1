#pragma once

#include "interface/InterfaceExport.h"

#include "platform/storage/RiffChunk.h"

#include <string>

class MCMidiDocument;
class MCMidiFile;

// Reads a RIFF MIDI file: a RIFF form of type "RMID" whose "data" chunk holds a Standard MIDI
// File, which the Standard MIDI File reader then reads, confined to that chunk. The RIFF sizes
// are checked against the file, so a damaged form is refused rather than followed.
class INTERFACE_API MCRmiRead {
public:
    MCRmiRead() = default;
    MCRmiRead(const MCRmiRead&) = default;
    MCRmiRead& operator=(const MCRmiRead&) = default;

    // Non-zero when the file is a RIFF MIDI file and its Standard MIDI File was read. The file
    // is back at the position where the reader found it in every case.
    int LoadRmiFile(MCMidiFile& file, MCMidiDocument& doc);

    // Why the last load gave 0 (a form without a "data" chunk, or why its Standard MIDI File
    // was refused; empty when the file is no RIFF MIDI file at all), and what a load that
    // succeeded could not import.
    const std::string& GetErrorText() const { return m_error; }
    const std::string& GetWarningText() const { return m_warning; }

protected:
    // Finds the "data" chunk of the "RMID" form; non-zero when there is one.
    int OpenChunk();
    void CloseChunk();

private:
    MCMidiFile* m_file = nullptr;
    plat::riff::RiffChunk m_formChunk;
    plat::riff::RiffChunk m_dataChunk;
    std::string m_error;
    std::string m_warning;
};
