#include "rack/outside/plinthbase/ProgramStart.h"
#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/outside/plinthtune/MidiPlayer.h"
#include "rack/outside/plinthtune/MidiPorts.h"
#include "rack/plinthui/ControlIds.h"
#include "rack/rackplayer/DeckControls.h"
#include "rack/rackplayer/GlobalAtoms.h"
#include "rack/rackplayer/MidiInputDialog.h"
#include "rack/rackplayer/RackBands.h"
#include "rack/rackplayer/RackFrame.h"
#include "rack/rackplayer/RackMenu.h"
#include "rack/rackplayer/RackStartup.h"
#include "rack/rackplayer/WaveDeck.h"
#include "rack/outside/plinthstore/MediaFileInfo.h"
#include "rack/rackplayer/tests/RackFixture.h"

#include "platform/ui/window/Menu.h"
#include "platform/ui/rackwindow/Window.h"
#include "platform/ui/tests/support/LayoutCheck.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QComboBox>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace rack {
namespace {

using plat::ui::Window;
using plat::ui::kCommandMessage;

class RackFrameTest : public test::RackFixture {
protected:
    void TearDown() override
    {
        stop();
        SetProgramStarter({});
        rack_SetDialogRunner({});
        RackFixture::TearDown();
    }

    void setFeatures(bool wave, bool midi, bool cd)
    {
        PlinthProfile::setString("Setup", "HasWaveFeatures", wave ? "Yes" : "No");
        PlinthProfile::setString("Setup", "HasMidiFeatures", midi ? "Yes" : "No");
        PlinthProfile::setString("Setup", "HasCDFeatures", cd ? "Yes" : "No");
    }

    Window* start(const std::string& commandLine = "")
    {
        EXPECT_EQ(rack_Startup(commandLine, "/opt/rack/rackplayer"), 1);
        m_started = true;
        deliver();
        return rackState().frame;
    }

    void stop()
    {
        if (!m_started)
            return;
        if (Window* frame = rackState().frame; Window::isWindow(frame))
            frame->send(plat::ui::kCloseMessage);
        deliver();
        rack_Shutdown();
        m_started = false;
    }

    void command(uint32_t id)
    {
        rackState().frame->send(kCommandMessage, id, 0);
        deliver();
    }

    // The toolbar buttons, by command id.
    static std::vector<uintptr_t> toolbarIds()
    {
        std::vector<uintptr_t> ids;
        for (Window* child : rackState().frame->children())
            if (child->className() == kPrettyButtonClass)
                ids.push_back(child->id());
        return ids;
    }

    static int clientHeight() { return rackState().frame->clientRect().height(); }

