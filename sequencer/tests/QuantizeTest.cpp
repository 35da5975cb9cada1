// The record quantizer: its grids, their choice and memory, strength, and the message and
// element paths.

#include "notabase/model/ECControlChange.h"
#include "notabase/model/ECNote.h"
#include "notabase/values/FCMidi.h"
#include "notabase/values/MCTime.h"
#include "notabase/values/MCVoiceTrack.h"
#include "sequencer/layers/LCsqQuantize.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

const FCMidi kNoteOn(0x90u | 60u << 8 | 100u << 16);
const FCMidi kNoteOff(0x80u | 60u << 8);
const FCMidi kController(0xB0u | 7u << 8 | 100u << 16);

LCsqQuantize Quantizer(int primary, int secondary, int percent, unsigned mode)
{
    LCsqQuantize quantizer;
    quantizer.SetPrimaryDivision(primary);
    quantizer.SetSecondaryDivision(secondary);
    quantizer.SetQuantizationPercent(percent);
    quantizer.SetQuantizationMode(mode);
    return quantizer;
}

// Thousandths of a quarter, as the quantizer counts them.
long Thousandths(const MCTime& time)
{
    return std::lround(static_cast<double>(time.GetSeconds()) * 1000.0);
}

long Quantized(LCsqQuantize& quantizer, const FCMidi& message, float time, MCVoiceTrack voiceTrack = MCVoiceTrack(0, 1))
{
    MCTime at(time);
    quantizer.QuantizeEvent(message, at, voiceTrack);
    return Thousandths(at);
}

TEST(QuantizeTest, GridsHaveTheirPointsAndCloseness)
{
    LCsqQuantize quantizer = Quantizer(4, 3, 100, 1);
    std::vector<int> positions;
    std::vector<int> boundaries;
    for (const auto& point : quantizer.GetPrimaryPoints()) {
        positions.push_back(point.position);
        boundaries.push_back(point.boundary);
    }
    EXPECT_EQ(positions, (std::vector<int>{0, 250, 500, 750, 1000}));
    EXPECT_EQ(boundaries, (std::vector<int>{125, 375, 625, 875, 1125}));
    positions.clear();
    for (const auto& point : quantizer.GetSecondaryPoints())
        positions.push_back(point.position);
    EXPECT_EQ(positions, (std::vector<int>{0, 333, 667, 1000}));
    // 255 on a point, 0 half way between two.
    EXPECT_EQ(quantizer.GetPrimaryWeight(0), 255);
    EXPECT_EQ(quantizer.GetPrimaryWeight(250), 255);
    EXPECT_EQ(quantizer.GetPrimaryWeight(125), 0);
    EXPECT_EQ(quantizer.GetSecondaryWeight(0), 255);
    EXPECT_LT(quantizer.GetSecondaryWeight(167), 3);
    // A division of 0 or less is one point per beat; an absurd division is held.
    quantizer.SetPrimaryDivision(-3);
    EXPECT_EQ(quantizer.GetPrimaryDivision(), 0);
    ASSERT_EQ(quantizer.GetPrimaryPoints().size(), 2u);
    EXPECT_EQ(quantizer.GetPrimaryPoints()[1].position, 1000);
    quantizer.SetPrimaryDivision(1 << 30);
    EXPECT_EQ(quantizer.GetPrimaryDivision(), LCsqQuantize::maxDivision);
}

TEST(QuantizeTest, StartsAndEndsMoveToTheGridAsTheTableSays)
{
    struct Case {
        int percent;
        const FCMidi* message;
        unsigned mode;
        float time;
        long expected;
    };
    const Case cases[] = {
        {100, &kNoteOn, 1, 2.130f, 2250},
        {100, &kNoteOn, 1, 2.120f, 2000},
        {100, &kNoteOn, 1, 2.125f, 2250},  // on a boundary: the later point
        {50, &kNoteOn, 1, 2.130f, 2190},   // half way, truncated toward the time
        {100, &kNoteOff, 2, 1.5f, 1750},   // an end on a point moves to the next
        {100, &kNoteOff, 2, 1.49f, 1500},
        {100, &kNoteOn, 1, 3.9996f, 4000},  // p = 1000 belongs to the next beat
        {100, &kNoteOn, 4, 2.130f, 2250},  // mode 4 takes note ons as plain events
        {100, &kNoteOff, 4, 1.5f, 1500},   // ... and note offs as starts
        {100, &kController, 1, 2.130f, 2130},  // not a note: only mode 4 moves it
        {100, &kNoteOn, 2, 2.130f, 2130},
    };
    for (const Case& c : cases) {
        LCsqQuantize quantizer = Quantizer(4, 0, c.percent, c.mode);
        EXPECT_EQ(Quantized(quantizer, *c.message, c.time), c.expected) << c.time << " mode " << c.mode;
    }
}

