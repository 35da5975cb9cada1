// The filters heard end to end: a piece plays through the sequence, its filter chains and the
// device manager into memory MIDI outputs on the manual clock.

#include "sequencer/tests/PlayerTestSupport.h"

#include "notabase/model/ECAccent.h"
#include "notabase/prefs/Preferences.h"
#include "sequencer/data/DCsqConductorStaff.h"
#include "sequencer/data/DCsqTempo.h"
#include "sequencer/layers/LCsqPreferences.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

class FiltersPlayTest : public PlayerFixture {
protected:
    // Plays the piece from 0 to its end at 120 beats per minute; what output 0 played, times
    // from the start.
    std::vector<Heard> PlayAll()
    {
        SetTempo(0.0f, 120.0f);
        CSequence& seq = Sequence();
        StartDevices();
        Take();
        const uint32_t t0 = m_devices.Wavegate().GetBufferTime();
        seq.Play();
        PlayToTheEnd();
        std::vector<Heard> heard = Take();
        for (Heard& h : heard)
            h.ms -= t0;
        return heard;
    }

    void TearDown() override
    {
        // The preference filters are shared by every sequence: the next one starts clean.
        SaveIntPreference("Sequencer\\Midi\\Play\\Filter", "Notes", 1);
        SaveIntPreference("Sequencer\\Midi\\Play", "Thin Controllers", 0);
        if (m_sequence)
            m_sequence->Attach(nullptr);
        PlayerFixture::TearDown();
    }
};

TEST_F(FiltersPlayTest, ABlockedEventTypeIsSilent)
{
    SaveIntPreference("Sequencer\\Midi\\Play\\Filter", "Notes", 0);
    Note(1, 0.0f, 0.5f, 60);
    Note(1, 1.0f, 0.5f, 62);
    AddMessage(1, 0.5f, 0x4001B0);
    const std::vector<Heard> heard = PlayAll();
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].bytes, (std::vector<uint8_t>{0xB0, 0x01, 0x40}));
    EXPECT_EQ(heard[0].ms, 250u);
}

TEST_F(FiltersPlayTest, ThinnedControllersLoseEverySecondMessage)
{
    SaveIntPreference("Sequencer\\Midi\\Play", "Thin Controllers", 1);
    for (int i = 0; i < 6; ++i)
        AddMessage(1, static_cast<float>(i) * 0.25f, 0x0001B0u | static_cast<uint32_t>(i) << 16);
    Note(1, 2.0f, 0.5f, 60);
    std::vector<int> values;
    for (const Heard& h : PlayAll()) {
        if ((h.bytes[0] & 0xF0) == 0xB0)
            values.push_back(h.bytes[2]);
    }
    EXPECT_EQ(values, (std::vector<int>{0, 2, 4}));
}

TEST_F(FiltersPlayTest, ATransposedTrackPlaysTransposedWithMatchingNoteOffs)
{
    Note(1, 0.0f, 1.0f, 60);
    Note(1, 0.5f, 1.0f, 64);
    Note(2, 0.0f, 1.0f, 60);
    DCsqStaff* staff = plat::dynamicDowncast<DCsqStaff>(m_piece.Conductor()->GetTrack(1, 1, 0)->GetData(0, 1));
    staff->SetTrackTransposition(7.0f);
    std::vector<Heard> heard = PlayAll();
    std::vector<Heard> expected = {
        {0, 0, {0x90, 67, 100}}, {0, 0, {0x91, 60, 100}}, {0, 250, {0x90, 71, 100}},
        {0, 500, {0x90, 67, 0}}, {0, 500, {0x91, 60, 0}}, {0, 750, {0x90, 71, 0}},
    };
    auto order = [](const Heard& a, const Heard& b) { return a.ms != b.ms ? a.ms < b.ms : a.bytes < b.bytes; };
    std::sort(heard.begin(), heard.end(), order);
    std::sort(expected.begin(), expected.end(), order);
    EXPECT_EQ(heard, expected);
}

