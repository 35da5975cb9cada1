#pragma once

#include "interface/InterfaceExport.h"

#include "interface/pickers/MCProgramEntry.h"

// An instrument whose file banks are the whole 14-bit MIDI bank.
class INTERFACE_API MCProgramEntryBankMSBLSB : public MCProgramEntry {
public:
    int GetMidiBank() const override { return GetBank(); }
    int GetBankFromMidi(int midiBank) const override { return midiBank; }
};
