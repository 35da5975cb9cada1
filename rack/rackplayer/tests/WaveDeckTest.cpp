#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/outside/plinthstore/tests/StoreTestFiles.h"
#include "rack/plinthui/ControlIds.h"
#include "rack/rackplayer/DeckControls.h"
#include "rack/outside/plinthstore/FileChooser.h"
#include "rack/rackplayer/MidiDeck.h"
#include "rack/rackplayer/PlaylistDialog.h"
#include "rack/rackplayer/RackFrame.h"
#include "rack/rackplayer/RackStartup.h"
#include "rack/rackplayer/WaveDeck.h"
#include "rack/rackplayer/tests/DeckFixture.h"

#include "platform/core/UserPrompt.h"
#include "platform/ui/rackwindow/Window.h"

#include <QListWidget>

#include <gtest/gtest.h>

#include <cmath>

#include <unistd.h>

namespace rack {
namespace {

// 11025 Hz mono 8-bit: a byte a sample, 11025 a second.
constexpr uint32_t kRate = 11025;

class WaveDeckTest : public test::DeckFixture {
protected:
    void SetUp() override
    {
        DeckFixture::SetUp();
        ASSERT_NO_FATAL_FAILURE(makeFolder("wave-deck"));
        m_oldHome = getenv("HOME") ? getenv("HOME") : "";
        setenv("HOME", m_folder.c_str(), 1);
        startRack(&RackState::waveDeck);
    }

    void TearDown() override
    {
        stopRack();
        setenv("HOME", m_oldHome.c_str(), 1);
        DeckFixture::TearDown();
    }

    // A wave of seconds of a soft sine, loaded into the deck.
    std::string makeWave(const std::string& name, double seconds)
    {
        std::vector<uint8_t> data(size_t(seconds * kRate));
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = uint8_t(128 + std::lround(90 * std::sin(2 * M_PI * 330.0 * double(i) / kRate)));
        return writeFile(name, test::waveFileBytes(kRate, 1, 8, data));
    }

    void load(const std::string& path)
    {
        ASSERT_TRUE(wave_TakeFile(path));
        deliver();
    }

    // The speaker plays ms of sound while the clock moves ms.
    void run(int ms)
    {
        for (int step = 0; step < ms; step += 50) {
            wave.play(kRate / 20);
            advance(50);
        }
    }

