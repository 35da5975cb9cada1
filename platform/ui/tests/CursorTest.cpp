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
    // The client's corner on the screen: the desktop's frame lies around it.
    const QPoint at = window->clientToScreen(QPoint(0, 0));
    Cursor::clip(QRect(at.x() + 10, at.y(), 20, 50));
    EXPECT_EQ(Cursor::clipped(QPoint(50, at.y() + 20)), QPoint(at.x() + 10, at.y() + 20));
    cls.received.clear();
    QMouseEvent event(QEvent::MouseMove, QPointF(150, 10), QPointF(at + QPoint(150, 10)), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(window->widget(), &event);
    Cursor::clip(std::nullopt);
    EXPECT_EQ(Cursor::clipRect(), std::nullopt);
    ASSERT_EQ(cls.of(kMouseMoveMessage).size(), 1u);
    EXPECT_EQ(pointX(cls.of(kMouseMoveMessage)[0].lParam), 29);
    EXPECT_EQ(Cursor::position(), at + QPoint(29, 10));
}

}  // namespace
}  // namespace plat::ui
