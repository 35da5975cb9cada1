#include "notabase/values/FCMidi.h"
#include "notabase/values/FCMidiSysEx.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<unsigned char> bytesOf(const FCMidiSysEx& message)
{
    const unsigned char* buffer = message.GetSysExBuf();
    return buffer ? std::vector<unsigned char>(buffer, buffer + message.GetSysExBufLength()) : std::vector<unsigned char>{};
}

FCMidiSysEx sysEx(std::vector<unsigned char> bytes)
{
    return FCMidiSysEx(bytes.data(), static_cast<unsigned>(bytes.size()));
}

}  // namespace

TEST(FCMidi, ExchangesItsBytesAsOneWordWithTheStatusLowest)
{
    FCMidi note(MIDIWORD(0x00403C90));
    EXPECT_EQ(note.GetStatusByte(), 0x90);
    EXPECT_EQ(note.GetDataByte1(), 0x3C);
    EXPECT_EQ(note.GetDataByte2(), 0x40);
    EXPECT_EQ(note.GetValue(), 0x00403C90u);
    EXPECT_TRUE(note.IsNoteOn());
    note.SetDataByte2(0);
    EXPECT_TRUE(note.IsNoteOff());
    EXPECT_FALSE(note.IsNoteOn());

    // The word's top byte is not part of the message.
    EXPECT_EQ(FCMidi(MIDIWORD(0xAB403C90)).GetValue(), 0x00403C90u);
    EXPECT_TRUE(FCMidi().IsDirty());
    EXPECT_FALSE(FCMidi::MidiNull().HasData());
}

TEST(FCMidi, SettersMaskDataBytesButNotWholeWords)
{
    FCMidi message;
    message.SetDataByte1(0xFF);
    message.SetDataByte2(0x80);
    EXPECT_EQ(message.GetDataByte1(), 0x7F);
    EXPECT_EQ(message.GetDataByte2(), 0x00);
    message.SetValue(0xFFFFFF);
    EXPECT_EQ(message.GetStatusByte(), 0xFF);
    EXPECT_EQ(message.GetDataByte1(), 0xFF);
    EXPECT_EQ(message.GetDataByte2(), 0xFF);

    message.SetStatusByte(0x93);
    message.SetStatusMSB(0xB7);
    EXPECT_EQ(message.GetStatusByte(), 0xB3);
    message.SetStatusLSB(0x1E);
    EXPECT_EQ(message.GetStatusByte(), 0xBE);
    EXPECT_EQ(message.GetStatusMSB(), 0xB0);
    EXPECT_EQ(message.GetStatusLSB(), 0x0E);

    // Setting the message leaves the dirty flag alone.
    message.SetDirty(0);
    message.SetValue(0x90);
    EXPECT_FALSE(message.IsDirty());
}