    bool m_started = false;
};

TEST_F(RackFrameTest, BandStackingToolbarAndMenuFollowTheFeatureKeys)
{
    for (int mask = 0; mask < 8; ++mask) {
        const bool wave = mask & 1;
        const bool midi = mask & 2;
        const bool cd = mask & 4;
        SCOPED_TRACE(testing::Message() << "wave " << wave << " midi " << midi << " cd " << cd);
        // Each start begins from the defaults, not from what the last one saved.
        std::filesystem::remove(PlinthProfile::path());
        setFeatures(wave, midi, cd);
        start();
        const RackState& state = rackState();
        // Toolbar 36, mixer 105, 66 per deck.
        int y = 36 + 105;
        EXPECT_EQ(state.mixerTop, 36);
        EXPECT_EQ(state.waveTop, wave ? y : 0);
        y += wave ? 66 : 0;
        EXPECT_EQ(state.midiTop, midi ? y : 0);
        y += midi ? 66 : 0;
        EXPECT_EQ(state.cdTop, cd ? y : 0);
        y += cd ? 66 : 0;
        EXPECT_EQ(clientHeight(), y + 1);
        EXPECT_EQ(state.mixer->windowRect().height(), 105);

        std::vector<uintptr_t> buttons = {kCmdMixer};
        if (wave)
            buttons.push_back(kCmdWave);
        if (midi)
            buttons.push_back(kCmdMidi);
        if (cd)
            buttons.push_back(kCmdCd);
        EXPECT_EQ(toolbarIds(), buttons);

        // No outside MIDI editor is installed here: its item goes too.
        std::vector<uint32_t> items;
        auto add = [&items](bool present, std::initializer_list<uint32_t> ids) {
            if (present)
                items.insert(items.end(), ids);
        };
        add(wave, {kCmdOpenWave, kCmdCloseWave, kCmdSaveWave});
        add(midi, {kCmdOpenMidi, kCmdCloseMidi});
        add(cd, {kCmdInitializeCd});
        add(true, {kCmdExit});
        add(wave, {kCmdWaveEditor});
        add(true, {kCmdToolbar, kCmdMixer});
        add(wave, {kCmdWave});
        add(midi, {kCmdMidi});
        add(cd, {kCmdCd});
        add(wave, {kCmdWaveLoop});
        add(midi, {kCmdMidiLoop});
        add(cd, {kCmdCdLoop});
        add(true, {kCmdMidiInput, kCmdRecordingSetup, kCmdOnTop, kCmdHelpContents, kCmdHelpRack, kCmdAbout});
        EXPECT_EQ(state.frame->menu()->commandIds(), items);
        stop();
    }
}

TEST_F(RackFrameTest, TheMidiEditorItemStaysWhenAnEditorIsThere)
{
    RackState state;
    auto menu = RackMenu::build();
    RackMenu::trim(*menu, state, true);
    EXPECT_TRUE(menu->contains(kCmdMidiEditor));
    EXPECT_FALSE(menu->contains(kCmdPlaylistEditor));
    state.closeText = "Leave the Rack";
    auto renamed = RackMenu::build();
    RackMenu::trim(*renamed, state, false);
    EXPECT_FALSE(renamed->contains(kCmdMidiEditor));
    EXPECT_EQ(renamed->itemText(kCmdExit), "Leave the Rack");
}

TEST_F(RackFrameTest, HidingEveryBandLeavesTheMenuAndOnePixelAndShowingRestacks)
{
    Window* frame = start();
    const int menuHeight = frame->nonClientMargins().top() + frame->nonClientMargins().bottom();
    for (const uint32_t id : {kCmdToolbar, kCmdMixer, kCmdWave, kCmdMidi, kCmdCd}) {
        command(id);
        EXPECT_FALSE(frame->menu()->isChecked(id)) << id;
    }
    EXPECT_EQ(clientHeight(), 1);
    EXPECT_EQ(frame->windowRect().height(), menuHeight + 1);
    EXPECT_FALSE(rackState().waveDeck->isVisible());
    EXPECT_FALSE(rackState().mixer->isVisible());

    // The MIDI deck alone sits at the top; then the wave deck comes back above it.
    command(kCmdMidi);
    EXPECT_EQ(rackState().midiDeck->windowRect().topLeft(), frame->clientToScreen(QPoint(0, 0)));
    EXPECT_EQ(clientHeight(), 67);
    command(kCmdWave);
    EXPECT_EQ(rackState().waveTop, 0);
    EXPECT_EQ(rackState().midiTop, 66);
    EXPECT_EQ(frame->clientToScreen(QPoint(0, 66)), rackState().midiDeck->clientToScreen(QPoint(0, 0)));
    command(kCmdToolbar);
    EXPECT_EQ(rackState().waveTop, 36);
    EXPECT_EQ(clientHeight(), 36 + 66 + 66 + 1);
    EXPECT_TRUE(frame->menu()->isChecked(kCmdToolbar));
}

TEST_F(RackFrameTest, FileItemsOfABusyDeckAreGreyedUntilItIsIdle)
{
    Window* frame = start();
    plat::ui::Menu* menu = frame->menu();
    rack_SetDeckLoaded(kDeckWave, false);
    for (const uint32_t id : {kCmdOpenWave, kCmdCloseWave, kCmdSaveWave})
        EXPECT_FALSE(menu->isEnabled(id));
    EXPECT_TRUE(menu->isEnabled(kCmdOpenMidi));
    rack_SetDeckLoaded(kDeckMidi, false);
    rack_SetDeckLoaded(kDeckCd, false);
    EXPECT_FALSE(menu->isEnabled(kCmdCloseMidi));
    EXPECT_FALSE(menu->isEnabled(kCmdInitializeCd));
    rack_SetDeckLoaded(kDeckWave, true);
    EXPECT_TRUE(menu->isEnabled(kCmdSaveWave));
    EXPECT_FALSE(menu->isEnabled(kCmdOpenMidi));
    rack_SetDeckLoaded(200, false);
    EXPECT_TRUE(menu->isEnabled(kCmdExit));
}

TEST_F(RackFrameTest, LoopsOnTopAndLocationAreKeptInTheProfile)
{
    Window* frame = start();
    EXPECT_EQ(frame->windowRect().topLeft(), QPoint(1, 1));
    command(kCmdWaveLoop);
    EXPECT_FALSE(rackState().waveLoop);
    EXPECT_FALSE(frame->menu()->isChecked(kCmdWaveLoop));
    command(kCmdOnTop);
    EXPECT_TRUE(frame->isTopmost());
    EXPECT_TRUE(frame->menu()->isChecked(kCmdOnTop));
    EXPECT_EQ(PlinthProfile::getString("Stereo", "OnTop", "", 12), "Yes");
    frame->move(QRect(QPoint(120, 80), frame->windowRect().size()));
    EXPECT_EQ(PlinthProfile::getString("Stereo", "WindowLocation", "", 32), "120 80");
    stop();
    EXPECT_EQ(PlinthProfile::getString("Stereo", "WaveLoop", "", 10), "Off");
    EXPECT_EQ(PlinthProfile::getString("Stereo", "MidiLoop", "", 10), "On");
}

// The stored place is that of the desktop's frame, title bar included: the window inside
// it lies below and right of it, so a place at the screen's corner keeps the title bar on it.
TEST_F(RackFrameTest, TheStoredPlaceIsWhereTheTitleBarGoes)
{
    const struct {
        const char* stored;
        QPoint frame;
    } cases[] = {{"X", QPoint(1, 1)}, {"120 80", QPoint(120, 80)}, {"40 300", QPoint(40, 300)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        PlinthProfile::setString("Stereo", "WindowLocation", c.stored);
        Window* frame = start();
        QCoreApplication::processEvents();
        const QWidget* widget = frame->widget();
        EXPECT_EQ(widget->frameGeometry().topLeft(), c.frame);
        EXPECT_EQ(frame->windowRect().topLeft(), c.frame);
        EXPECT_GE(widget->geometry().top(), c.frame.y());
        EXPECT_GE(widget->geometry().left(), c.frame.x());
        // Moving the frame stores the frame's place, which brings it back there.
        frame->move(QRect(c.frame + QPoint(30, 20), frame->windowRect().size()));
        QCoreApplication::processEvents();
        EXPECT_EQ(widget->frameGeometry().topLeft(), c.frame + QPoint(30, 20));
        const QPoint moved = c.frame + QPoint(30, 20);
        EXPECT_EQ(PlinthProfile::getString("Stereo", "WindowLocation", "", 32),
                  std::to_string(moved.x()) + " " + std::to_string(moved.y()));
        stop();
    }
}

TEST_F(RackFrameTest, TheFrameBearsItsTitleAndAPlaceOffEveryScreenComesBackOnOne)
{
    PlinthProfile::setString("Stereo", "WindowLocation", "5000 -4000");
    Window* frame = start();
    EXPECT_EQ(frame->widget()->windowTitle(), "Stereo Rack");
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(frame->windowRect().topLeft())) << frame->windowRect().x() << ","
                                                                << frame->windowRect().y();
    EXPECT_TRUE(screen.intersects(frame->windowRect()));
}

TEST_F(RackFrameTest, TheEndOfTheSessionEndsARecordingCleanlyAndWritesTheProfile)
{
    const std::string home = (std::filesystem::temp_directory_path() / ("end-session-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(home);
    const std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
    setenv("HOME", home.c_str(), 1);
    Window* frame = start();
    command(kCmdMidiLoop);
    Window* deck = rackState().waveDeck;
    deck->send(kCommandMessage, kWaveCmdRecord, kNotifyClick);
    deck->send(kCommandMessage, kWaveCmdRecord, kNotifyClick);
    ASSERT_EQ(rackState().waveState, kDeckRecording);
    ASSERT_TRUE(wave.record(std::vector<uint8_t>(4000, 190)));
    advance(100);
    EXPECT_TRUE(rack_EndSession());
    EXPECT_EQ(rackState().waveState, kDeckIdle);
    ASSERT_EQ(obj_GetWaveCount(), 1);
    const WaveRecord* made = obj_GetWave(0, 0);
    EXPECT_GT(made->length, 0);
    // The recording's file is whole: its header tells its length.
    WaveRecord reread;
    EXPECT_TRUE(MediaFileInfo::readWave(made->path, reread));
    EXPECT_EQ(reread.length, made->length);
    EXPECT_EQ(PlinthProfile::getString("Stereo", "MidiLoop", "", 10), "Off");
    EXPECT_TRUE(Window::isWindow(frame));
    stop();
    setenv("HOME", oldHome.c_str(), 1);
    std::filesystem::remove_all(home);
}

TEST_F(RackFrameTest, FeedthroughPassesInputOnAndShutdownClosesItBeforeTheLibraryEnds)
{
    PlinthProfile::setString("Stereo", "MidiFeedthru", "On");
    start();
    EXPECT_TRUE(mid_IsInOpen());
    EXPECT_TRUE(mid_IsOutOpen());
    ASSERT_TRUE(memory().midiIn(0).feed(0x7F3C90));
    const auto played = memory().midiOut(0).played();
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].bytes, (std::vector<uint8_t>{0x90, 0x3C, 0x7F}));
    stop();
    EXPECT_FALSE(memory().midiIn(0).isOpen());
    EXPECT_FALSE(memory().midiOut(0).isOpen());
    // Feed-through is remembered as it was while the rack ran.
    EXPECT_EQ(PlinthProfile::getString("Stereo", "MidiFeedthru", "", 10), "On");
}

TEST_F(RackFrameTest, AnInputThatDoesNotOpenIsSaidAndLeavesFeedthroughOff)
{
    PlinthProfile::setString("Stereo", "MidiFeedthru", "On");
    PlinthProfile::setString("Stereo", "MidiInputDevice", "5");
    start();
    EXPECT_FALSE(rackState().midiFeedthru);
    EXPECT_FALSE(mid_IsInOpen());
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].caption, "MIDI Feed-through");
    EXPECT_NE(prompts[0].text.find("input"), std::string::npos);
}

