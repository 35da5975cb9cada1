#include "interface/pickers/MCProgramEntry.h"

MCProgramEntry::~MCProgramEntry() = default;

int MCProgramEntry::GetMidiBank() const
{
    return m_bank;
}

int MCProgramEntry::GetBankFromMidi(int midiBank) const
{
    return midiBank;
}
