#pragma once

#include "interface/InterfaceExport.h"

#include "interface/pickers/MCProgramEntry.h"

// An instrument without banks: every voice is in MIDI bank 0.
class INTERFACE_API MCProgramEntryNoBank : public MCProgramEntry {
public:
    int GetMidiBank() const override { return 0; }
    int GetBankFromMidi(int) const override { return 0; }
};
