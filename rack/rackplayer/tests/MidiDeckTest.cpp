#include "rack/outside/plinthfade/MixerBand.h"
#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/outside/plinthstore/tests/StoreTestFiles.h"
#include "rack/outside/plinthtune/MidiPlayer.h"
#include "rack/outside/plinthtune/MidiPorts.h"
#include "rack/plinthui/ControlIds.h"
#include "rack/rackplayer/DeckControls.h"
#include "rack/rackplayer/MidiDeck.h"
#include "rack/rackplayer/RackStartup.h"
#include "rack/rackplayer/tests/DeckFixture.h"

#include "platform/media/ManualTimerService.h"
#include "platform/ui/rackwindow/Window.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>

namespace rack {
namespace {

using plat::ui::Window;

// A file of seconds at 120 bpm (96 ticks a quarter): a chord held on channels 1 and 10 and a
// note on every beat.
std::vector<uint8_t> song(int seconds)
{
    std::vector<uint8_t> events = {0x00, 0x90, 48, 100, 0x00, 0x99, 36, 90};
    for (int beat = 0; beat < seconds * 2; ++beat) {
        events.insert(events.end(), {0x00, 0x91, uint8_t(60 + beat % 12), 110});
        events.insert(events.end(), {0x60, 0x81, uint8_t(60 + beat % 12), 0});
    }
    events.insert(events.end(), {0x00, 0x80, 48, 0, 0x00, 0x89, 36, 0, 0x00, 0xFF, 0x2F, 0x00});
    std::vector<uint8_t> smf = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k'};
    const auto size = uint32_t(events.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        smf.push_back(uint8_t(size >> shift));
    smf.insert(smf.end(), events.begin(), events.end());
    return smf;
}

class MidiDeckTest : public test::DeckFixture {
protected:
    void SetUp() override
    {
        DeckFixture::SetUp();
        ASSERT_NO_FATAL_FAILURE(makeFolder("midi-deck"));
        startRack(&RackState::midiDeck);
    }

    std::string makeSong(const std::string& name, int seconds) { return writeFile(name, song(seconds)); }

    // A file taken into the deck, and the store's notice of it delivered.
    void take(const std::string& path)
    {
        ASSERT_TRUE(midi_TakeFile(path));
        deliver();
    }

    // The media clock and the interface's timers move together.
    void run(int ms)
    {
        auto& media = static_cast<plat::media::ManualTimerService&>(plat::media::Backend::instance().timers());
        for (int step = 0; step < ms; step += 10) {
            media.advance(10);
            advance(10);
        }
    }

    void mouse(plat::ui::MessageId message, int x, int y)
    {
        m_deck->send(message, 0, plat::ui::makeLParam(x, y));
    }
};

TEST_F(MidiDeckTest, TheTempoIsDraggedOverItsPositionsAndAPlayStartShowsItNormalAgain)
{
    take(makeSong("tune.mid", 30));
    command(kSlotPlay);
    ASSERT_EQ(rackState().midiState, kDeckPlaying);
    run(1000);
    // Twelve pixels up from the normal place.
    mouse(plat::ui::kLeftButtonDownMessage, 85, 15 + 20);
    EXPECT_EQ(midiDeckState().mouseMode, MidiMouseMode::tempoDrag);
    mouse(plat::ui::kMouseMoveMessage, 85, 15 + 20 - 12);
    EXPECT_EQ(midiDeckState().tempoPosition, 3);
    EXPECT_EQ(kMidiRateTable[3], 1750);
    MidiBitty before;
    ASSERT_TRUE(mid_PickupBitty(-1, before));
    run(1000);
    MidiBitty after;
    ASSERT_TRUE(mid_PickupBitty(-1, after));
    EXPECT_EQ(after.positionMs - before.positionMs, 1750);
    // Forty down stops at the slowest.
    mouse(plat::ui::kMouseMoveMessage, 85, 15 + 20 - 12 + 40);
    EXPECT_EQ(midiDeckState().tempoPosition, 30);
    mouse(plat::ui::kLeftButtonUpMessage, 85, 60);
    EXPECT_EQ(midiDeckState().mouseMode, MidiMouseMode::none);
    ASSERT_TRUE(mid_PickupBitty(-1, before));
    run(1000);
    ASSERT_TRUE(mid_PickupBitty(-1, after));
    EXPECT_EQ(after.positionMs - before.positionMs, 500);
    // Pause and play again: normal speed, from the position shown.
    command(kSlotPause);
    EXPECT_TRUE(midiDeckState().paused);
    EXPECT_FALSE(mid_IsPlaying());
    command(kSlotPause);
    EXPECT_EQ(midiDeckState().tempoPosition, kTempoNormal);
    ASSERT_TRUE(mid_PickupBitty(-1, before));
    run(1000);
    ASSERT_TRUE(mid_PickupBitty(-1, after));
    EXPECT_EQ(after.positionMs - before.positionMs, 1000);
}

// The mixer band's MIDI row sets the level of what the deck plays: each note sounds at the
// volume and pan the levels make of the channel's, and a change while playing reaches every
// channel at once.
TEST_F(MidiDeckTest, TheMixersMidiLevelsActOnWhatTheDeckPlays)
{
    mix_SetLevels(MixerSource::midi, 0, -50);
    take(makeSong("levels.mid", 3));
    command(kSlotPlay);
    ASSERT_TRUE(mid_IsOutOpen());
    // What each note-on found on its channel, in order: (volume, pan).
    size_t seen = 0;
    std::array<int, 16> volume;
    std::array<int, 16> pan;
    volume.fill(100);
    pan.fill(64);
    const auto notesSince = [&] {
        std::vector<std::pair<int, int>> found;
        const auto& played = memory().midiOut(0).played();
        for (; seen < played.size(); ++seen) {
            const std::vector<uint8_t>& bytes = played[seen].bytes;
            if (bytes.size() != 3)
                continue;
            const size_t channel = bytes[0] & 0x0F;
            if ((bytes[0] & 0xF0) == 0xB0 && bytes[1] == 7)
                volume[channel] = bytes[2];
            else if ((bytes[0] & 0xF0) == 0xB0 && bytes[1] == 10)
                pan[channel] = bytes[2];
            else if ((bytes[0] & 0xF0) == 0x90 && bytes[2] > 0)
                found.emplace_back(volume[channel], pan[channel]);
        }
        return found;
    };
    run(900);
    const struct {
        int gain;
        int balance;
        std::pair<int, int> heard;
    } steps[] = {{0, -50, {0, 0}}, {50, 25, {71, 96}}, {100, 0, {100, 64}}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.gain);
        mix_SetLevels(MixerSource::midi, step.gain, step.balance);
        run(900);
        const std::vector<std::pair<int, int>> found = notesSince();
        ASSERT_FALSE(found.empty());
        // The chord struck at the start on channels 1 and 10 sounds at the new levels too.
        for (size_t channel : {size_t(0), size_t(9)})
            EXPECT_EQ(std::make_pair(volume[channel], pan[channel]), step.heard) << channel;
        for (const auto& heard : found)
            EXPECT_EQ(heard, step.heard);
    }
    command(kSlotStop);
}

TEST_F(MidiDeckTest, WithTheLoopOffTheEndOfTheLastFileLeavesTheDeckIdleWithTheOutputClosed)
{
    rackState().midiLoop = false;
    take(makeSong("one.mid", 1));
    take(makeSong("two.mid", 1));
    rackState().currentMidi = 0;
    command(kSlotPlay);
    ASSERT_TRUE(mid_IsOutOpen());
    run(1100);
    EXPECT_EQ(rackState().midiState, kDeckPlaying);
    EXPECT_EQ(rackState().currentMidi, 1);
    run(1100);
    EXPECT_EQ(rackState().midiState, kDeckIdle);
    EXPECT_EQ(rackState().currentMidi, 0);
    EXPECT_FALSE(mid_IsOutOpen());
    // Every note the files struck was let go.
    int sounding = 0;
    for (const auto& played : memory().midiOut(0).played())
        if (played.bytes.size() == 3 && (played.bytes[0] & 0xF0) == 0x90 && played.bytes[2] > 0)
            ++sounding;
        else if (played.bytes.size() == 3 && ((played.bytes[0] & 0xF0) == 0x80 || (played.bytes[0] & 0xF0) == 0x90))
            --sounding;
    EXPECT_EQ(sounding, 0);
}

TEST_F(MidiDeckTest, PreviousWithinTheFirstSecondGoesBackAndAScanMovesThePosition)
{
    take(makeSong("a.mid", 20));
    take(makeSong("b.mid", 20));
    rackState().currentMidi = 1;
    command(kSlotPlay);
    run(500);
    command(kSlotPrevious, kNotifyRepeat);
    EXPECT_EQ(rackState().currentMidi, 0);
    EXPECT_EQ(rackState().midiState, kDeckPlaying);
    command(kSlotScanForward, kNotifyPress);
    EXPECT_TRUE(midiDeckState().scanning);
    for (int repeat = 0; repeat < 17; ++repeat)
        command(kSlotScanForward, kNotifyRepeat);
    EXPECT_EQ(midiDeckState().positionTenths, 160 + 20);
    command(kSlotScanForward, kNotifyRelease);
    MidiBitty bitty;
    ASSERT_TRUE(mid_PickupBitty(-1, bitty));
    EXPECT_EQ(bitty.positionMs, 18000);
}

TEST_F(MidiDeckTest, ARightPressOnTheTempoShowsItsHelpUntilReleased)
{
    mouse(plat::ui::kRightButtonDownMessage, 70, 30);
    EXPECT_EQ(midiDeckState().mouseMode, MidiMouseMode::tempoHelp);
    EXPECT_EQ(Window::capture(), m_deck);
    mouse(plat::ui::kRightButtonUpMessage, 70, 30);
    EXPECT_EQ(midiDeckState().mouseMode, MidiMouseMode::none);
    EXPECT_EQ(Window::capture(), nullptr);
    // Outside the tempo, nothing.
    mouse(plat::ui::kRightButtonDownMessage, 200, 30);
    EXPECT_EQ(midiDeckState().mouseMode, MidiMouseMode::none);
}

TEST_F(MidiDeckTest, ADroppedWaveGoesToTheWaveDeckAndEndsTheDrop)
{
    const std::string wave = m_folder + "/take.wav";
    test::writeFile(wave, test::waveFileBytes(11025, 1, 8, std::vector<uint8_t>(1000, 128)));
    std::vector<std::string> files = {makeSong("a.mid", 1), wave, makeSong("b.mid", 1)};
    m_deck->send(plat::ui::kDropFilesMessage, reinterpret_cast<uintptr_t>(&files), 0);
    deliver();
    EXPECT_EQ(rackState().midiCount, 1);
    EXPECT_EQ(rackState().waveCount, 1);
    EXPECT_EQ(obj_GetWave(0, rackState().currentWave)->path, wave);
    EXPECT_TRUE(prompts.empty());
    // Some of them not loading is said.
    std::vector<std::string> some = {makeSong("c.mid", 1), m_folder + "/missing.mid"};
    m_deck->send(plat::ui::kDropFilesMessage, reinterpret_cast<uintptr_t>(&some), 0);
    ASSERT_FALSE(prompts.empty());
    EXPECT_NE(prompts.back().text.find("Some"), std::string::npos);
    EXPECT_EQ(rackState().midiCount, 2);
}

TEST_F(MidiDeckTest, ScreenshotOfTheMidiDeckPlaying)
{
    take(makeSong("Evening Reel.mid", 40));
    const QImage idle = m_deck->widget()->grab().toImage();
    command(kSlotPlay);
    run(2550);
    const QImage image = screenshot("rack-midi-deck-playing");
    expectShowsPlaying(image, idle);
}

}  // namespace
}  // namespace rack
