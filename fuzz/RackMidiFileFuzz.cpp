// Reads any bytes as the rack's MIDI deck reads a file: a Standard MIDI File or the one inside
// a RIFF MIDI file, merged into one timed list. The reader must refuse with a reason or give a
// list in time order whose messages point at what it holds.

#include "rack/outside/plinthtune/MidiFile.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    const auto file = rack::MidiFile::parse(std::vector<uint8_t>(data, data + size), error);
    if (!file) {
        if (error.empty())
            std::abort();
        return 0;
    }
    double last = 0.0;
    for (const rack::MidiFile::Event& event : file->events()) {
        if (!std::isfinite(event.ms) || event.ms < last || event.ms > file->lengthMs())
            std::abort();
        if (event.packed == 0 && event.sysexIndex >= file->sysex().size())
            std::abort();
        last = event.ms;
    }
    if (!std::isfinite(file->lengthMs()))
        std::abort();
    return 0;
}