TEST_F(RackFrameTest, TheMidiInputDialogStoresTheDeviceAndSwitchesFeedthrough)
{
    start();
    rack_SetDialogRunner([](QDialog& dialog) {
        auto& input = static_cast<MidiInputDialog&>(dialog);
        EXPECT_TRUE(plat::ui::test::LayoutCheck::fits(dialog));
        test::saveScreenshot(dialog.grab().toImage(), "rack-midi-input");
        EXPECT_EQ(input.deviceBox()->count(), 1);
        EXPECT_FALSE(input.feedthruBox()->isChecked());
        input.feedthruBox()->setChecked(true);
        input.accept();
        return int(QDialog::Accepted);
    });
    command(kCmdMidiInput);
    EXPECT_TRUE(rackState().midiFeedthru);
    EXPECT_TRUE(mid_IsInOpen());
    EXPECT_EQ(PlinthProfile::getString("Stereo", "MidiInputDevice", "", 10), "0");
    rack_SetDialogRunner([](QDialog& dialog) {
        static_cast<MidiInputDialog&>(dialog).feedthruBox()->setChecked(false);
        dialog.accept();
        return int(QDialog::Accepted);
    });
    command(kCmdMidiInput);
    EXPECT_FALSE(mid_IsInOpen());
    EXPECT_FALSE(mid_IsOutOpen());
}