    std::string m_oldHome;
};

TEST_F(WaveDeckTest, PreviousRestartsAWaveUnderWayAndWithinTheFirstSecondGoesBackWrapping)
{
    load(makeWave("a.wav", 3));
    load(makeWave("b.wav", 3));
    load(makeWave("c.wav", 3));
    rackState().currentWave = 0;
    command(kSlotPlay);
    ASSERT_EQ(rackState().waveState, kDeckPlaying);
    run(1800);
    EXPECT_GE(waveDeckState().paintedTenths, 15);
    command(kSlotPrevious, kNotifyRepeat);
    EXPECT_EQ(rackState().currentWave, 0);
    EXPECT_EQ(rackState().waveState, kDeckPlaying);
    run(600);
    EXPECT_LT(waveDeckState().paintedTenths, 10);
    command(kSlotPrevious, kNotifyRepeat);
    EXPECT_EQ(rackState().currentWave, 2);
    EXPECT_EQ(rackState().waveState, kDeckPlaying);
    command(kSlotNext, kNotifyRepeat);
    EXPECT_EQ(rackState().currentWave, 0);
}

TEST_F(WaveDeckTest, AHeldScanMovesASecondARepeatForSixteenRepeatsThenTwo)
{
    load(makeWave("long.wav", 60));
    command(kSlotPlay);
    run(600);
    command(kSlotScanForward, kNotifyPress);
    EXPECT_TRUE(waveDeckState().scanning);
    const int32_t start = waveDeckState().positionTenths;
    for (int repeat = 0; repeat < 16; ++repeat)
        command(kSlotScanForward, kNotifyRepeat);
    EXPECT_EQ(waveDeckState().positionTenths, start + 160);
    for (int repeat = 0; repeat < 4; ++repeat)
        command(kSlotScanForward, kNotifyRepeat);
    EXPECT_EQ(waveDeckState().positionTenths, start + 240);
    command(kSlotScanForward, kNotifyRelease);
    EXPECT_FALSE(waveDeckState().scanning);
    EXPECT_EQ(rackState().waveState, kDeckPlaying);
    // Playing goes on from the scanned place.
    wave.heard.clear();
    run(700);
    EXPECT_GE(waveDeckState().paintedTenths, start + 240);
}

TEST_F(WaveDeckTest, TheEndOfTheLastWaveWithTheLoopOffLeavesTheDeckIdleAtTheFirst)
{
    rackState().waveLoop = false;
    load(makeWave("a.wav", 0.5));
    load(makeWave("b.wav", 0.5));
    rackState().currentWave = 0;
    command(kSlotPlay);
    for (int ms = 0; ms < 5000 && rackState().waveState == kDeckPlaying; ms += 50)
        run(50);
    EXPECT_EQ(rackState().waveState, kDeckIdle);
    EXPECT_EQ(rackState().currentWave, 0);
    EXPECT_EQ(wave.heard.size(), size_t(kRate / 2) * 2);
}

// A wave whose file went away after it was loaded does not play, and the press that tried
// says so instead of doing nothing.
TEST_F(WaveDeckTest, AWaveWhoseFileIsGoneIsSaidWhenPlayOrNextCannotStartIt)
{
    const std::string first = makeWave("first.wav", 3);
    load(first);
    const std::string gone = makeWave("gone.wav", 3);
    load(gone);
    std::filesystem::remove(gone);

    rackState().currentWave = 1;
    command(kSlotPlay);
    EXPECT_EQ(rackState().waveState, kDeckIdle);
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_NE(prompts[0].text.find(gone), std::string::npos) << prompts[0].text;

    rackState().currentWave = 0;
    command(kSlotPlay);
    ASSERT_EQ(rackState().waveState, kDeckPlaying);
    run(200);
    command(kSlotNext, kNotifyRepeat);
    EXPECT_EQ(rackState().currentWave, 1);
    EXPECT_EQ(rackState().waveState, kDeckIdle);
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_NE(prompts[1].text.find(gone), std::string::npos) << prompts[1].text;
    // The rest of the list still plays.
    command(kSlotNext, kNotifyRepeat);
    command(kSlotPlay);
    EXPECT_EQ(rackState().waveState, kDeckPlaying);
    EXPECT_EQ(prompts.size(), 2u);
}

TEST_F(WaveDeckTest, ADroppedMidiFileGoesToTheMidiDeckAndEndsTheDrop)
{
    const std::string first = makeWave("first.wav", 0.2);
    const std::string last = makeWave("last.wav", 0.2);
    const std::string song = m_folder + "/song.mid";
    test::writeFile(song, {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 4, 0,
                           0xFF, 0x2F, 0});
    std::vector<std::string> files = {first, song, last};
    m_deck->send(plat::ui::kDropFilesMessage, reinterpret_cast<uintptr_t>(&files), 0);
    deliver();
    EXPECT_EQ(rackState().waveCount, 1);
    EXPECT_EQ(obj_GetWave(0, 0)->path, first);
    EXPECT_EQ(rackState().midiCount, 1);
    EXPECT_EQ(obj_GetMidi(0, rackState().currentMidi)->path, song);
    EXPECT_TRUE(prompts.empty());
    // Nothing that loads is said.
    std::vector<std::string> bad = {m_folder + "/missing.wav"};
    m_deck->send(plat::ui::kDropFilesMessage, reinterpret_cast<uintptr_t>(&bad), 0);
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_NE(prompts[0].text.find("None"), std::string::npos);
}

TEST_F(WaveDeckTest, ARecordingArmsThenWritesAndBecomesTheCurrentWave)
{
    command(kWaveCmdRecord);
    ASSERT_EQ(rackState().waveState, kDeckRecording);
    EXPECT_TRUE(waveDeckState().paused);
    // Armed: what the input hears is measured, not written.
    ASSERT_TRUE(wave.record(std::vector<uint8_t>(2000, 60)));
    advance(100);
    command(kWaveCmdRecord);
    EXPECT_FALSE(waveDeckState().paused);
    ASSERT_TRUE(wave.record(std::vector<uint8_t>(4000, 200)));
    advance(100);
    command(kSlotStop);
    EXPECT_EQ(rackState().waveState, kDeckIdle);
    ASSERT_EQ(rackState().waveCount, 1);
    const WaveRecord* made = obj_GetWave(0, rackState().currentWave);
    ASSERT_NE(made, nullptr);
    EXPECT_GT(made->length, 0);
    EXPECT_EQ(made->path.rfind(m_folder + "/Music/", 0), 0u) << made->path;
    EXPECT_EQ(obj_GetState(0, made), 1);

    // Recording again over it, answered No, makes a new wave; the first stays.
    plat::UserPrompt::ScopedHook no([](const plat::UserPrompt::Message&) { return plat::UserPrompt::Answer::no; });
    command(kWaveCmdRecord);
    ASSERT_EQ(rackState().waveState, kDeckRecording);
    command(kWaveCmdRecord);
    ASSERT_TRUE(wave.record(std::vector<uint8_t>(3000, 180)));
    advance(100);
    command(kSlotStop);
    EXPECT_EQ(rackState().waveCount, 2);
    EXPECT_NE(obj_GetWave(0, 0)->path, obj_GetWave(0, 1)->path);
}

TEST_F(WaveDeckTest, CancellingTheSavePromptOfAnUnsavedRecordingKeepsIt)
{
    command(kWaveCmdRecord);
    command(kWaveCmdRecord);
    ASSERT_TRUE(wave.record(std::vector<uint8_t>(3000, 180)));
    advance(100);
    command(kSlotStop);
    ASSERT_EQ(rackState().waveCount, 1);
    std::vector<std::string> asked;
    plat::UserPrompt::ScopedHook cancel([&asked](const plat::UserPrompt::Message& message) {
        asked.push_back(message.text);
        return plat::UserPrompt::Answer::cancel;
    });
    command(kDeckCmdClose);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("not saved"), std::string::npos);
    EXPECT_EQ(rackState().waveCount, 1);
}

TEST_F(WaveDeckTest, ThePlayListEditorAddsAtTheSelectionRemovesAndLoadsTheListInOrder)
{
    const std::string a = makeWave("a.wav", 0.2);
    const std::string b = makeWave("b.wav", 0.2);
    const std::string c = makeWave("Long Name With Blanks And More Than A Hundred And Twenty Seven Characters, "
                                   "So That No Name Is Ever Cut Short On Its Way Into The Rack.wav",
                                   0.2);
    load(a);
    load(b);
    FileChooser::setHook([&c](plat::ui::Window*, const FileRequest& request) {
        EXPECT_TRUE(request.multiple);
        return std::vector<std::string>{c};
    });
    rack_SetDialogRunner([](QDialog& dialog) {
        auto* editor = dynamic_cast<PlaylistDialog*>(&dialog);
        if (!editor)
            return int(QDialog::Rejected);
        EXPECT_TRUE(plat::ui::test::LayoutCheck::fits(dialog));
        test::saveScreenshot(dialog.grab().toImage(), "rack-wave-play-list");
        QListWidget* list = nullptr;
        for (QListWidget* widget : dialog.findChildren<QListWidget*>())
            if (widget->property("itemId").toInt() == PlaylistDialog::kListBox)
                list = widget;
        EXPECT_EQ(list->count(), 2);
        // The new file goes in front of the selected b; then a goes.
        list->setCurrentRow(1);
        editor->add();
        list->setCurrentRow(0);
        editor->remove();
        EXPECT_EQ(list->count(), 2);
        editor->apply();
        return int(QDialog::Accepted);
    });
    command(kDeckCmdPlaylist);
    FileChooser::setHook({});
    rack_SetDialogRunner({});
    deliver();
    ASSERT_EQ(obj_GetWaveCount(), 2);
    EXPECT_EQ(obj_GetWave(0, 0)->path, c);
    EXPECT_EQ(obj_GetWave(0, 1)->path, b);
    EXPECT_EQ(rackState().waveCount, 2);
}

TEST_F(WaveDeckTest, ScreenshotOfTheWaveDeckPlaying)
{
    // The two columns of the level meter.
    const auto meterInk = [](const QImage& image) {
        using plat::ui::test::LayoutCheck;
        return LayoutCheck::inkIn(image, QRect(434, 20, 9, 31), qRgb(0, 0, 0)) +
               LayoutCheck::inkIn(image, QRect(450, 20, 9, 31), qRgb(0, 0, 0));
    };
    load(makeWave("Harbour Morning.wav", 20));
    const QImage idle = m_deck->widget()->grab().toImage();
    EXPECT_EQ(meterInk(idle), 0) << "a meter at rest is dark";
    command(kSlotPlay);
    run(3000);
    const QImage image = screenshot("rack-wave-deck-playing");
    expectShowsPlaying(image, idle);
    EXPECT_GT(meterInk(image), 0) << "the meter shows what plays";
    command(kSlotStop);
    EXPECT_EQ(meterInk(m_deck->widget()->grab().toImage()), 0) << "and is dark again once stopped";
}

}  // namespace
}  // namespace rack
