#pragma once

#include "rack/outside/plinthstore/PlinthStoreExport.h"
#include "rack/outside/plinthstore/StoreRecords.h"

#include <optional>
#include <string>

// What the rack reads of its media files before it takes them: their kind, a wave's format
// and data, a MIDI file's length.
namespace rack {

class PLINTHSTORE_API MediaFileInfo {
public:
    // kObjWave for a RIFF WAVE file, kObjMidi for a Standard MIDI File or a RIFF MIDI file,
    // -1 for anything else (or a file that cannot be read).
    static int fileType(const std::string& path);
    // Fills the format, data offset and length of a PCM wave file of 8 or 16 bits; false
    // when the file is not one, or its sound starts or runs beyond what the record counts
    // (2^31 - 1 bytes into the file, 2^31 - 1 samples: 8-bit sound of more than 2 GiB).
    static bool readWave(const std::string& path, WaveRecord& record);
    // The length of a MIDI file in tenths of a second (its last event, through its tempo
    // changes); nullopt when it is not a MIDI file that can be read.
    static std::optional<int32_t> midiLengthTenths(const std::string& path);
};

}  // namespace rack
