#include "interface/pickers/MCPianoCtrlMedia.h"

#include "wavegate/CWavegate.h"

uint32_t MCPianoCtrlMedia::Message(unsigned char status, unsigned char channel, unsigned char note,
                                   unsigned char velocity)
{
    return uint32_t(status | (channel & 0x0F)) | (uint32_t(note & 0x7F) << 8) | (uint32_t(velocity & 0x7F) << 16);
}

void MCPianoCtrlMedia::NoteOn(unsigned int device, unsigned char note, unsigned char velocity, unsigned char channel)
{
    if (CWavegate* wavegate = CWavegate::GetWavegate())
        wavegate->SendMidiMsg(int(device), Message(0x90, channel, note, velocity), 0);
}

void MCPianoCtrlMedia::NoteOff(unsigned int device, unsigned char note, unsigned char velocity, unsigned char channel)
{
    if (CWavegate* wavegate = CWavegate::GetWavegate())
        wavegate->SendMidiMsg(int(device), Message(0x80, channel, note, velocity), 0);
}
