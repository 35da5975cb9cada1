#pragma once

#include "preferences/PreferencesExport.h"

#include <cstdint>
#include <string>
#include <vector>

class MCOpusDoc;

// What the pages and the wizard do with the devices and the open documents: the test note a
// MIDI output plays, the test sound of a wave output, and the documents that are open.
class PREFERENCES_API CPrefsDevices {
public:
    // The test note: key 69 at velocity 127 on channel 1, and its note-off (velocity 0).
    static constexpr uint32_t kTestNoteOn = 0x90u | 69u << 8 | 127u << 16;
    static constexpr uint32_t kTestNoteOff = 0x90u | 69u << 8;

    // Plays the note on and off on the device, after durationMs; the device manager's switch
    // that sends all output to the default device is off for the call (so the device chosen
    // is the one heard) and back as it was afterwards.
    static void SendTestNote(int device, uint32_t noteOn, uint32_t noteOff, uint32_t durationMs);
    // Plays "test.wav" from the program's folder on the wave output; 0 when it cannot.
    static int PlayTestSound(int device);
    // Plays a sound file of the program's folder on the wave output; 0 when it cannot.
    static int PlaySound(const char* name, int device);

    // The open documents of every document template.
    static std::vector<MCOpusDoc*> OpenDocuments();

    // Why a list of the devices of a kind (the device lists' types: 1 and 2 MIDI outputs, 4
    // wave outputs) holds none: a line to show in its place.
    static std::string MissingDevicesText(int type);
};
