// Reads any bytes as a RIFF MIDI file: the RIFF walk must stop at the end of the form and the
// embedded file must be read inside its "data" chunk only.

#include "fuzz/FuzzDocument.h"
#include "interface/midifile/MCMidiMemFile.h"
#include "interface/midifile/MCRmiRead.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzDocument::Setup();
    FuzzDocument doc;
    MCMidiMemFile file("fuzz.rmi", std::vector<uint8_t>(data, data + size));
    MCRmiRead reader;
    reader.LoadRmiFile(file, doc);
    if (file.GetPosition() != 0)
        std::abort();
    return 0;
}
