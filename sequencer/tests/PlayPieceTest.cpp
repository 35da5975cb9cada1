// Pieces built in memory play through the sequence and the device manager into memory MIDI
// outputs on the manual clock: every message at its millisecond, in order, and nothing left
// sounding.

#include "sequencer/tests/PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <tuple>
#include <vector>

namespace {

// What a piece should play, worked out from its elements and its tempo marks alone.
class Oracle {
public:
    // A tempo from a time on (step marks).
    void Tempo(float time, float bpm) { m_tempos[time] = bpm; }
    void Note(int channel, float time, float duration, int key)
    {
        Message(time, {static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(key), 100});
        Message(time + duration, {static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(key), 0});
    }
    void Message(float time, std::vector<uint8_t> bytes) { m_messages.push_back({time, std::move(bytes)}); }

    // Seconds along the tempo marks from 0 to the time.
    double Clock(double time) const
    {
        double seconds = 0.0;
        for (auto it = m_tempos.begin(); it != m_tempos.end(); ++it) {
            const double from = it->first;
            auto next = std::next(it);
            const double to = next == m_tempos.end() ? time : std::min<double>(time, next->first);
            if (to > from)
                seconds += (to - from) * 60.0 / it->second;
        }
        return seconds;
    }

    struct Expected {
        double ms;
        std::vector<uint8_t> bytes;
    };
    // Every message at its exact millisecond from t0, in time order.
    std::vector<Expected> Expect(uint32_t t0) const
    {
        std::vector<Expected> expected;
        for (const auto& [time, bytes] : m_messages)
            expected.push_back({t0 + Clock(time) * 1000.0, bytes});
        std::stable_sort(expected.begin(), expected.end(), [](const Expected& a, const Expected& b) { return a.ms < b.ms; });
        return expected;
    }

private:
    std::map<float, float> m_tempos;
    std::vector<std::pair<float, std::vector<uint8_t>>> m_messages;
};

class PlayPieceTest : public PlayerFixture {
protected:
    // Plays the piece from 0 to its end and compares what output 0 played with the oracle: the
    // same messages, each in the whole millisecond its exact time falls in, and at a
    // millisecond shared by a note-off and a note-on the off first.
    void PlayAndCompare(const Oracle& oracle)
    {
        CSequence& seq = Sequence();
        StartDevices();
        Take();
        const uint32_t t0 = m_devices.Wavegate().GetBufferTime();
        seq.Play();
        PlayToTheEnd();
        ASSERT_EQ(PlayState(), CSequence::stateStopped) << "stopped by itself after the last note";
        const std::vector<Heard> heard = Take();
        std::vector<Oracle::Expected> expected = oracle.Expect(t0);
        ASSERT_EQ(heard.size(), expected.size());
        for (const Heard& h : heard) {
            auto match = std::find_if(expected.begin(), expected.end(), [&](const Oracle::Expected& e) {
                return e.bytes == h.bytes && h.ms == static_cast<uint32_t>(e.ms + 1e-3);
            });
            ASSERT_NE(match, expected.end()) << "unexpected " << Describe(h);
            expected.erase(match);
        }
        for (size_t i = 1; i < heard.size(); ++i) {
            if (heard[i].ms == heard[i - 1].ms) {
                EXPECT_FALSE(IsNoteOff(heard[i].bytes) && !IsNoteOff(heard[i - 1].bytes))
                    << Describe(heard[i - 1]) << " before " << Describe(heard[i]);
            }
        }
    }
};

TEST_F(PlayPieceTest, FourQuarterNotesAtOneHundredTwentyPlayEveryHalfSecondAndStopAtTheEnd)
{
    SetTempo(0.0f, 120.0f);
    for (int i = 0; i < 4; ++i)
        Note(1, static_cast<float>(i), 1.0f, 60 + i);
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

TEST_F(PlayPieceTest, TempoChangesAMeterChangeTwoStavesProgramsAndAControllerPlayAtTheirMilliseconds)
{
    Oracle oracle;
    for (auto [time, bpm] : {std::pair{0.0f, 120.0f}, {2.5f, 90.0f}, {5.0f, 150.0f}, {7.3f, 60.0f}}) {
        SetTempo(time, bpm);
        oracle.Tempo(time, bpm);
    }
    SetMeter(0.0f, 4, 4);
    SetMeter(4.0f, 3, 4);
    // A program on each staff before its first note, a volume change on staff 2 mid-piece, and
    // a program change on staff 1 between two notes.
    AddMessage(1, 0.0f, 0x0005C0);
    oracle.Message(0.0f, {0xC0, 0x05});
    AddMessage(2, 0.0f, 0x0030C0);
    oracle.Message(0.0f, {0xC1, 0x30});
    AddMessage(2, 3.25f, 0x5007B0);
    oracle.Message(3.25f, {0xB1, 0x07, 0x50});
    AddMessage(1, 6.0f, 0x0011C0);
    oracle.Message(6.0f, {0xC0, 0x11});
    // Staff 1 in quarters, staff 2 in held notes across the tempo changes.
    for (int i = 0; i < 9; ++i) {
        Note(1, static_cast<float>(i), 1.0f, 60 + i);
        oracle.Note(0, static_cast<float>(i), 1.0f, 60 + i);
    }
    for (auto [time, duration, key] : {std::tuple{0.5f, 2.5f, 48}, {3.0f, 3.0f, 50}, {6.5f, 2.0f, 52}}) {
        Note(2, time, duration, key);
        oracle.Note(1, time, duration, key);
    }
    PlayAndCompare(oracle);
}

// Pieces drawn at random from a seed: tempo marks anywhere, notes of any length on two staves,
// some overlapping, controllers between them.
class RandomPieceTest : public PlayPieceTest, public ::testing::WithParamInterface<unsigned> {
};

TEST_P(RandomPieceTest, PlaysAsItsElementsAndTempoMarksSay)
{
    {
        std::mt19937 random(GetParam());
        auto uniform = [&](float from, float to) { return std::uniform_real_distribution<float>(from, to)(random); };
        // Times on a grid of 1/96 quarter note, as the score writes them.
        auto onGrid = [](float time) { return std::round(time * 96.0f) / 96.0f; };
        Oracle oracle;
        SetTempo(0.0f, 120.0f);
        oracle.Tempo(0.0f, 120.0f);
        for (int i = 0; i < 4; ++i) {
            const float time = onGrid(uniform(0.1f, 10.0f));
            const float bpm = std::round(uniform(40.0f, 220.0f));
            SetTempo(time, bpm);
            oracle.Tempo(time, bpm);
        }
        for (int i = 0; i < 30; ++i) {
            const int staff = 1 + static_cast<int>(random() % 2);
            const float time = onGrid(uniform(0.0f, 10.0f));
            const float duration = onGrid(uniform(0.05f, 3.0f));
            const int key = 40 + static_cast<int>(random() % 40);
            Note(staff, time, duration, key);
            oracle.Note(staff - 1, time, duration, key);
        }
        for (int i = 0; i < 6; ++i) {
            const int staff = 1 + static_cast<int>(random() % 2);
            const float time = onGrid(uniform(0.0f, 10.0f));
            const auto value = static_cast<uint8_t>(random() % 128);
            AddMessage(staff, time, 0x00000AB0u | static_cast<uint32_t>(value) << 16);
            oracle.Message(time, {static_cast<uint8_t>(0xB0 | (staff - 1)), 0x0A, value});
        }
        PlayAndCompare(oracle);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomPieceTest, ::testing::Values(11u, 29u, 47u, 83u));

}  // namespace
