#pragma once

#include "interface/InterfaceExport.h"

#include <cstdint>
#include <string>

class MCOpusDoc;

namespace plat {
class ByteStream;
class MemoryStream;
}

// Gives the music document its MIDI file readers and writer: a document opens a RIFF MIDI
// file or a Standard MIDI File through them, and saves as a Standard MIDI File of type 0 or 1.
// A file that is a MIDI file but cannot be read is refused with the reader's cause; one read
// only in part is opened and the user told what was left out.
class INTERFACE_API MCMidiFormats {
public:
    // Installs the readers and the writer into the document class; the program calls it once
    // at start.
    static void Install();

    static int ReadRmi(plat::MemoryStream& contents, MCOpusDoc& doc);
    // Throws std::runtime_error with the cause for a MIDI file it refuses.
    static int ReadMidi(plat::MemoryStream& contents, MCOpusDoc& doc);
    // Throws std::runtime_error for a type or resolution it cannot write, and passes the
    // stream's errors on.
    static void WriteMidi(plat::ByteStream& out, MCOpusDoc& doc, int type, int ppq);

private:
    // Tells the user what a file read only in part left out.
    static void Warn(const std::string& text);
};