TEST(QuantizeTest, QuantizingTwiceChangesNothing)
{
    for (int secondary : {0, 3, 6}) {
        LCsqQuantize quantizer = Quantizer(4, secondary, 100, 1);
        for (int ms = 0; ms < 4000; ms += 7) {
            const long once = Quantized(quantizer, kNoteOn, static_cast<float>(ms) / 1000.0f);
            quantizer.PrepareQuantization();
            const long twice = Quantized(quantizer, kNoteOn, static_cast<float>(once) / 1000.0f);
            quantizer.PrepareQuantization();
            EXPECT_EQ(twice, once) << ms << " with secondary " << secondary;
        }
    }
}

TEST(QuantizeTest, TheGridInUseFollowsTheDivisionsAndTheBeatsMemory)
{
    EXPECT_EQ(Quantizer(4, 2, 100, 1).GetModeWord() & 0xC000u, LCsqQuantize::modePrimaryOnly);
    EXPECT_EQ(Quantizer(3, 6, 100, 1).GetModeWord() & 0xC000u, LCsqQuantize::modeSecondaryOnly);
    EXPECT_EQ(Quantizer(4, 3, 100, 1).GetModeWord() & 0xC000u, 0u);
    EXPECT_EQ(Quantizer(0, 3, 100, 1).GetModeWord() & 0xC000u, LCsqQuantize::modePrimaryOnly);

    LCsqQuantize quantizer = Quantizer(4, 3, 100, 1);
    // The triplet grid is closer at 0.33; a second start in that beat keeps it even where the
    // sixteenths are closer, while another voice or track chooses afresh.
    EXPECT_EQ(Quantized(quantizer, kNoteOn, 0.33f), 333);
    EXPECT_EQ(Quantized(quantizer, kNoteOn, 0.74f), 667);
    EXPECT_EQ(Quantized(quantizer, kNoteOn, 0.74f, MCVoiceTrack(1, 1)), 750);
    EXPECT_EQ(Quantized(quantizer, kNoteOn, 0.74f, MCVoiceTrack(0, 300)), 750);
    // The next beat chooses afresh too; a start moved onto the beat itself remembers nothing.
    EXPECT_EQ(Quantized(quantizer, kNoteOn, 1.74f), 1750);
    EXPECT_EQ(Quantized(quantizer, kNoteOn, 2.02f), 2000);
    EXPECT_EQ(Quantized(quantizer, kNoteOn, 2.74f), 2750);
    // Preparing a recording forgets the memory.
    quantizer.PrepareQuantization();
    EXPECT_EQ(Quantized(quantizer, kNoteOn, 0.74f), 750);
    // Voices without a table choose by closeness alone.
    EXPECT_EQ(Quantized(quantizer, kNoteOn, 0.33f, MCVoiceTrack(12, 1)), 333);
    EXPECT_EQ(Quantized(quantizer, kNoteOn, 0.74f, MCVoiceTrack(12, 1)), 750);
}

TEST(QuantizeTest, EnabledOnlyWithAModeAndAStrength)
{
    EXPECT_EQ(Quantizer(4, 0, 100, 0).IsEnabled(), 0);
    EXPECT_EQ(Quantizer(4, 0, 0, 3).IsEnabled(), 0);
    EXPECT_EQ(Quantizer(4, 0, 100, 3).IsEnabled(), 1);
    // Mode bits above the three kinds are not taken from the argument.
    LCsqQuantize quantizer = Quantizer(4, 3, 100, 0xFFFF);
    EXPECT_EQ(quantizer.GetQuantizationMode(), 0xFu);
    EXPECT_EQ(quantizer.GetModeWord() & 0xC000u, 0u);
    // A copy has the settings.
    LCsqQuantize copy(quantizer);
    EXPECT_TRUE(copy == quantizer);
}

TEST(QuantizeTest, ANotesStartAndDurationAreQuantizedAsElements)
{
    LCsqQuantize quantizer = Quantizer(4, 0, 100, 3);
    ECNote note(MCTime(2.13f), MCTime(0.9f));
    note.SetVoiceTrack(0, 1);
    MCTime start;
    MCTime duration;
    EXPECT_EQ(quantizer.QuantizeEvent(&note, start, duration), 1);
    EXPECT_EQ(Thousandths(start), 2250);
    // The duration's fraction moves to a point as an end does.
    EXPECT_EQ(Thousandths(duration), 1000);

    // Other elements need mode 4, a time other than 0 and a voice below 8.
    LCsqQuantize others = Quantizer(4, 0, 100, 4);
    ECControlChange change(7);
    const MCTime at(1.13f);
    change.SetTime(&at);
    change.SetVoiceTrack(0, 1);
    EXPECT_EQ(others.QuantizeEvent(&change, start, duration), 1);
    EXPECT_EQ(Thousandths(start), 1250);
    EXPECT_TRUE(duration == MCTime::TimeNull());
    change.SetVoiceTrack(9, 1);
    EXPECT_EQ(others.QuantizeEvent(&change, start, duration), 0);
    change.SetVoiceTrack(0, 1);
    change.SetTime(&MCTime::TimeZero());
    EXPECT_EQ(others.QuantizeEvent(&change, start, duration), 0);
    EXPECT_EQ(Quantizer(4, 0, 100, 1).QuantizeEvent(&change, start, duration), 0);
}

}  // namespace