TEST(FCMidi, PredicatesClassifyEachKindOfMessage)
{
    enum Predicate {
        note, noteOn, noteOff, poly, controller, program, chanPressure, pitchBend, volume,
        pedalDown, pedalUp, channel, channelMode, channelVoice, sys, sysCommon, sysRealtime, count
    };
    struct Case {
        uint8_t status, data1, data2;
        std::vector<Predicate> trueOnes;
    };
    const Case cases[] = {
        {0x90, 60, 100, {note, noteOn, channel, channelVoice}},
        {0x95, 60, 0, {note, noteOff, channel, channelVoice}},
        {0x80, 60, 64, {note, noteOff, channel, channelVoice}},
        {0xA2, 60, 10, {poly, channel, channelVoice}},
        {0xB0, 7, 100, {controller, volume, channel, channelVoice}},
        {0xB0, 64, 64, {controller, pedalDown, channel, channelVoice}},
        {0xB0, 64, 63, {controller, pedalUp, channel, channelVoice}},
        {0xB1, 121, 0, {controller, channel, channelMode}},
        {0xB1, 119, 0, {controller, channel, channelVoice}},
        {0xC3, 5, 0, {program, channel, channelVoice}},
        {0xD0, 50, 0, {chanPressure, channel, channelVoice}},
        {0xEF, 0, 64, {pitchBend, channel, channelVoice}},
        {0xF0, 0, 0, {}},
        {0xF1, 0, 0, {sys, sysCommon}},
        {0xF7, 0, 0, {sys, sysCommon}},
        {0xF8, 0, 0, {sys, sysRealtime}},
        {0xFF, 0, 0, {sys, sysRealtime}},
        {0x00, 0, 0, {}},
    };
    for (const Case& c : cases) {
        FCMidi m(MIDIWORD(c.status | (c.data1 << 8) | (c.data2 << 16)));
        const int got[count] = {m.IsNote(), m.IsNoteOn(), m.IsNoteOff(), m.IsPolyPressureMsg(), m.IsControllerMsg(),
                                m.IsProgramMsg(), m.IsChanPressureMsg(), m.IsPitchBendMsg(), m.IsVolumeMsg(),
                                m.IsPedalDown(), m.IsPedalUp(), m.IsChannelMsg(), m.IsChannelModeMsg(),
                                m.IsChannelVoiceMsg(), m.IsSysMsg(), m.IsSysCommonMsg(), m.IsSysRealtimeMsg()};
        for (int p = 0; p < count; ++p) {
            bool wanted = false;
            for (Predicate t : c.trueOnes)
                wanted = wanted || t == p;
            EXPECT_EQ(got[p], wanted ? 1 : 0) << "status " << int(c.status) << " data " << int(c.data1) << " predicate " << p;
        }
        EXPECT_EQ(m.IsSysExMsg(), 0);
        EXPECT_EQ(m.HasData(), c.status != 0 ? 1 : 0);
    }
    EXPECT_TRUE(FCMidi(MIDIWORD(0x000AB0)).IsControllerType(10));
    EXPECT_FALSE(FCMidi(MIDIWORD(0x000AC0)).IsControllerType(10));
}

TEST(FCMidiSysEx, OwnsACopyOfItsBytes)
{
    std::vector<unsigned char> bytes = {0xF0, 0x01, 0xF7};
    FCMidiSysEx message(bytes.data(), 3);
    bytes[1] = 0x55;
    EXPECT_EQ(bytesOf(message), (std::vector<unsigned char>{0xF0, 0x01, 0xF7}));

    FCMidiSysEx copy(message);
    FCMidiSysEx assigned;
    assigned = message;
    message.SetSysExBuf(nullptr, 5);
    EXPECT_EQ(message.GetSysExBufLength(), 0u);
    EXPECT_EQ(message.GetSysExBuf(), nullptr);
    EXPECT_FALSE(message.HasData());
    EXPECT_EQ(bytesOf(copy), (std::vector<unsigned char>{0xF0, 0x01, 0xF7}));
    EXPECT_EQ(bytesOf(assigned), bytesOf(copy));

    auto owned = std::make_unique<unsigned char[]>(2);
    owned[0] = 0xF0;
    owned[1] = 0xF7;
    const unsigned char* raw = owned.get();
    message.SetSysExBuf(std::move(owned), 2);
    EXPECT_EQ(message.GetSysExBuf(), raw);
    EXPECT_EQ(message.GetSysExBufLength(), 2u);
}

TEST(FCMidiSysEx, AnswersAsASystemExclusiveMessageOnly)
{
    FCMidiSysEx message = sysEx({0xF0, 0xB0, 0x07, 0xF7});
    EXPECT_EQ(message.GetStatusByte(), 0xF0);
    EXPECT_EQ(message.GetStatusMSB(), 0xF0);
    EXPECT_TRUE(message.IsSysExMsg());
    EXPECT_TRUE(message.IsSysMsg());
    EXPECT_TRUE(message.HasData());
    EXPECT_FALSE(message.IsSysCommonMsg());
    EXPECT_FALSE(message.IsControllerMsg());
    EXPECT_FALSE(message.IsVolumeMsg());
    EXPECT_FALSE(message.IsChannelMsg());
    EXPECT_FALSE(message.IsNote());
    // Through the base, the virtual predicates still answer for the message.
    const FCMidi& base = message;
    EXPECT_TRUE(base.IsSysExMsg());
    EXPECT_FALSE(base.IsControllerType(7));
}

