#include "notabase/values/FCMidi.h"

namespace {

enum : uint8_t {
    kindNoteOff = 0x80,
    kindNoteOn = 0x90,
    kindPolyPressure = 0xA0,
    kindController = 0xB0,
    kindProgram = 0xC0,
    kindChanPressure = 0xD0,
    kindPitchBend = 0xE0,
};
constexpr unsigned controllerVolume = 7;
constexpr unsigned controllerPedal = 64;
constexpr unsigned firstChannelMode = 120;

}  // namespace

FCMidi::FCMidi(const FCMidi& other) : FCBase(other)
{
    SetValue(other.GetValue());
}

FCMidi::FCMidi(MIDIWORD word)
{
    SetValue(word);
}

FCMidi& FCMidi::operator=(const FCMidi& other)
{
    SetValue(other.GetValue());
    return *this;
}

FCMidi& FCMidi::operator=(MIDIWORD word)
{
    SetValue(word);
    return *this;
}

FCMidi::~FCMidi() = default;

const FCMidi& FCMidi::MidiNull()
{
    static const FCMidi null;
    return null;
}

MIDIWORD FCMidi::GetValue() const
{
    return static_cast<MIDIWORD>(byteAt(8)) | (static_cast<MIDIWORD>(byteAt(16)) << 8)
           | (static_cast<MIDIWORD>(byteAt(24)) << 16);
}

void FCMidi::SetValue(MIDIWORD word)
{
    setByteAt(8, word & 0xFF);
    setByteAt(16, (word >> 8) & 0xFF);
    setByteAt(24, (word >> 16) & 0xFF);
}

void FCMidi::setByteAt(int shift, unsigned value)
{
    const uint32_t mask = uint32_t(0xFF) << shift;
    SetCellWord((GetCellWord() & ~mask) | ((static_cast<uint32_t>(value) & 0xFF) << shift));
}

uint8_t FCMidi::GetStatusByte() const
{
    return byteAt(8);
}

void FCMidi::SetStatusByte(uint8_t status)
{
    setByteAt(8, status);
}

uint8_t FCMidi::GetStatusMSB() const
{
    return static_cast<uint8_t>(GetStatusByte() & 0xF0);
}

void FCMidi::SetStatusMSB(uint8_t kind)
{
    setByteAt(8, (byteAt(8) & 0x0F) | (kind & 0xF0));
}

void FCMidi::SetStatusLSB(uint8_t channel)
{
    setByteAt(8, (byteAt(8) & 0xF0) | (channel & 0x0F));
}

int FCMidi::HasData() const
{
    return status() != 0;
}

int FCMidi::IsNote() const
{
    return kind() == kindNoteOn || kind() == kindNoteOff;
}

int FCMidi::IsNoteOn() const
{
    return kind() == kindNoteOn && GetDataByte2() != 0;
}

int FCMidi::IsNoteOff() const
{
    return kind() == kindNoteOff || (kind() == kindNoteOn && GetDataByte2() == 0);
}

int FCMidi::IsPolyPressureMsg() const
{
    return kind() == kindPolyPressure;
}

int FCMidi::IsControllerMsg() const
{
    return kind() == kindController;
}

int FCMidi::IsProgramMsg() const
{
    return kind() == kindProgram;
}

int FCMidi::IsChanPressureMsg() const
{
    return kind() == kindChanPressure;
}

int FCMidi::IsPitchBendMsg() const
{
    return kind() == kindPitchBend;
}

int FCMidi::IsVolumeMsg() const
{
    return IsControllerType(controllerVolume);
}

int FCMidi::IsPedalDown() const
{
    return IsControllerType(controllerPedal) && GetDataByte2() >= 64;
}

int FCMidi::IsPedalUp() const
{
    return IsControllerType(controllerPedal) && GetDataByte2() < 64;
}

int FCMidi::IsControllerType(unsigned int controller) const
{
    return kind() == kindController && GetDataByte1() == controller;
}

int FCMidi::IsChannelMsg() const
{
    return status() >= 0x80 && status() <= 0xEF;
}

int FCMidi::IsChannelModeMsg() const
{
    return kind() == kindController && GetDataByte1() >= firstChannelMode;
}

int FCMidi::IsChannelVoiceMsg() const
{
    return IsChannelMsg() && !IsChannelModeMsg();
}

int FCMidi::IsSysMsg() const
{
    return status() >= 0xF1;
}

int FCMidi::IsSysCommonMsg() const
{
    return status() >= 0xF1 && status() <= 0xF7;
}

int FCMidi::IsSysRealtimeMsg() const
{
    return status() >= 0xF8;
}

int FCMidi::IsSysExMsg() const
{
    return 0;
}
