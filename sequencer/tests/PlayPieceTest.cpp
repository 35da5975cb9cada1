// Pieces built in memory play through the sequence and the device manager into memory MIDI
// outputs on the manual clock: every message at its millisecond, in order, and nothing left
// sounding.

#include "sequencer/tests/PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

class PlayPieceTest : public PlayerFixture {
};

TEST_F(PlayPieceTest, FourQuarterNotesAtOneHundredTwentyPlayEveryHalfSecondAndStopAtTheEnd)
{
    SetTempo(0.0f, 120.0f);
    for (int i = 0; i < 4; ++i)
        ASSERT_NE(m_piece.AddNote(1, static_cast<float>(i), 1.0f, 60 + i), nullptr);
    CSequence& seq = Sequence();
    StartDevices();
    Take();
    const uint32_t t0 = m_devices.Wavegate().GetBufferTime();
    seq.Play();
    PlayToTheEnd();
    ASSERT_EQ(PlayState(), CSequence::stateStopped) << "stopped by itself after the last note";
    EXPECT_EQ(m_devices.Wavegate().IsActive(), 0) << "the callback gave up its registration";

    std::vector<Heard> expected;
    for (uint32_t i = 0; i < 4; ++i) {
        if (i > 0)
            expected.push_back({0, t0 + 500 * i, {0x90, static_cast<uint8_t>(59 + i), 0x00}});
        expected.push_back({0, t0 + 500 * i, {0x90, static_cast<uint8_t>(60 + i), 100}});
    }
    expected.push_back({0, t0 + 2000, {0x90, 63, 0x00}});
    const std::vector<Heard> heard = Take();
    ASSERT_EQ(heard.size(), expected.size());
    for (size_t i = 0; i < heard.size(); ++i)
        EXPECT_EQ(heard[i], expected[i]) << i << ": " << Describe(heard[i]) << " against " << Describe(expected[i]);
}

}  // namespace
