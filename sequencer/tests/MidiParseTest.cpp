// The text of MIDI messages for a monitor or a trace.

#include "notabase/values/FCMidi.h"
#include "notabase/values/FCMidiSysEx.h"
#include "notabase/values/MCTime.h"
#include "notabase/values/MCVoiceTrack.h"
#include "sequencer/values/MCMidiParse.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

FCMidi Message(uint8_t status, uint8_t d1, uint8_t d2)
{
    return FCMidi(static_cast<MIDIWORD>(status) | static_cast<MIDIWORD>(d1) << 8 | static_cast<MIDIWORD>(d2) << 16);
}

TEST(MidiParseTest, EachKindOfMessageHasItsLine)
{
    struct Case {
        uint8_t status, d1, d2;
        const char* text;
    };
    const Case cases[] = {
        {0x90, 0x3C, 0x00, "90 3C 00 -- Note OFF             ch  1 key  60"},
        {0x90, 0x3C, 0x64, "90 3C 64 -- Note ON              ch  1 key  60 vel 100"},
        {0x8F, 0x3C, 0x40, "8F 3C 40 -- Note OFF             ch 16 key  60 rel  64"},
        {0xA1, 0x3C, 0x10, "A1 3C 10 -- Poly Pressure        ch  2 key  60 prs  16"},
        {0xB0, 0x65, 0x00, "B0 65 00 -- PRN MSB              ch  1 typ 101 val   0"},
        {0xB2, 0x07, 0x64, "B2 07 64 -- Volume           MSB ch  3 typ   7 val 100"},
        {0xB0, 0x27, 0x01, "B0 27 01 -- Volume           LSB ch  1 typ  39 val   1"},
        {0xB0, 0x15, 0x01, "B0 15 01 -- Undefined Ctrl.  MSB ch  1 typ  21 val   1"},
        {0xB0, 0x4E, 0x01, "B0 4E 01 -- Sound Ctrl. 9        ch  1 typ  78 val   1"},
        {0xB0, 0x7B, 0x00, "B0 7B 00 -- All Notes Off        ch  1 typ 123 val   0"},
        {0xC9, 0x05, 0x00, "C9 05 00 -- Program Change       ch 10 prg   5"},
        {0xD0, 0x22, 0x00, "D0 22 00 -- Channel Pressure     ch  1 prs  34"},
        {0xE3, 0x00, 0x40, "E3 00 40 -- Pitch Bend           ch  4 bnd  8192 (   +0)"},
        {0xE0, 0x00, 0x00, "E0 00 00 -- Pitch Bend           ch  1 bnd     0 (-8192)"},
        {0xF1, 0x35, 0x00, "F1 35 00 -- Time Code Qrtr. Frm. type 3 val 5"},
        {0xF2, 0x10, 0x02, "F2 10 02 -- Song Position Ptr.   lsb  16 msb   2"},
        {0xF3, 0x07, 0x00, "F3 07 00 -- Song Select          sng   7"},
        {0xF5, 0x00, 0x00, "F5 00 00 -- Undefined Sys/Common"},
        {0xF6, 0x00, 0x00, "F6 00 00 -- Tune Request         "},
        {0xF7, 0x00, 0x00, "F7 00 00 -- ERROR: End of Sys/Ex "},
        {0xF8, 0x00, 0x00, "F8 00 00 -- Timing Clock"},
        {0xFD, 0x00, 0x00, "FD 00 00 -- Undefine Sys/Realtime"},
        {0xFF, 0x00, 0x00, "FF 00 00 -- System Reset"},
    };
    MCMidiParse parse;
    for (const Case& c : cases)
        EXPECT_EQ(parse.ParseMidi(Message(c.status, c.d1, c.d2)), c.text);
}

TEST(MidiParseTest, SystemExclusiveShowsItsKindAndAtMostTwentyBytes)
{
    MCMidiParse parse;
    FCMidiSysEx on;
    on.SetGMSystemOn(0x7F);
    EXPECT_EQ(parse.ParseMidi(on), "Sys/Ex      General MIDI ON:     F0 7E 7F 09 01 F7 ");

    std::vector<unsigned char> bytes(25);
    bytes.front() = 0xF0;
    for (size_t i = 1; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i);
    bytes.back() = 0xF7;
    FCMidiSysEx longer(bytes.data(), static_cast<unsigned>(bytes.size()));
    const std::string text = parse.ParseMidi(longer);
    EXPECT_EQ(text.rfind("Sys/Ex      Message:             F0 01 02 ", 0), 0u);
    EXPECT_NE(text.find("13 ...(5 more bytes)"), std::string::npos) << text;
}

TEST(MidiParseTest, TheLineNamesTimeTrackVoiceAndCount)
{
    MCMidiParse parse;
    const FCMidi on = Message(0x90, 0x3C, 0x64);
    EXPECT_EQ(parse.ParseMidi(MCTime(1.5f), MCVoiceTrack(2, 5), 7, on),
              "1.500000 trk  5(2) -- 7: 90 3C 64 -- Note ON              ch  1 key  60 vel 100");
    MCVoiceTrack output;
    output.SetValue(0x8000);
    EXPECT_EQ(parse.ParseMidi(MCTime(0.0f), output, 0, on).substr(0, 20), "0.000000 trk 2047(15");
    // A copy keeps its texts.
    MCMidiParse copy(parse);
    EXPECT_EQ(copy.ParseMidi(on), "90 3C 64 -- Note ON              ch  1 key  60 vel 100");
}

}  // namespace
