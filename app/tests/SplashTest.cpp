#include "app/core/AppImages.h"
#include "app/core/AppStrings.h"
#include "app/frame/CSplashWnd.h"
#include "app/tests/AppTestSupport.h"
#include "interface/controls/MCMarquee.h"

#include <QPainter>
#include <QTest>

namespace {

class SplashTest : public ::testing::Test {
protected:
    void TearDown() override { CSplashWnd::Destroy(); }
};

TEST_F(SplashTest, MessagesInOrderAndAClickHidesIt)
{
    CSplashWnd* splash = CSplashWnd::Create();
    EXPECT_EQ(splash->size(), QSize(530, 460)) << "the picture's size";
    std::vector<std::string> shown;
    for (unsigned id : {AppStrings::loadingResources, AppStrings::loadingApplication, AppStrings::loadingComponents,
                        AppStrings::loadingPlugins, AppStrings::oneMoment}) {
        splash->SetMessage(id);
        shown.push_back(splash->Message());
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"Loading Resources...", "Loading Application...",
                                               "Loading Components...", "Loading Plugins...",
                                               "One moment please..."}));
    splash->SetMessage(AppStrings::loadingPlugins);
    apptest::saveScreenshot(*splash, "splash.png");
    const QImage image = splash->grab().toImage();
    // The message is drawn in its colour in the strip at the bottom.
    bool lettered = false;
    const qreal ratio = image.devicePixelRatio();
    for (int x = 10; x < 200 && !lettered; ++x)
        for (int y = 436; y < 452 && !lettered; ++y)
            lettered = QColor(image.pixel(QPoint(x, y) * ratio)).green() > 200 &&
                       QColor(image.pixel(QPoint(x, y) * ratio)).red() < 120;
    EXPECT_TRUE(lettered);

    QTest::mouseClick(splash, Qt::LeftButton);
    EXPECT_FALSE(splash->isVisible());
    EXPECT_EQ(splash->Message(), "");
    splash->SetMessage(AppStrings::oneMoment);
    EXPECT_FALSE(splash->isVisible()) << "later messages do not show it again";
}

TEST_F(SplashTest, AboutScrollsTheCreditsAndAKeyHidesIt)
{
    CSplashWnd* splash = CSplashWnd::Create();
    splash->ShowCredits(AppStrings::credits);
    EXPECT_TRUE(splash->Marquee()->isVisible());
    EXPECT_TRUE(splash->Marquee()->IsScrolling());
    EXPECT_EQ(splash->Marquee()->GetText(), AppStrings::text(AppStrings::credits));
    for (int i = 0; i < 60; ++i)
        splash->Marquee()->OnScrollMarquee();
    apptest::saveScreenshot(*splash, "splash-about.png");
    QTest::keyClick(splash, Qt::Key_Escape);
    EXPECT_FALSE(splash->isVisible());
    EXPECT_FALSE(splash->Marquee()->IsScrolling());
    EXPECT_EQ(CSplashWnd::Create(), splash) << "one window, shown again";
    EXPECT_TRUE(splash->isVisible());
}

// The subtitle under the name has room of its own: neither a note, a stem nor a staff line
// of the picture, nor the name's letters, run through it, at any resolution.
TEST(SplashPictureTest, NothingOfThePictureCrossesTheSubtitle)
{
    const QRect box = AppImages::SplashSubtitleBox().adjusted(-4, -4, 4, 4);
    ASSERT_FALSE(box.isEmpty());
    for (const int scale : {1, 2}) {
        SCOPED_TRACE(scale);
        QImage art(530 * scale, 460 * scale, QImage::Format_RGB32);
        art.setDevicePixelRatio(scale);
        {
            QPainter painter(&art);
            painter.setRenderHint(QPainter::Antialiasing);
            AppImages::PaintSplashArt(painter);
        }
        // Sky and glow stay dark there; the notes are near white, the staff lines light blue.
        int brightest = 0;
        for (int y = box.top() * scale; y <= box.bottom() * scale; ++y)
            for (int x = std::max(0, box.left() * scale); x <= std::min(art.width() - 1, box.right() * scale); ++x)
                brightest = std::max(brightest, QColor(art.pixel(x, y)).red());
        EXPECT_LT(brightest, 100) << "something is drawn behind the subtitle";
        // And the art is still there, below it.
        int notes = 0;
        for (int y = box.bottom() * scale; y < 420 * scale; ++y)
            for (int x = 0; x < art.width(); ++x)
                notes += QColor(art.pixel(x, y)).red() > 200 ? 1 : 0;
        EXPECT_GT(notes, 100 * scale * scale);

        // The name, alone on black, leaves the subtitle's room black.
        QImage name(530 * scale, 460 * scale, QImage::Format_RGB32);
        name.setDevicePixelRatio(scale);
        name.fill(Qt::black);
        {
            QPainter painter(&name);
            painter.setRenderHint(QPainter::Antialiasing);
            AppImages::PaintSplashTitle(painter);
        }
        int inked = 0;
        for (int y = box.top() * scale; y <= box.bottom() * scale; ++y)
            for (int x = std::max(0, box.left() * scale); x <= std::min(name.width() - 1, box.right() * scale); ++x)
                inked += QColor(name.pixel(x, y)).red() > 40 ? 1 : 0;
        EXPECT_EQ(inked, 0) << "the name runs into the subtitle";
    }
}

}  // namespace