TEST(FCMidiSysEx, MakesAndRecognisesTheStandardMessages)
{
    FCMidiSysEx message;
    message.SetGMSystemOn(0x85);
    EXPECT_EQ(bytesOf(message), (std::vector<unsigned char>{0xF0, 0x7E, 0x05, 0x09, 0x01, 0xF7}));
    EXPECT_TRUE(message.IsGMSystemOnMsg());
    EXPECT_FALSE(message.IsGMSystemOffMsg());

    message.SetGMSystemOff(3);
    EXPECT_EQ(bytesOf(message), (std::vector<unsigned char>{0xF0, 0x7E, 0x03, 0x09, 0x02, 0xF7}));
    EXPECT_TRUE(message.IsGMSystemOffMsg());

    message.SetGSSystemOn(0x11);
    EXPECT_EQ(bytesOf(message),
              (std::vector<unsigned char>{0xF0, 0x41, 0x11, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}));
    EXPECT_TRUE(message.IsGSSystemOnMsg());

    message.SetXGSystemOn(0x10);
    EXPECT_EQ(bytesOf(message), (std::vector<unsigned char>{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}));
    EXPECT_TRUE(message.IsXGSystemOnMsg());
    EXPECT_FALSE(message.IsGSSystemOnMsg());

    message.SetMasterVolume(0x3FFF);
    EXPECT_EQ(bytesOf(message), (std::vector<unsigned char>{0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x7F, 0x7F, 0xF7}));
    message.SetMasterBalance(0x2081);
    EXPECT_EQ(bytesOf(message), (std::vector<unsigned char>{0xF0, 0x7F, 0x7F, 0x04, 0x02, 0x01, 0x41, 0xF7}));
    // The master tests compare the value bytes as well: only the template's values match.
    EXPECT_FALSE(message.IsMasterBalanceMsg());
    message.SetMasterBalance(0);
    EXPECT_TRUE(message.IsMasterBalanceMsg());
    EXPECT_FALSE(message.IsMasterVolumeMsg());

    // Any device byte is recognised; a message too short for the template is not.
    EXPECT_TRUE(sysEx({0xF0, 0x7E, 0x33, 0x09, 0x01, 0xF7}).IsGMSystemOnMsg());
    EXPECT_FALSE(sysEx({0xF0, 0x7E, 0x7F}).IsGMSystemOnMsg());
    EXPECT_FALSE(FCMidiSysEx().IsGMSystemOnMsg());
}

TEST(FCMidiSysEx, WritesEachByteAsTwoDigitsAndABlank)
{
    EXPECT_EQ(sysEx({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}).ConvertToString(), "f0 7e 7f 09 01 f7 ");
    EXPECT_EQ(FCMidiSysEx().ConvertToString(), "");
}

TEST(FCMidiSysEx, ReadsHexadecimalBytesSeparatedByBlanksAndCommas)
{
    FCMidiSysEx message;
    EXPECT_EQ(message.ConvertFromString("F0 7e,7F ,, 9  0x01,f7"), 1);
    EXPECT_EQ(bytesOf(message), (std::vector<unsigned char>{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    FCMidiSysEx back;
    EXPECT_EQ(back.ConvertFromString(message.ConvertToString()), 1);
    EXPECT_EQ(bytesOf(back), bytesOf(message));

    // A text of delimiters only is an empty message.
    EXPECT_EQ(message.ConvertFromString(" , "), 0);
    EXPECT_EQ(message.GetSysExBufLength(), 0u);
}

TEST(FCMidiSysEx, RefusesMalformedTextAndKeepsTheMessage)
{
    const char* const malformed[] = {
        "f0 1234 f7",  // more than two digits would lose the high ones
        "f0 123 f7",   // an odd run of digits
        "f0 7g f7",    // not hexadecimal
        "f0 -1 f7",
        "sysex f0 f7",
        "f0 0x f7",
        "f0 0x100",
        "f0;7e",
    };
    for (const char* text : malformed) {
        FCMidiSysEx message = sysEx({0xF0, 0x01, 0xF7});
        EXPECT_EQ(message.ConvertFromString(text), 0) << text;
        EXPECT_EQ(bytesOf(message), (std::vector<unsigned char>{0xF0, 0x01, 0xF7})) << text;
    }
}
