#include "app/core/AppStrings.h"
#include "app/frame/CSplashWnd.h"
#include "app/tests/AppTestSupport.h"
#include "interface/controls/MCMarquee.h"

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

}  // namespace