TEST_F(RackFrameTest, NamedFilesOpenByTheirKindAndBusyDecksRefuseThem)
{
    const std::string path = (std::filesystem::temp_directory_path() / ("Take " + std::to_string(::getpid()) + ".wav")).string();
    {
        std::ofstream out(path, std::ios::binary);
        const uint8_t header[] = {'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                                  1, 0, 1, 0, 0x11, 0x2B, 0, 0, 0x11, 0x2B, 0, 0, 1, 0, 8, 0,
                                  'd', 'a', 't', 'a', 4, 0, 0, 0, 128, 128, 128, 128};
        out.write(reinterpret_cast<const char*>(header), sizeof header);
    }
    Window* frame = start();
    rackState().waveState = kDeckPlaying;
    frame->send(kCommandMessage, kCmdOpenNamedFile, GlobalAtoms::add(path));
    EXPECT_EQ(obj_GetWaveCount(), 0);
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_NE(prompts[0].text.find("playing"), std::string::npos);
    rackState().waveState = kDeckIdle;
    frame->send(kCommandMessage, kCmdOpenNamedFile, GlobalAtoms::add(path));
    EXPECT_EQ(obj_GetWaveCount(), 1);
    EXPECT_EQ(rackState().waveCount, 1);
    EXPECT_EQ(GlobalAtoms::count(), 0u);

    // The wave editor gets the current wave.
    std::vector<std::vector<std::string>> started;
    SetProgramStarter([&started](const std::vector<std::string>& argv) {
        started.push_back(argv);
        return true;
    });
    PlinthProfile::setString("Setup", "RunWaveEditor", "wave-editor");
    command(kCmdWaveEditor);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], (std::vector<std::string>{"wave-editor", path}));
    std::remove(path.c_str());

    // A named pipe would block the opening for ever: it is not opened at all.
    const std::string pipe = path + ".pipe.wav";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    frame->send(kCommandMessage, kCmdOpenNamedFile, GlobalAtoms::add(pipe));
    EXPECT_EQ(obj_GetWaveCount(), 1);
    EXPECT_EQ(GlobalAtoms::count(), 0u);
    std::remove(pipe.c_str());
}

