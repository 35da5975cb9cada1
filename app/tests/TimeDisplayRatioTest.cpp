#include "app/frame/CTimeDisplay.h"
#include "app/tests/AppTestSupport.h"
#include "interface/controls/MCTimeSource.h"
#include "interface/tests/TwoScreens.h"

#include <gtest/gtest.h>

namespace {

// A piece with a clock only: the display shows hours, minutes, seconds and milliseconds.
class ClockOnly : public MCTimeSource {
public:
    void BarPulseTickTime(MCTime&) override {}
    void NormalizeTime(MCTime&) override {}
    int MeterNumerator(const MCTime&) override { return 4; }
};

// Device pixels whose 2 by 2 block is not of one colour: none when a picture of half the
// resolution was stretched over the window.
int finerThanALogicalPixel(const QImage& image)
{
    int count = 0;
    for (int y = 0; y + 1 < image.height(); y += 2)
        for (int x = 0; x + 1 < image.width(); x += 2) {
            const QRgb first = image.pixel(x, y);
            count += image.pixel(x + 1, y) != first || image.pixel(x, y + 1) != first ||
                             image.pixel(x + 1, y + 1) != first
                         ? 1
                         : 0;
        }
    return count;
}

// The time display's picture is drawn again at the pixel ratio of the screen its window moves
// to, so the digits stay sharp there.
TEST(TimeDisplayRatioTest, ThePictureFollowsTheScreensPixelRatio)
{
    if (!twoscreens::InChild()) {
        twoscreens::RunInChild();
        return;
    }
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    ClockOnly clock;
    MCTimeSource::SetActiveProvider([&clock] { return &clock; });
    QWidget window;
    window.resize(300, 100);
    auto* display = new CTimeDisplay(&window);
    display->SetFormat(4);
    display->SetTime(MCTime(83.25f), false);
    // It takes the size of its text, as on the time bar.
    display->CalcLayout();
    window.show();
    twoscreens::MoveTo(window, "one");
    const QImage low = display->grab().toImage();
    EXPECT_EQ(low.devicePixelRatio(), 1);

    twoscreens::MoveTo(window, "two");
    ASSERT_EQ(display->devicePixelRatioF(), 2);
    const QImage high = display->grab().toImage();
    EXPECT_EQ(high.size(), low.size() * 2);
    EXPECT_GT(finerThanALogicalPixel(high), 20) << "the digits are drawn at the screen's resolution";
    MCTimeSource::SetActiveProvider(nullptr);
}

}  // namespace