// A disabled filter stays in the chain but does nothing: the track plays as written.
TEST_F(FiltersPlayTest, ADisabledTranspositionFilterLeavesTheNotesAsWritten)
{
    Note(1, 0.0f, 1.0f, 60);
    Note(1, 0.5f, 1.0f, 64);
    DCsqStaff* staff = plat::dynamicDowncast<DCsqStaff>(m_piece.Conductor()->GetTrack(1, 1, 0)->GetData(0, 1));
    staff->SetTrackTransposition(7.0f);
    LCBase* transpose = staff->GetFilter(FilterTranspose, DCsqTrack::allVoices);
    ASSERT_NE(transpose, nullptr);
    transpose->SetEnabled(0);
    std::vector<Heard> heard = PlayAll();
    std::vector<Heard> expected = {
        {0, 0, {0x90, 60, 100}}, {0, 250, {0x90, 64, 100}}, {0, 500, {0x90, 60, 0}}, {0, 750, {0x90, 64, 0}},
    };
    auto order = [](const Heard& a, const Heard& b) { return a.ms != b.ms ? a.ms < b.ms : a.bytes < b.bytes; };
    std::sort(heard.begin(), heard.end(), order);
    EXPECT_EQ(heard, expected);
}

TEST_F(FiltersPlayTest, AnAccentedNoteSoundsLouderAndShorter)
{
    ECNote* note = Note(1, 0.0f, 1.0f, 60);
    note->AddChild(new ECAccent(5), 1);  // accent staccato: 50 % long, 130 % loud
    Note(1, 2.0f, 1.0f, 62);
    const std::vector<Heard> heard = PlayAll();
    ASSERT_EQ(heard.size(), 4u);
    EXPECT_EQ(heard[0].bytes, (std::vector<uint8_t>{0x90, 60, 127}));
    EXPECT_EQ(heard[1].ms, 250u);
    EXPECT_TRUE(IsNoteOff(heard[1].bytes));
    EXPECT_EQ(heard[2].bytes, (std::vector<uint8_t>{0x90, 62, 100}));
    EXPECT_EQ(heard[3].ms, 1500u);
}

TEST_F(FiltersPlayTest, AMidiFileBeingWrittenGetsTheTempoChanges)
{
    SetTempo(0.0f, 120.0f);
    SetTempo(2.0f, 90.0f);
    Note(1, 0.0f, 1.0f, 60);
    CSequence& seq = Sequence();
    auto* conductor = plat::dynamicDowncast<DCsqConductorStaff>(m_piece.ConductorStaff()->GetData(0, 1));
    ASSERT_NE(conductor, nullptr);
    CSeqEventList list;
    conductor->GetEnvelopeData(MCTime(0.0f), MCTime(4.0f), list);
    EXPECT_TRUE(list.empty()) << "playing makes no tempo events";

    seq.SetMidiWriting(1);
    conductor->GetEnvelopeData(MCTime(0.0f), MCTime(4.0f), list);
    // The tempo at the start, then each value of the map in the window.
    std::vector<std::pair<float, float>> tempos;
    for (const auto& event : list) {
        ASSERT_EQ(event->GetDataType(), CSeqEvent::typeMeta);
        EXPECT_EQ(event->GetTrack(), conductor);
        auto* data = reinterpret_cast<DCsqTempo*>(event->GetValue());
        auto* mark = plat::dynamicDowncast<ECTempo>(data->GetOwner());
        ASSERT_NE(mark, nullptr);
        EXPECT_EQ(mark->GetTempoType(), 1);
        tempos.emplace_back(event->GetTimeStamp().GetSeconds(), mark->GetTempo(1.0f));
    }
    EXPECT_EQ(tempos, (std::vector<std::pair<float, float>>{{0.0f, 120.0f}, {2.0f, 90.0f}}));
    // A later window of the same file adds only what changes in it, and the marks of the
    // first window stay alive for the writer.
    CSeqEventList later;
    conductor->GetEnvelopeData(MCTime(4.0f), MCTime(8.0f), later);
    EXPECT_TRUE(later.empty());
    auto* first = reinterpret_cast<DCsqTempo*>(list.front()->GetValue());
    EXPECT_EQ(plat::dynamicDowncast<ECTempo>(first->GetOwner())->GetTempo(1.0f), 120.0f);
    seq.SetMidiWriting(0);
}

}  // namespace
