#include "platform/ui/tests/RecordingClass.h"
#include "platform/ui/tests/UiTestEnvironment.h"

#include "platform/ui/rackwindow/Cursor.h"
#include "platform/ui/rackwindow/WindowStyle.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

namespace plat::ui {
namespace {

TEST(CursorTest, HidingCountsAndTheWaitShapeOverridesUntilTheArrow)
{
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    Cursor::setShape(CursorShape::wait);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_EQ(Cursor::show(false), -1);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);
    EXPECT_EQ(Cursor::show(false), -2);
    EXPECT_EQ(Cursor::show(true), -1);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);
    EXPECT_EQ(Cursor::show(true), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Cursor::setShape(CursorShape::arrow);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(CursorTest, AClipRectangleKeepsThePointerAndTheReportedMovesInside)
{
    test::RecordingClass cls("RecTestClip");
    Window* window = Window::create(cls.name(), "", style::kVisible, QRect(100, 100, 200, 50), nullptr);
    ASSERT_NE(window, nullptr);
    Cursor::clip(QRect(110, 100, 20, 50));
    EXPECT_EQ(Cursor::clipped(QPoint(50, 120)), QPoint(110, 120));
    cls.received.clear();
    QMouseEvent event(QEvent::MouseMove, QPointF(150, 10), QPointF(250, 110), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(window->widget(), &event);
    Cursor::clip(std::nullopt);
    EXPECT_EQ(Cursor::clipRect(), std::nullopt);
    ASSERT_EQ(cls.of(kMouseMoveMessage).size(), 1u);
    EXPECT_EQ(pointX(cls.of(kMouseMoveMessage)[0].lParam), 29);
    EXPECT_EQ(Cursor::position(), QPoint(129, 110));
}

}  // namespace
}  // namespace plat::ui