// A file handed to the rack (its command line, another copy) that it cannot open is said, so
// the user does not wait for a file that never comes.
TEST_F(RackFrameTest, ANamedFileThatCannotBeOpenedIsSaid)
{
    const std::string folder = (std::filesystem::temp_directory_path() / ("named-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/empty.mid").flush();
    std::ofstream(folder + "/notes.txt") << "not music";
    const std::string names[] = {folder + "/missing.mid", folder + "/empty.mid", folder + "/notes.txt"};
    Window* frame = start();
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        prompts.clear();
        frame->send(kCommandMessage, kCmdOpenNamedFile, GlobalAtoms::add(name));
        ASSERT_EQ(prompts.size(), 1u);
        EXPECT_NE(prompts[0].text.find(name), std::string::npos) << prompts[0].text;
        EXPECT_EQ(obj_GetWaveCount() + obj_GetMidiCount(), 0);
        EXPECT_EQ(GlobalAtoms::count(), 0u);
    }
    std::filesystem::remove_all(folder);
}

// The MIDI deck and feed-through play on one output: neither closes it under the other.
TEST_F(RackFrameTest, TheMidiDeckAndFeedthroughKeepTheirSharedOutputForEachOther)
{
    const std::string song = (std::filesystem::temp_directory_path() / ("shared-" + std::to_string(::getpid()) + ".mid")).string();
    {
        // A note held for ten quarters.
        std::ofstream out(song, std::ios::binary);
        const uint8_t smf[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 13,
                               0, 0x90, 0x3C, 0x40, 0x87, 0x40, 0x80, 0x3C, 0x00, 0, 0xFF, 0x2F, 0};
        out.write(reinterpret_cast<const char*>(smf), sizeof smf);
    }
    PlinthProfile::setString("Stereo", "MidiFeedthru", "On");
    start(song);
    // The store's notice of the file, which the deck answers by stopping, comes first.
    deliver();
    ASSERT_EQ(rackState().midiCount, 1);
    ASSERT_TRUE(rackState().midiFeedthru);
    auto deck = [this](uint32_t id) {
        rackState().midiDeck->send(kCommandMessage, id, kNotifyClick);
        deliver();
    };
    // Feed-through switched on or off in the MIDI input dialog, as the user does.
    auto feedthru = [this](bool on) {
        rack_SetDialogRunner([on](QDialog& dialog) {
            static_cast<MidiInputDialog&>(dialog).feedthruBox()->setChecked(on);
            dialog.accept();
            return int(QDialog::Accepted);
        });
        command(kCmdMidiInput);
    };
    auto passesInput = [this] {
        const size_t before = memory().midiOut(0).played().size();
        EXPECT_TRUE(memory().midiIn(0).feed(0x7F3E90));
        const auto played = memory().midiOut(0).played();
        return played.size() == before + 1 && played.back().bytes == std::vector<uint8_t>{0x90, 0x3E, 0x7F};
    };

    // Stopping the deck leaves feed-through passing input on.
    deck(kSlotPlay);
    ASSERT_EQ(rackState().midiState, kDeckPlaying);
    deck(kSlotStop);
    EXPECT_EQ(rackState().midiState, kDeckIdle);
    EXPECT_TRUE(mid_IsOutOpen());
    EXPECT_TRUE(passesInput());

    // Switching feed-through off leaves the deck playing on its output.
    deck(kSlotPlay);
    ASSERT_EQ(rackState().midiState, kDeckPlaying);
    feedthru(false);
    EXPECT_FALSE(mid_IsInOpen());
    EXPECT_TRUE(mid_IsOutOpen());
    EXPECT_EQ(rackState().midiState, kDeckPlaying);

    // Switched on again while the deck plays, it passes input on and the deck plays on.
    feedthru(true);
    EXPECT_TRUE(mid_IsInOpen());
    EXPECT_TRUE(passesInput());
    EXPECT_EQ(rackState().midiState, kDeckPlaying);
    EXPECT_TRUE(mid_IsPlaying());

    // With feed-through off the stopped deck closes the output.
    feedthru(false);
    deck(kSlotStop);
    EXPECT_FALSE(mid_IsOutOpen());
    std::remove(song.c_str());
}

