#include "rack/outside/plinthfade/MixerBand.h"
#include "rack/outside/plinthstore/CdStore.h"
#include "rack/plinthui/ControlIds.h"
#include "rack/rackplayer/CdDeck.h"
#include "rack/rackplayer/CdPlaylistDialog.h"
#include "rack/rackplayer/DeckControls.h"
#include "rack/rackplayer/RackFrame.h"
#include "rack/rackplayer/RackStartup.h"
#include "rack/rackplayer/tests/CdImage.h"
#include "rack/rackplayer/tests/DeckFixture.h"

#include "platform/core/IniFile.h"
#include "platform/ui/rackwindow/Window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace rack {
namespace {

using test::CdImage;
using test::kSectorBytes;

class CdDeckTest : public test::DeckFixture {
protected:
    void SetUp() override
    {
        DeckFixture::SetUp();
        // The titles stored for the disc by an earlier test go.
        std::error_code ignored;
        std::filesystem::remove(plat::IniFile("rackcd.ini").path(), ignored);
        obj_SetCDSource(m_image.cue());
        startRack(&RackState::cdDeck);
    }

    void TearDown() override
    {
        stopRack();
        rack_SetDialogRunner({});
        obj_SetCDSource("");
        DeckFixture::TearDown();
    }

    // The speaker plays what is queued while the clock runs, until the deck is idle.
    void playOut(int limitMs = 20000)
    {
        for (int ms = 0; ms < limitMs && rackState().cdState == kDeckPlaying; ms += 50) {
            wave.playAll();
            advance(50);
        }
    }

