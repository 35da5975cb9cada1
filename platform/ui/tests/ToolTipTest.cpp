#include "platform/ui/tests/RecordingClass.h"
#include "platform/ui/tests/UiTestEnvironment.h"

#include "platform/media/ManualTimerService.h"
#include "platform/ui/timer/UiTimers.h"
#include "platform/ui/rackwindow/ToolTip.h"
#include "platform/ui/rackwindow/WindowStyle.h"

#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

namespace plat::ui {
namespace {

class ToolTipTest : public testing::Test {
protected:
    void move(Window* window, const QPoint& point)
    {
        QMouseEvent event(QEvent::MouseMove, QPointF(point), QPointF(window->widget()->mapToGlobal(point)),
                          Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->widget(), &event);
    }

    void press(Window* window, const QPoint& point)
    {
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(point), QPointF(window->widget()->mapToGlobal(point)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->widget(), &event);
    }

    media::ManualTimerService m_timers{0};
    UiTimers::ScopedService m_installed{m_timers};
    test::RecordingClass m_class{"RecTestTips"};
};

TEST_F(ToolTipTest, RectangleToolsWinOverTheWholeWindowAndEmptyTextsShowNothing)
{
    Window* strip = Window::create(m_class.name(), "", style::kVisible, QRect(0, 0, 100, 30), nullptr);
    ToolTip tips;
    std::string slotText = "Plays the current selection";
    tips.addTool(strip, 1, std::nullopt, [] { return std::string("whole"); });
    tips.addTool(strip, 2, QRect(0, 0, 34, 24), [&] { return slotText; });
    tips.addTool(strip, 3, QRect(41, 0, 34, 24), [] { return std::string(); });
    EXPECT_EQ(tips.textAt(strip, QPoint(5, 5)), "Plays the current selection");
    EXPECT_EQ(tips.textAt(strip, QPoint(37, 5)), "whole");
    EXPECT_EQ(tips.textAt(strip, QPoint(50, 5)), "");
    EXPECT_EQ(tips.textAt(strip, QPoint(200, 5)), "");
    slotText = "changed";
    EXPECT_EQ(tips.textAt(strip, QPoint(5, 5)), "changed");
    tips.removeTool(strip, 2);
    EXPECT_EQ(tips.textAt(strip, QPoint(5, 5)), "whole");
    strip->destroy();
    EXPECT_EQ(tips.textAt(strip, QPoint(5, 5)), "");
}

TEST_F(ToolTipTest, ATipShowsAfterThePointerRestsForTheDelayAndGoesOnAPressOrLeaving)
{
    Window* strip = Window::create(m_class.name(), "", style::kVisible, QRect(0, 0, 100, 30), nullptr);
    ToolTip tips;
    tips.setDelay(200);
    tips.addTool(strip, 1, QRect(0, 0, 34, 24), [] { return std::string("first"); });
    tips.addTool(strip, 2, QRect(41, 0, 34, 24), [] { return std::string("second"); });

    move(strip, QPoint(5, 5));
    m_timers.advance(150);
    move(strip, QPoint(6, 5));  // moving inside the same tool keeps the count going
    m_timers.advance(49);
    EXPECT_EQ(tips.shownText(), "");
    m_timers.advance(1);
    EXPECT_EQ(tips.shownText(), "first");

    move(strip, QPoint(45, 5));
    EXPECT_EQ(tips.shownText(), "");
    m_timers.advance(200);
    EXPECT_EQ(tips.shownText(), "second");

    press(strip, QPoint(45, 5));
    EXPECT_EQ(tips.shownText(), "");
    move(strip, QPoint(46, 5));
    m_timers.advance(400);
    EXPECT_EQ(tips.shownText(), "");

    move(strip, QPoint(5, 5));
    move(strip, QPoint(37, 5));  // a gap: no tool, no tip
    m_timers.advance(400);
    EXPECT_EQ(tips.shownText(), "");
    strip->destroy();
    EXPECT_EQ(m_timers.activeTimers(), 0u);
}

}  // namespace
}  // namespace plat::ui
