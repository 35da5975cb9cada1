#pragma once

#include "interface/InterfaceExport.h"

// One program (voice) of an instrument definition: its 0-based program and its bank in the
// file's own numbering. The kinds of file turn that bank into the 14-bit MIDI bank (bank
// select MSB x 128 + LSB) and back; this base passes banks unchanged both ways.
class INTERFACE_API MCProgramEntry {
public:
    MCProgramEntry() = default;
    MCProgramEntry(const MCProgramEntry&) = default;
    MCProgramEntry& operator=(const MCProgramEntry&) = default;
    virtual ~MCProgramEntry();

    virtual int GetMidiBank() const;
    virtual int GetBankFromMidi(int midiBank) const;

    unsigned char GetProgram() const { return m_program; }
    void SetProgram(unsigned char program) { m_program = program; }
    int GetBank() const { return m_bank; }
    void SetBank(int bank) { m_bank = bank; }

private:
    unsigned char m_program = 0;
    int m_bank = 0;
};
