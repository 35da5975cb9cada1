#include "notabase/model/ECNote.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/monitor/CHighlightMgr.h"
#include "sequencer/monitor/CMeterLevelMgr.h"
#include "sequencer/tests/PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

class MonitorTest : public ::testing::Test {
protected:
    MonitorTest()
    {
        m_piece.AddStaves(2);
        m_sequence.Attach(m_piece.Performance());
    }
    ~MonitorTest() override { m_sequence.Detach(); }

    CMeterLevelMgr& Levels() { return m_sequence.GetMeterLevelMgr(); }
    CHighlightMgr& Highlights() { return m_sequence.GetHighlightMgr(); }

    std::vector<ECBase*> Elements(MCEventList& list)
    {
        std::vector<ECBase*> out;
        for (ECBase* element : list)
            out.push_back(element);
        return out;
    }

    SequencerEnvironment m_environment;
    Piece m_piece;
    CSequence m_sequence;
};

TEST_F(MonitorTest, LevelsArePeakVelocityOver128TimesTheTrackGain)
{
    ASSERT_EQ(Levels().GetSlotCount(), 3);
    DCsqTrack::GetTrackData(2u, 1, &m_sequence)->SetTrackGain(0.5f);
    // The gains are read once, not at every poll: the reader asks again when one changes.
    Levels().RefreshGains();
    Levels().SetMeterLevel(1, 127, 0);
    Levels().SetMeterLevel(1, 60, 0);
    Levels().SetMeterLevel(2, 100, 1005);   // 5 ms ahead: counts
    Levels().SetMeterLevel(2, 120, 1020);   // 20 ms ahead: waits
    Levels().SetMeterLevel(5, 127, 0);      // no such track: dropped
    std::vector<float> levels = Levels().GetCurrentLevels(1000);
    ASSERT_EQ(levels.size(), 3u);
    EXPECT_FLOAT_EQ(levels[0], 0.0f);
    EXPECT_FLOAT_EQ(levels[1], 0.9921875f);
    EXPECT_FLOAT_EQ(levels[2], 100.0f / 128.0f * 0.5f);
    levels = Levels().GetCurrentLevels(1015);
    EXPECT_FLOAT_EQ(levels[1], 0.0f) << "each poll shows what came since the last";
    EXPECT_FLOAT_EQ(levels[2], 120.0f / 128.0f * 0.5f);

    Levels().SetMeterLevel(1, 90, 5000);
    Levels().ResetLevels();
    EXPECT_FLOAT_EQ(Levels().GetCurrentLevels(6000)[1], 0.0f);

    // A new staff adds a slot, with its gain.
    m_piece.AddStaves(1);
    Levels().UpdateTrackCount();
    EXPECT_EQ(Levels().GetSlotCount(), 4);
    Levels().SetMeterLevel(3, 64, 0);
    levels = Levels().GetCurrentLevels(0);
    ASSERT_EQ(levels.size(), 4u);
    EXPECT_FLOAT_EQ(levels[3], 0.5f * DCsqTrack::GetTrackData(3u, 1, &m_sequence)->GetTrackGain());
    EXPECT_GT(levels[3], 0.0f);

    // Detached, every slot is silent.
    Levels().SetMeterLevel(1, 127, 0);
    Levels().Detach();
    EXPECT_FLOAT_EQ(Levels().GetCurrentLevels(0)[1], 0.0f);
    Levels().Attach(&m_sequence);
}

TEST_F(MonitorTest, HighlightsComeOutWhenDueOldestFirst)
{
    const plat::RefPtr<ECBase> firstNote(new ECNote);
    const plat::RefPtr<ECBase> secondNote(new ECNote);
    const plat::RefPtr<ECBase> thirdNote(new ECNote);
    ECBase& first = *firstNote;
    ECBase& second = *secondNote;
    ECBase& third = *thirdNote;
    Highlights().SetHighlightOn(&first, 1000);
    EXPECT_TRUE(Elements(Highlights().GetHighlightOnList(5000)).empty()) << "nothing while highlighting is off";

    Highlights().EnableHighlighting(1);
    Highlights().SetHighlightOn(&first, 1000);
    Highlights().SetHighlightOn(&second, 1200);
    EXPECT_EQ(Elements(Highlights().GetHighlightOnList(1100)), (std::vector<ECBase*>{&first}));
    EXPECT_EQ(Elements(Highlights().GetHighlightOnList(1100)), (std::vector<ECBase*>{}));
    EXPECT_EQ(Elements(Highlights().GetHighlightOnList(1200)), (std::vector<ECBase*>{&second}));

    Highlights().SetHighlightOff(&first, 3000);
    Highlights().SetHighlightOff(&third, 4000);
    EXPECT_TRUE(Elements(Highlights().GetHighlightOffList(0, 2000)).empty());
    EXPECT_EQ(Elements(Highlights().GetHighlightOffList(1, 2000)), (std::vector<ECBase*>{&first, &third}));

    Highlights().SetHighlightOn(&third, 0);
    Highlights().EnableHighlighting(0);
    EXPECT_TRUE(Elements(Highlights().GetHighlightOnList(10000)).empty()) << "switching empties the queues";
}

