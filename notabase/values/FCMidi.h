#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/values/FCBase.h"

#include <cstdint>

// The exchange form of a short MIDI message: byte 0 status, byte 1 data 1, byte 2 data 2,
// byte 3 zero.
using MIDIWORD = uint32_t;

// One short MIDI message, packed into the cell word: status in bits 8-15, data 1 in bits
// 16-23, data 2 in bits 24-31. The predicates classify it; it has no text form.
class NOTABASE_API FCMidi : public FCBase {
public:
    FCMidi() = default;
    FCMidi(const FCMidi& other);
    // Status, data 1 and data 2 from bytes 0..2 of the word, unmasked.
    FCMidi(MIDIWORD word);
    FCMidi& operator=(const FCMidi& other);
    FCMidi& operator=(MIDIWORD word);
    ~FCMidi() override;

    // The one shared all-zero message.
    static const FCMidi& MidiNull();

    MIDIWORD GetValue() const;
    void SetValue(MIDIWORD word);

    virtual uint8_t GetStatusByte() const;
    // The whole status byte, unmasked.
    void SetStatusByte(uint8_t status);
    // The message kind: status & 0xF0.
    virtual uint8_t GetStatusMSB() const;
    // The channel: status & 0x0F.
    uint8_t GetStatusLSB() const { return static_cast<uint8_t>(GetStatusByte() & 0x0F); }
    void SetStatusMSB(uint8_t kind);
    void SetStatusLSB(uint8_t channel);
    uint8_t GetDataByte1() const { return byteAt(16); }
    uint8_t GetDataByte2() const { return byteAt(24); }
    // Data bytes are 7-bit: the setters keep byte & 0x7F.
    void SetDataByte1(uint8_t data) { setByteAt(16, data & 0x7F); }
    void SetDataByte2(uint8_t data) { setByteAt(24, data & 0x7F); }

    virtual int HasData() const;
    virtual int IsNote() const;
    // A note-on of velocity 0 is a note-off.
    virtual int IsNoteOn() const;
    virtual int IsNoteOff() const;
    virtual int IsPolyPressureMsg() const;
    virtual int IsControllerMsg() const;
    virtual int IsProgramMsg() const;
    virtual int IsChanPressureMsg() const;
    virtual int IsPitchBendMsg() const;
    virtual int IsVolumeMsg() const;
    virtual int IsPedalDown() const;
    virtual int IsPedalUp() const;
    virtual int IsControllerType(unsigned int controller) const;
    // Status 0x80..0xEF.
    virtual int IsChannelMsg() const;
    // A controller message of controller 120 or more.
    virtual int IsChannelModeMsg() const;
    virtual int IsChannelVoiceMsg() const;
    // Status 0xF1..0xFF: a system-exclusive status 0xF0 in a short message is not counted.
    virtual int IsSysMsg() const;
    virtual int IsSysCommonMsg() const;
    virtual int IsSysRealtimeMsg() const;
    virtual int IsSysExMsg() const;

private:
    uint8_t byteAt(int shift) const { return static_cast<uint8_t>(GetCellWord() >> shift); }
    void setByteAt(int shift, unsigned value);
    uint8_t kind() const { return GetStatusMSB(); }
    uint8_t status() const { return GetStatusByte(); }
};
