#include "interface/tests/TwoScreens.h"
#include "interface/tests/WidgetTestSupport.h"

#include "interface/controls/MCButton.h"
#include "interface/controls/MCButton2.h"
#include "interface/core/MCBitmap.h"
#include "interface/core/MCImageMgr.h"
#include "platform/core/Resources.h"
#include "platform/ui/resource/ImageResources.h"

#include <QHBoxLayout>

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr QRgb kDot = qRgb(200, 30, 30);

// A grey face of 10 by 10 with one dot of a single device pixel: at scale 2 the dot is a
// quarter of the logical pixel it lies in.
QImage dotted(int scale)
{
    QImage image(10 * scale, 10 * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(qRgb(128, 128, 128));
    image.setPixel(5 * scale, 5 * scale, kDot);
    return image;
}

int dots(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == kDot ? 1 : 0;
    return count;
}

// Buttons drawn from images keep them sharp when their window moves to a screen of another
// pixel ratio and back: the images are loaded and the faces made again at the new ratio.
TEST(ScreenRatioTest, ButtonFacesFollowTheScreensPixelRatio)
{
    if (!twoscreens::InChild()) {
        twoscreens::RunInChild();
        return;
    }
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    const std::vector<plat::ui::ImageResources::Entry> images = {{"DOT0", dotted}, {"DOT1", dotted}};
    const plat::ui::ImageResources::Registration registration{"ScreenRatioTest", images};
    const plat::Resources::ModuleSwitch module{"ScreenRatioTest"};

    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* button = new MCButton(&window);
    button->LoadBitmaps("DOT");
    auto* button2 = new MCButton2(&window);
    button2->LoadBitmaps("DOT", MCImageMgr::kNoColor, MCImageMgr::kNoColor, MCImageMgr::kNoColor);
    layout->addWidget(button);
    layout->addWidget(button2);
    window.show();
    twoscreens::MoveTo(window, "one");
    struct Step {
        const char* screen;
        int scale;
    };
    for (const Step& step : {Step{"one", 1}, Step{"two", 2}, Step{"one", 1}}) {
        SCOPED_TRACE(step.screen);
        twoscreens::MoveTo(window, step.screen);
        ASSERT_EQ(window.devicePixelRatioF(), step.scale);
        for (QWidget* each : {static_cast<QWidget*>(button), static_cast<QWidget*>(button2)}) {
            const QImage face = each->grab().toImage();
            EXPECT_EQ(face.devicePixelRatio(), step.scale);
            EXPECT_EQ(dots(face), 1) << "the dot of one device pixel stays one";
        }
        EXPECT_EQ(button->GetBitmap(0)->GetScale(), step.scale);
        EXPECT_EQ(button2->GetBitmap(0)->GetScale(), step.scale);
    }
    MCImageMgr::GetImageMgr().RemoveImages();
}

}  // namespace
