#include "rack/plinthui/tests/ControlTestFixture.h"

#include "rack/plinthui/PlinthUiStrings.h"

#include "rack/plinthart/PlinthProfile.h"

#include "platform/ui/rackwindow/Screen.h"

#include <QFontMetrics>

namespace rack {
namespace {

using namespace plat::ui;

class HelpPopupTest : public test::ControlTest {
protected:
    Window* popup() const { return ControlModule::instance().popup; }

    int textWidth(const std::string& text) const
    {
        return QFontMetrics(ControlModule::instance().helpFont->qfont()).horizontalAdvance(QString::fromStdString(text));
    }
};

TEST_F(HelpPopupTest, ThePopupSitsBelowTheWindowSizedToItsText)
{
    Window* tempo = button("+C", 48, QRect(60, 20, 34, 24));
    EXPECT_EQ(ctl_ShowButtonInformation(tempo, 62, -36, 90), 0);
    ASSERT_NE(popup(), nullptr);
    EXPECT_TRUE(popup()->isVisible());
    EXPECT_EQ(popup()->parent(), tempo);
    const std::string text = plinthUiString(90);
    EXPECT_EQ(ControlModule::instance().popupText, text);
    const QSize frame = Screen::dialogFrame();
    const QRect owner = tempo->windowRect();
    EXPECT_EQ(popup()->windowRect(), QRect(owner.left() + 62, owner.top() + owner.height() - 36,
                                           textWidth(text) + 2 * frame.width() + 10, 2 * frame.height() + 18));
    // The text is drawn from (4, 2) of the white client area.
    int ink = 0;
    for (int y = 2; y < 16; ++y)
        for (int x = 4; x < 40; ++x)
            ink += fromQColor(popup()->image().pixelColor(x, y)) != 0xFFFFFFu ? 1 : 0;
    EXPECT_GT(ink, 10);
    EXPECT_EQ(fromQColor(popup()->image().pixelColor(1, 1)), 0xFFFFFFu);

    // While one is shown another is not made; null takes it away with its font.
    Window* shown = popup();
    static const char kOther[] = "Another text";
    ctl_ShowButtonInformation(tempo, 0, 0, reinterpret_cast<uintptr_t>(kOther));
    EXPECT_EQ(popup(), shown);
    ctl_ShowButtonInformation(nullptr, 0, 0, 0);
    EXPECT_EQ(popup(), nullptr);
    EXPECT_FALSE(Window::isWindow(shown));
    EXPECT_EQ(ControlModule::instance().helpFont, nullptr);

    ctl_ShowButtonInformation(tempo, 0, 0, reinterpret_cast<uintptr_t>(kOther));
    ASSERT_NE(popup(), nullptr);
    EXPECT_EQ(ControlModule::instance().popupText, kOther);
    // Disabling the button takes the popup away.
    tempo->enable(false);
    EXPECT_EQ(popup(), nullptr);
}

TEST_F(HelpPopupTest, AnIdWithoutTextShowsNothing)
{
    Window* key = button("+C", 48, QRect(0, 0, 34, 24));
    ctl_ShowButtonInformation(key, 0, 0, 5);
    EXPECT_EQ(popup(), nullptr);
    ctl_ShowButtonInformation(nullptr, 0, 0, 0);
    EXPECT_EQ(popup(), nullptr);
}

TEST_F(HelpPopupTest, ThePopupIsKeptInsideTheScreen)
{
    const QSize screen = Screen::size();
    struct Case {
        QPoint ownerAt;
        int dx;
        int dy;
    };
    const Case cases[] = {
        {QPoint(screen.width() - 20, 100), 0, 0},        // past the right edge: moved left
        {QPoint(100, screen.height() - 10), 0, 0},       // past the bottom: moved up
        {QPoint(30, 30), -200, -300},                    // above and left of the screen: at 0
        {QPoint(screen.width() - 20, screen.height() - 10), 50, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ownerAt.x() << "," << c.ownerAt.y());
        Window* owner = Window::create(m_ownerClass.name(), "", 0, QRect(c.ownerAt, QSize(10, 10)), nullptr);
        ctl_ShowButtonInformation(owner, c.dx, c.dy, 24);
        ASSERT_NE(popup(), nullptr);
        const QRect at = popup()->windowRect();
        EXPECT_GE(at.left(), 0);
        EXPECT_GE(at.top(), 0);
        EXPECT_LE(at.left() + at.width(), screen.width());
        EXPECT_LE(at.top() + at.height(), screen.height());
        if (c.ownerAt.x() + c.dx > screen.width() - at.width()) {
            EXPECT_EQ(at.left() + at.width(), screen.width());
        }
        ctl_ShowButtonInformation(nullptr, 0, 0, 0);
        owner->destroy();
    }
}

TEST_F(HelpPopupTest, TheHelpFaceComesFromTheProfileOnce)
{
    ControlModule& module = ControlModule::instance();
    module.helpFaceRead = false;
    ASSERT_TRUE(PlinthProfile::setString("Fonts", "ButtonHelp", "DejaVu Sans"));
    Window* key = button("+C", 48, QRect(0, 0, 34, 24));
    ctl_ShowButtonInformation(key, 0, 0, 20);
    ASSERT_NE(module.helpFont, nullptr);
    EXPECT_EQ(module.helpFont->description().faceName, "DejaVu Sans");
    EXPECT_EQ(module.helpFont->description().height, 14);
    ctl_ShowButtonInformation(nullptr, 0, 0, 0);
    ASSERT_TRUE(PlinthProfile::setString("Fonts", "ButtonHelp", "Arial"));
    ctl_ShowButtonInformation(key, 0, 0, 20);
    EXPECT_EQ(module.helpFont->description().faceName, "DejaVu Sans");
    ctl_ShowButtonInformation(nullptr, 0, 0, 0);
    module.helpFaceRead = false;
}

}  // namespace
}  // namespace rack
