#pragma once

#include "interface/InterfaceExport.h"

#include "interface/pickers/MCPianoCtrl.h"

// The piano keyboard that plays its notes on a MIDI output of the device manager, at once.
class INTERFACE_API MCPianoCtrlMedia : public MCPianoCtrl {
public:
    using MCPianoCtrl::MCPianoCtrl;

    void NoteOn(unsigned int device, unsigned char note, unsigned char velocity, unsigned char channel) override;
    void NoteOff(unsigned int device, unsigned char note, unsigned char velocity, unsigned char channel) override;

    // The packed short message: status in the low byte, then the note and the velocity.
    static uint32_t Message(unsigned char status, unsigned char channel, unsigned char note, unsigned char velocity);
};
