#include "rack/outside/plinthfade/MixerBand.h"
#include "rack/outside/plinthfx/StereoProcess.h"

#include "platform/ui/tests/UiTestEnvironment.h"
#include "platform/ui/rackwindow/Window.h"
#include "platform/ui/rackwindow/WindowStyle.h"

#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

namespace rack {
namespace {

using plat::ui::Window;

TEST(MixerBandTest, TheBandTellsItsHeightAndItsTracksSetTheLevelsOfTheWavePlayback)
{
    mix_Initialize();
    const MixerCreateBlock block{633, 90, 1, 0};
    Window* band = Window::create(kMixerBandClass, "", plat::ui::style::kVisible, QRect(0, 0, 633, 90), nullptr, 0,
                                  &block);
    ASSERT_NE(band, nullptr);
    EXPECT_EQ(plat::ui::hiWord(uintptr_t(band->send(plat::ui::kCommandMessage, kMixerHeightCommand))), 90u);

    auto press = [band](QEvent::Type type, int x, int y, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(x, y), QPointF(band->widget()->mapToGlobal(QPoint(x, y))), Qt::LeftButton,
                          held, Qt::NoModifier);
        QCoreApplication::sendEvent(band->widget(), &event);
    };
    // Half way along the wave row's gain track, then its balance dragged to the right end.
    const int waveRow = 27 + 12;
    press(QEvent::MouseButtonPress, 80 + 150, waveRow, Qt::LeftButton);
    press(QEvent::MouseButtonRelease, 80 + 150, waveRow, Qt::NoButton);
    int gain = 0;
    int balance = 0;
    mix_GetLevels(MixerSource::wave, gain, balance);
    EXPECT_EQ(gain, 50);
    EXPECT_EQ(balance, 0);
    press(QEvent::MouseButtonPress, 430 + 80, waveRow, Qt::LeftButton);
    press(QEvent::MouseMove, 700, waveRow, Qt::LeftButton);
    press(QEvent::MouseButtonRelease, 700, waveRow, Qt::NoButton);
    mix_GetLevels(MixerSource::wave, gain, balance);
    EXPECT_EQ(balance, 50);
    EXPECT_EQ(aqx_Status() & 1, 1);
    // The other sources keep their own levels.
    mix_GetLevels(MixerSource::cd, gain, balance);
    EXPECT_EQ(gain, 100);

    mix_SetLevels(MixerSource::wave, 100, 0);
    EXPECT_EQ(aqx_Status() & 1, 0);
    band->destroy();
    plat::ui::test::deliverPosted();
    mix_Terminate();
}

}  // namespace
}  // namespace rack
