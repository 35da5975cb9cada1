#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/values/FCMidi.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// One system-exclusive message: its bytes (with the leading 0xF0 and trailing 0xF7 when it has
// them) in a buffer the cell owns, its length in bits 4-31 of the cell word. Makes and
// recognises the standard GM, GS, XG and master volume and balance messages, and converts to
// and from a text of hexadecimal bytes.
class NOTABASE_API FCMidiSysEx : public FCMidi {
public:
    // The most bytes a message can hold: the length has 28 bits.
    static constexpr uint32_t maxLength = 0x0FFFFFFF;

    FCMidiSysEx() = default;
    FCMidiSysEx(const FCMidiSysEx& other);
    FCMidiSysEx(const unsigned char* bytes, unsigned int length);
    FCMidiSysEx& operator=(const FCMidiSysEx& other);
    ~FCMidiSysEx() override;

    unsigned int GetSysExBufLength() const { return GetCellWord() >> 4; }
    // Null when the message is empty.
    const unsigned char* GetSysExBuf() const { return m_buffer.get(); }
    // Replaces the message by a copy of the bytes; null bytes or length 0 empty it. Throws
    // std::length_error beyond maxLength.
    void SetSysExBuf(const unsigned char* bytes, unsigned int length);
    // Takes the buffer over instead of copying it.
    void SetSysExBuf(std::unique_ptr<unsigned char[]> bytes, unsigned int length);

    uint8_t GetStatusByte() const override { return 0xF0; }
    uint8_t GetStatusMSB() const override { return 0xF0; }
    int HasData() const override { return GetSysExBufLength() != 0; }
    int IsNote() const override { return 0; }
    int IsNoteOn() const override { return 0; }
    int IsNoteOff() const override { return 0; }
    int IsPolyPressureMsg() const override { return 0; }
    int IsControllerMsg() const override { return 0; }
    int IsProgramMsg() const override { return 0; }
    int IsChanPressureMsg() const override { return 0; }
    int IsPitchBendMsg() const override { return 0; }
    int IsVolumeMsg() const override { return 0; }
    int IsPedalDown() const override { return 0; }
    int IsPedalUp() const override { return 0; }
    int IsControllerType(unsigned int) const override { return 0; }
    int IsChannelMsg() const override { return 0; }
    int IsChannelModeMsg() const override { return 0; }
    int IsChannelVoiceMsg() const override { return 0; }
    int IsSysMsg() const override { return 1; }
    int IsSysCommonMsg() const override { return 0; }
    int IsSysRealtimeMsg() const override { return 0; }
    int IsSysExMsg() const override { return 1; }

    // The standard messages, the device byte (index 2) set to device & 0x7F.
    void SetGMSystemOn(unsigned int device);
    void SetGMSystemOff(unsigned int device);
    void SetGSSystemOn(unsigned int device);
    void SetXGSystemOn(unsigned int device);
    // A 14-bit value in bytes 5 (low 7 bits) and 6 (high 7 bits).
    void SetMasterVolume(unsigned long value);
    void SetMasterBalance(unsigned long value);

    // Recognise the standard messages whatever their device byte; the master messages compare
    // the value bytes too, so they recognise only the values of the templates.
    virtual int IsGMSystemOnMsg() const;
    virtual int IsGMSystemOffMsg() const;
    virtual int IsGSSystemOnMsg() const;
    virtual int IsXGSystemOnMsg() const;
    virtual int IsMasterVolumeMsg() const;
    virtual int IsMasterBalanceMsg() const;

    // Each byte as two lower-case hexadecimal digits and a blank ("f0 7e 7f 09 01 f7 ").
    std::string ConvertToString() const;
    // Reads bytes written as one or two hexadecimal digits (an "0x" before them allowed),
    // separated by blanks and commas. 1 when at least one byte was read. Text that holds
    // anything else (a word that is not hexadecimal, a number of more than two digits) is
    // refused as a whole: 0, and the message stays as it was; a text of delimiters only
    // empties the message and answers 0.
    int ConvertFromString(std::string_view text);

protected:
    // 1 when the message has at least length bytes and its first length bytes equal the
    // reference's, positions skipIndex .. skipIndex + skipCount - 1 excepted.
    int SysExCompare(const unsigned char* reference, unsigned int length, int skipIndex, int skipCount) const;

private:
    void setCanned(const unsigned char* bytes, unsigned int length, unsigned int device);
    void setLength(unsigned int length);

    std::unique_ptr<unsigned char[]> m_buffer;
};
