// Reads any bytes as a Standard MIDI File: the reader must import them or refuse them, never
// read outside them, loop or allocate beyond their size.

#include "fuzz/FuzzDocument.h"
#include "interface/midifile/MCMidiMemFile.h"
#include "interface/midifile/MCMidiRead.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzDocument::Setup();
    FuzzDocument doc;
    MCMidiMemFile file("fuzz.mid", std::vector<uint8_t>(data, data + size));
    MCMidiRead reader;
    const int loaded = reader.LoadMidiFile(file, doc);
    // A refused file is left where it was found and says why.
    if (!loaded && (file.GetPosition() != 0 || reader.GetErrorText().empty()))
        std::abort();
    return 0;
}
