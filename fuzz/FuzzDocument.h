#pragma once

// The document the MIDI file fuzz targets read into: a fresh piece for every input, with the
// sequencer's data classes registered once and the settings kept in a folder of their own.

#include "fuzz/FuzzTempFolder.h"
#include "interface/tests/MidiDocumentDouble.h"
#include "platform/core/Profile.h"
#include "sequencer/InitSequencer.h"

#include <cstdlib>
#include <filesystem>

class FuzzDocument : public MidiDocumentDouble {
public:
    // Once per process.
    static void Setup()
    {
        static const bool done = [] {
            setenv("QUAVIX_MEDIA", "memory", 0);
            const std::filesystem::path folder = FuzzTempFolder::Path() / "settings";
            std::filesystem::create_directories(folder);
            plat::Profile::setFolder(folder.string());
            return InitSequencer() != 0;
        }();
        (void)done;
    }

    int GetMidiFileEvents(const MCTime&, MCTime&, int, CWGEventList&) override { return 1; }

};
