#pragma once

#include "interface/InterfaceExport.h"

#include "interface/pickers/MCProgramEntry.h"

// An instrument whose file banks are the bank select MSB (the LSB is 0).
class INTERFACE_API MCProgramEntryBankMSB : public MCProgramEntry {
public:
    int GetMidiBank() const override { return (GetBank() << 7) & 0x3F80; }
    int GetBankFromMidi(int midiBank) const override { return midiBank >> 7; }
};