// The driver thread writes while this thread reads: nothing is lost or read twice, in order.
TEST_F(MonitorTest, ReadersOnThisThreadTakeWhatAWriterThreadFeeds)
{
    Highlights().EnableHighlighting(1);
    std::vector<plat::RefPtr<ECBase>> notes;
    for (int i = 0; i < 2000; ++i)
        notes.emplace_back(new ECNote);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (size_t i = 0; i < notes.size(); ++i) {
            Highlights().SetHighlightOn(notes[i].get(), 1);
            Levels().SetMeterLevel(1, static_cast<unsigned>(i % 128), 0);
        }
        done = true;
    });
    std::vector<ECBase*> seen;
    while (!done) {
        for (ECBase* element : Highlights().GetHighlightOnList(10))
            seen.push_back(element);
        Levels().GetCurrentLevels(10);
    }
    writer.join();
    for (ECBase* element : Highlights().GetHighlightOnList(10))
        seen.push_back(element);
    ASSERT_EQ(seen.size(), notes.size());
    for (size_t i = 0; i < notes.size(); ++i)
        EXPECT_EQ(seen[i], notes[i].get());
}

// Played notes light up and feed their track's meter from the driver thread.
class PlayedMonitorTest : public PlayerFixture {
protected:
    PlayedMonitorTest() : PlayerFixture(2) {}
};

TEST_F(PlayedMonitorTest, ThePlayerFeedsHighlightsAndLevels)
{
    SetTempo(0.0f, 120.0f);
    ECNote* low = Note(1, 1.0f, 1.0f, 60);
    ECNote* high = Note(2, 1.0f, 0.5f, 72);
    // The play goes on past the notes: a stop empties the meters.
    Note(1, 8.0f, 1.0f, 40);
    CSequence& sequence = Sequence(0.0f);
    sequence.GetHighlightMgr().EnableHighlighting(1);
    StartDevices();
    sequence.Play();
    m_devices.Step(1500);
    CWavegate& wavegate = m_devices.Wavegate();
    // Beat 1 at 120 sounds half a second after the play began.
    MCTime beat(1.0f);
    sequence.AbsoluteTime(beat);
    const auto onAt = static_cast<uint32_t>(beat.GetMSec());
    ASSERT_GE(wavegate.GetElapsedPlayTime(), onAt);
    std::vector<ECBase*> on;
    for (ECBase* element : sequence.GetHighlightMgr().GetHighlightOnList(onAt - 1))
        on.push_back(element);
    EXPECT_TRUE(on.empty()) << "not before the notes sound";
    for (ECBase* element : sequence.GetHighlightMgr().GetHighlightOnList(onAt))
        on.push_back(element);
    EXPECT_EQ(on.size(), 2u);
    EXPECT_NE(std::find(on.begin(), on.end(), low), on.end());
    EXPECT_NE(std::find(on.begin(), on.end(), high), on.end());
    const std::vector<float> levels = sequence.GetMeterLevelMgr().GetCurrentLevels(onAt);
    ASSERT_EQ(levels.size(), 3u);
    EXPECT_FLOAT_EQ(levels[1], 100.0f / 128.0f);
    EXPECT_FLOAT_EQ(levels[2], 100.0f / 128.0f);
    PlayToTheEnd();
    std::vector<ECBase*> off;
    for (ECBase* element : sequence.GetHighlightMgr().GetHighlightOffList(1, 0))
        off.push_back(element);
    EXPECT_EQ(off.size(), 3u);
}

}  // namespace