// Edit > Wave Editor says why nothing starts: none is set up (and where to set one up), or
// the one set up does not start.
TEST_F(RackFrameTest, AWaveEditorThatIsNotSetUpOrDoesNotStartIsSaid)
{
    std::vector<std::vector<std::string>> started;
    bool starts = false;
    SetProgramStarter([&started, &starts](const std::vector<std::string>& argv) {
        started.push_back(argv);
        return starts;
    });
    start();
    command(kCmdWaveEditor);
    EXPECT_TRUE(started.empty());
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].caption, "Wave Editor");
    EXPECT_NE(prompts[0].text.find("No wave editor is set up"), std::string::npos) << prompts[0].text;
    EXPECT_NE(prompts[0].text.find("RunWaveEditor"), std::string::npos) << prompts[0].text;
    EXPECT_NE(prompts[0].text.find(PlinthProfile::path()), std::string::npos) << prompts[0].text;

    PlinthProfile::setString("Setup", "RunWaveEditor", "missing-wave-editor --edit");
    command(kCmdWaveEditor);
    ASSERT_EQ(started.size(), 1u);
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_NE(prompts[1].text.find("could not be started: missing-wave-editor --edit"), std::string::npos)
        << prompts[1].text;

    starts = true;
    command(kCmdWaveEditor);
    EXPECT_EQ(started.size(), 2u);
    EXPECT_EQ(prompts.size(), 2u);
}