    CdImage m_image;
};

TEST_F(CdDeckTest, TheImageGivesThreeTracksAndTheirLengths)
{
    ASSERT_EQ(obj_GetCDCount(), 3);
    EXPECT_EQ(obj_GetCDPlayCount(), 3);
    EXPECT_EQ(obj_GetCD(0, 0)->lengthTenths, 20);
    EXPECT_EQ(obj_GetCD(0, 1)->lengthTenths, 10);
    EXPECT_EQ(obj_GetCD(0, 2)->lengthTenths, 15);
    EXPECT_EQ(obj_GetCD(0, 1)->name, "Track 2");
    EXPECT_EQ(cdDeckState().playCount, 3);
    // An image has no door to open.
    command(kCdCmdEject);
    EXPECT_EQ(obj_GetCDCount(), 3);
}

TEST_F(CdDeckTest, ATrackArrivesSampleForSampleThenTheNextPlaysAndWithoutLoopTheDeckEndsIdleAtTheFirst)
{
    rackState().cdLoop = false;
    command(kSlotNext, kNotifyRepeat);
    EXPECT_EQ(cdDeckState().position, 1);
    command(kSlotPlay);
    ASSERT_EQ(rackState().cdState, kDeckPlaying);
    EXPECT_EQ(wave.outFormat.samplesPerSec, 44100u);
    EXPECT_EQ(wave.outFormat.channels, 2u);
    playOut();
    EXPECT_EQ(rackState().cdState, kDeckIdle);
    EXPECT_EQ(cdDeckState().position, 0);
    EXPECT_EQ(cdDeckState().elapsedTenths, 0);
    std::vector<uint8_t> expected = m_image.track(1);
    const std::vector<uint8_t> third = m_image.track(2);
    expected.insert(expected.end(), third.begin(), third.end());
    ASSERT_EQ(wave.heard.size(), expected.size());
    EXPECT_TRUE(wave.heard == expected);
}

// The mixer band's CD row sets the level of what the deck plays: half the gain, balance
// right over, leaves the left side silent and the right at half.
TEST_F(CdDeckTest, TheMixersCdLevelsActOnWhatTheDeckPlays)
{
    rackState().cdLoop = false;
    mix_SetLevels(MixerSource::cd, 50, 50);
    command(kSlotPrevious, kNotifyRepeat);
    EXPECT_EQ(cdDeckState().position, 2);
    command(kSlotPlay);
    ASSERT_EQ(rackState().cdState, kDeckPlaying);
    playOut();
    mix_SetLevels(MixerSource::cd, 100, 0);
    const std::vector<uint8_t> track = m_image.track(2);
    ASSERT_EQ(wave.heard.size(), track.size());
    size_t louder = 0;
    for (size_t at = 0; at + 4 <= track.size(); at += 4) {
        const auto sample = [](const std::vector<uint8_t>& bytes, size_t i) {
            return int16_t(uint16_t(bytes[i] | bytes[i + 1] << 8));
        };
        ASSERT_EQ(sample(wave.heard, at), 0) << at;
        ASSERT_EQ(sample(wave.heard, at + 2), sample(track, at + 2) / 2) << at;
        louder += std::abs(sample(track, at + 2)) > 1000 ? 1 : 0;
    }
    EXPECT_GT(louder, track.size() / 8);
}

TEST_F(CdDeckTest, WithTheLoopTheLastTrackWrapsToTheFirst)
{
    rackState().cdLoop = true;
    command(kSlotPrevious, kNotifyRepeat);
    EXPECT_EQ(cdDeckState().position, 2);
    command(kSlotPlay);
    for (int ms = 0; ms < 5000 && cdDeckState().position == 2; ms += 50) {
        wave.playAll();
        advance(50);
    }
    EXPECT_EQ(rackState().cdState, kDeckPlaying);
    EXPECT_EQ(cdDeckState().position, 0);
    command(kSlotStop);
    EXPECT_EQ(rackState().cdState, kDeckIdle);
}

TEST_F(CdDeckTest, PauseStopsTheDiscAndResumesFromTheElapsedTime)
{
    command(kSlotPlay);
    // The speaker at the pace of the clock: 50 ms of CD sound every 50 ms.
    for (int ms = 0; ms < 1000; ms += 50) {
        wave.play(44100 * 4 / 20);
        advance(50);
    }
    command(kSlotPause);
    EXPECT_TRUE(cdDeckState().paused);
    const int32_t elapsed = cdDeckState().elapsedTenths;
    EXPECT_EQ(elapsed, 10);
    advance(1000);
    EXPECT_EQ(cdDeckState().elapsedTenths, elapsed);
    const size_t heardWhilePaused = wave.heard.size();
    command(kSlotPause);
    EXPECT_FALSE(cdDeckState().paused);
    EXPECT_EQ(rackState().cdState, kDeckPlaying);
    // The disc goes on from the second it showed.
    wave.play(kSectorBytes);
    const std::vector<uint8_t> first = m_image.track(0);
    EXPECT_EQ(wave.heard.size(), heardWhilePaused + kSectorBytes);
    EXPECT_TRUE(std::equal(wave.heard.begin() + long(heardWhilePaused), wave.heard.end(), first.begin() + 75 * kSectorBytes));
}

TEST_F(CdDeckTest, EjectingEmptiesTheDeckAndADoorThatEndsClosedOnlySetsATimer)
{
    bool open = false;
    obj_SetCDDoorHook([&open](int32_t* value) {
        open = !open;
        *value = open ? 1 : 0;
        return 1;
    });
    command(kSlotPlay);
    command(kCdCmdEject);
    EXPECT_EQ(obj_GetCDCount(), 0);
    EXPECT_EQ(cdDeckState().playCount, 0);
    EXPECT_EQ(cdDeckState().elapsedTenths, 0);
    // The store's notice of the emptied disc stops the deck.
    deliver();
    EXPECT_EQ(rackState().cdState, kDeckIdle);
    const size_t timers = m_timers.activeTimers();
    // Closing: the disc is not read here, only a timer of 100 ms is set, and ends itself.
    command(kCdCmdEject);
    EXPECT_EQ(m_timers.activeTimers(), timers + 1);
    EXPECT_EQ(obj_GetCDCount(), 0);
    advance(100);
    EXPECT_EQ(m_timers.activeTimers(), timers);
    obj_SetCDDoorHook({});
}

TEST_F(CdDeckTest, AFailureEmptiesTheCd)
{
    command(kSlotPlay);
    m_deck->send(kMciNotifyMessage, kMciFailure, 0);
    EXPECT_EQ(rackState().cdState, kDeckIdle);
    EXPECT_EQ(obj_GetCDCount(), 0);
    EXPECT_EQ(cdDeckState().playCount, 0);
}

TEST_F(CdDeckTest, RenamingATrackThatStandsTwiceInThePlayListRenamesBothAndOkStoresIt)
{
    rack_SetDialogRunner([](QDialog& dialog) {
        auto* editor = dynamic_cast<CdPlaylistDialog*>(&dialog);
        if (!editor)
            return int(QDialog::Rejected);
        EXPECT_TRUE(plat::ui::test::LayoutCheck::fits(dialog));
        test::saveScreenshot(dialog.grab().toImage(), "rack-cd-play-list");
        auto find = [&dialog](int id) {
            for (QWidget* widget : dialog.findChildren<QWidget*>())
                if (widget->property("itemId").toInt() == id)
                    return widget;
            return static_cast<QWidget*>(nullptr);
        };
        auto* tracks = static_cast<QListWidget*>(find(CdPlaylistDialog::kTrackBox));
        auto* order = static_cast<QListWidget*>(find(CdPlaylistDialog::kPlayListBox));
        // Track 2 once more at the end of the play list.
        tracks->setCurrentRow(1);
        editor->add();
        EXPECT_EQ(order->count(), 4);
        auto* name = static_cast<QLineEdit*>(find(CdPlaylistDialog::kNameEdit));
        tracks->setCurrentRow(1);
        name->setText("Shore Song");
        editor->rename();
        EXPECT_EQ(order->item(1)->text(), "Shore Song");
        EXPECT_EQ(order->item(3)->text(), "Shore Song");
        EXPECT_EQ(tracks->item(1)->text(), "Shore Song");
        EXPECT_EQ(tracks->currentRow(), 2);
        auto* title = static_cast<QLineEdit*>(find(CdPlaylistDialog::kTitleEdit));
        title->setText("Harbour Lights");
        // Enter in the title goes on to the next control; it does not end the dialog.
        dialog.show();
        title->setFocus();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(title, &enter);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_NE(QApplication::focusWidget(), title);
        // Delete in the play list removes the selected entry, the same place staying selected.
        order->setCurrentRow(3);
        QKeyEvent remove(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(order, &remove);
        EXPECT_EQ(order->count(), 3);
        EXPECT_EQ(order->currentRow(), 2);
        tracks->setCurrentRow(1);
        editor->add();
        editor->apply();
        return int(QDialog::Accepted);
    });
    command(kDeckCmdPlaylist);
    EXPECT_EQ(obj_GetCD(0, 1)->name, "Shore Song");
    EXPECT_EQ(obj_GetCD(0, 1)->name2, "Shore Song");
    EXPECT_EQ(obj_GetCDPlayObject()->title, "Harbour Lights");
    ASSERT_EQ(obj_GetCDPlayCount(), 4);
    EXPECT_EQ(obj_Xlate_Index(3), 1);
    EXPECT_EQ(cdDeckState().playCount, 4);
    // Read again, the disc keeps its names and order.
    obj_LoadCD(nullptr);
    EXPECT_EQ(obj_GetCD(0, 1)->name, "Shore Song");
    EXPECT_EQ(obj_GetCDPlayCount(), 4);
    EXPECT_EQ(obj_GetCDPlayObject()->title, "Harbour Lights");
}

TEST_F(CdDeckTest, ScreenshotOfTheCdDeckPlaying)
{
    command(kSlotPrevious, kNotifyRepeat);
    const QImage idle = m_deck->widget()->grab().toImage();
    command(kSlotPlay);
    for (int ms = 0; ms < 1200; ms += 50) {
        wave.play(44100 * 4 / 20);
        advance(50);
    }
    const QImage image = screenshot("rack-cd-deck-playing");
    expectShowsPlaying(image, idle);
}

}  // namespace
}  // namespace rack