TEST_F(RackFrameTest, AFileOnTheCommandLineOpensOnceTheFrameExistsAndTheExitCommandRunsAtTheEnd)
{
    std::vector<std::vector<std::string>> started;
    SetProgramStarter([&started](const std::vector<std::string>& argv) {
        started.push_back(argv);
        return true;
    });
    const std::string path = (std::filesystem::temp_directory_path() / ("song-" + std::to_string(::getpid()) + ".mid")).string();
    {
        std::ofstream out(path, std::ios::binary);
        const uint8_t smf[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
                               'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0};
        out.write(reinterpret_cast<const char*>(smf), sizeof smf);
    }
    start("/R \"cleanup --now\" " + path);
    EXPECT_EQ(obj_GetMidiCount(), 1);
    EXPECT_EQ(rackState().midiCount, 1);
    stop();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], (std::vector<std::string>{"cleanup", "--now"}));
    std::remove(path.c_str());
}

TEST_F(RackFrameTest, TheMidiEditorTakesTheCurrentFileOutOfTheDeckAndEndsFeedthrough)
{
    // An editor program on the search path.
    const std::string folder = (std::filesystem::temp_directory_path() / ("editor-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(folder);
    const std::string editor = folder + "/quavix";
    std::ofstream(editor) << "#!/bin/sh\n";
    std::filesystem::permissions(editor, std::filesystem::perms::owner_all);
    const std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (folder + ":" + oldPath).c_str(), 1);
    std::vector<std::vector<std::string>> started;
    bool editorStarts = false;
    SetProgramStarter([&started, &editorStarts](const std::vector<std::string>& argv) {
        started.push_back(argv);
        return editorStarts;
    });
    const std::string song = folder + "/Song.mid";
    {
        std::ofstream out(song, std::ios::binary);
        const uint8_t smf[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
                               'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0};
        out.write(reinterpret_cast<const char*>(smf), sizeof smf);
    }
    PlinthProfile::setString("Stereo", "MidiFeedthru", "On");
    Window* frame = start(song);
    EXPECT_TRUE(frame->menu()->contains(kCmdMidiEditor));
    ASSERT_EQ(rackState().midiCount, 1);
    EXPECT_TRUE(rackState().midiFeedthru);

    // The editor does not start: said, and the file stays.
    command(kCmdMidiEditor);
    EXPECT_FALSE(rackState().midiFeedthru);
    EXPECT_FALSE(mid_IsInOpen());
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].caption, "MIDI Editor");
    EXPECT_EQ(obj_GetMidiCount(), 1);
    editorStarts = true;
    command(kCmdMidiEditor);
    EXPECT_EQ(obj_GetMidiCount(), 0);
    EXPECT_EQ(rackState().midiCount, 0);
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[1], (std::vector<std::string>{editor, song}));

    setenv("PATH", oldPath.c_str(), 1);
    std::filesystem::remove_all(folder);
}

TEST_F(RackFrameTest, ScreenshotOfTheRack)
{
    Window* frame = start();
    EXPECT_EQ(frame->clientRect().width(), kFrameClientWidth);
    const QImage image = frame->widget()->grab().toImage();
    test::saveScreenshot(image, "rack-frame");
    EXPECT_TRUE(plat::ui::test::LayoutCheck::fits(*frame->widget()));
    // The toolbar panel is drawn across the top, under the buttons.
    EXPECT_NE(image.pixel(20, frame->nonClientMargins().top() + 18) & 0xFFFFFF, 0u);
}

}  // namespace
}  // namespace rack
