#include "interface/tests/WidgetTestSupport.h"

#include "interface/views/MCScrollView.h"
#include "platform/media/ManualTimerService.h"
#include "platform/ui/timer/UiTimers.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Rect = scrollmath::Rect;

// A plug-in view as one would write it: a checkerboard of 50-unit cells with a number in
// each, drawn from the area it is asked for.
class GridView : public MCScrollView {
public:
    explicit GridView(bool flipped = false, QWidget* parent = nullptr) : MCScrollView(parent), m_flipped(flipped) {}
    std::vector<Rect> drawn;

protected:
    void OnPrepareDC(Mapping& mapping) const override
    {
        MCScrollView::OnPrepareDC(mapping);
        if (m_flipped)
            mapping.viewportExt = QSize(1, -1);
    }
    void OnDraw(QPainter& painter) override
    {
        drawn.push_back(m_rectDraw);
        const Rect area = scrollmath::Intersect(m_rectDraw.Normalized(), ViewRect().Normalized());
        for (int y = area.top - ((area.top % 50) + 50) % 50; y < area.bottom; y += 50)
            for (int x = area.left - area.left % 50; x < area.right; x += 50) {
                const QRect cell(VPtoLP(QPoint(x, y)), QSize(50, 50));
                const bool dark = ((x / 50) + (y / 50)) % 2 != 0;
                painter.fillRect(cell, dark ? QColor(70, 110, 170) : QColor(230, 236, 245));
                // Upright text whichever way the view's y axis runs.
                const QRect onDevice = painter.transform().mapRect(cell);
                painter.save();
                painter.resetTransform();
                painter.setPen(dark ? Qt::white : Qt::black);
                painter.drawText(onDevice, Qt::AlignCenter, QString("%1,%2").arg(x / 50).arg(y / 50));
                painter.restore();
            }
    }

private:
    bool m_flipped;
};

void mouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, at, widget->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                      modifiers);
    QApplication::sendEvent(widget, &event);
}

void key(QWidget* widget, QEvent::Type type, int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent event(type, code, modifiers);
    QApplication::sendEvent(widget, &event);
}

bool wheel(QWidget* widget, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QPoint at(40, 40);
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
    return event.isAccepted();
}

class ViewScrollTest : public testing::Test {
protected:
    void show(GridView& view, QSize viewSize, QSize window = QSize(320, 240))
    {
        view.resize(window);
        view.SetViewSize(viewSize);
        view.SetLineScroll(QSize(10, 10));
        view.SetPageScroll(QSize(100, 100));
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.repaint();
        content = view.ContentRect();
        view.drawn.clear();
    }
    Rect content;
};

TEST_F(ViewScrollTest, LaysOutBarsAroundTheContentAndDisablesABarWithNothingToScroll)
{
    GridView view;
    show(view, QSize(100, 5000));
    const int bar = view.VerticalBar()->width();
    EXPECT_EQ(content, (Rect{0, 0, 320 - bar, 240 - bar}));
    EXPECT_FALSE(view.HorizontalBar()->isEnabled());
    EXPECT_TRUE(view.VerticalBar()->isEnabled());
    EXPECT_EQ(view.ScrollBy(QPoint(50, 30), false), QPoint(0, 30));
    EXPECT_EQ(view.ScrollPosition(), QPoint(0, 0));  // asked only
    EXPECT_FALSE(view.OnScrollBy(QSize(50, 0), false));
    EXPECT_TRUE(view.OnScrollBy(QSize(50, 30), true));
    EXPECT_EQ(view.ScrollPosition(), QPoint(0, 30));
    EXPECT_EQ(view.VerticalBar()->value(), scrollmath::PositionToBar(30, 0, 32767, 5000));
}

TEST_F(ViewScrollTest, AStripScrollRedrawsOnlyTheUncoveredStripAndMatchesAFullDraw)
{
    GridView view;
    show(view, QSize(2000, 2000));
    EXPECT_EQ(view.ScrollBy(QPoint(0, 10), true), QPoint(0, 10));
    EXPECT_EQ(view.ScrollPosition(), QPoint(0, 10));
    EXPECT_TRUE(view.PendingScroll().isNull());
    ASSERT_EQ(view.drawn.size(), 1u);
    EXPECT_EQ(view.drawn[0], (Rect{0, content.bottom, content.right, content.bottom + 10}));

    view.drawn.clear();
    view.ScrollBy(QPoint(-7, 0), true);  // back left is clamped at 0: nothing
    EXPECT_TRUE(view.drawn.empty());
    view.ScrollBy(QPoint(25, 0), true);
    ASSERT_EQ(view.drawn.size(), 1u);
    EXPECT_EQ(view.drawn[0], (Rect{content.right, 10, content.right + 25, content.bottom + 10}));
    // The content only: how the bars look may depend on what ran before.
    const QRect shown(0, 0, content.Width(), content.Height());
    const QImage shifted = view.grab(shown).toImage();
    widgettest::saveScreenshot(view, "ViewScrollStrip");

    view.drawn.clear();
    view.ScrollBy(QPoint(10, 10), true);  // diagonal: everything again
    ASSERT_EQ(view.drawn.size(), 1u);
    EXPECT_EQ(view.drawn[0], (Rect{35, 20, content.right + 35, content.bottom + 20}));
    widgettest::saveScreenshot(view, "ViewScrollDiagonal");

    GridView fresh;
    show(fresh, QSize(2000, 2000));
    fresh.ScrollTo(QPoint(25, 10));
    EXPECT_EQ(fresh.grab(shown).toImage(), shifted);
}

TEST_F(ViewScrollTest, TheBarsMoveTheViewAndAResizeKeepsItsPlace)
{
    GridView view;
    show(view, QSize(2000, 1000));
    QScrollBar* bar = view.HorizontalBar();
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(view.ScrollPosition(), QPoint(100, 0));
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(view.ScrollPosition(), QPoint(90, 0));
    EXPECT_EQ(bar->value(), scrollmath::PositionToBar(90, 0, 32767, 2000));
    view.OnHScroll(MCScrollView::SB_THUMBTRACK, scrollmath::PositionToBar(700, 0, 32767, 2000));
    EXPECT_EQ(view.ScrollPosition(), QPoint(700, 0));
    view.VerticalBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(view.ScrollPosition(), QPoint(700, 1000 - content.Height()));

    const QPoint before = view.ScrollPosition();
    view.resize(400, 300);
    EXPECT_EQ(view.ContentRect().Width(), content.Width() + 80);
    EXPECT_NEAR(view.ScrollPosition().x(), before.x(), 1);
    // Taller now, the view at its bottom stays at its (new, smaller) bottom.
    EXPECT_EQ(view.ScrollPosition().y(), 1000 - (content.Height() + 60));
    EXPECT_EQ(view.HorizontalBar()->pageStep(), int((content.Width() + 80) / 2000.0 * 32767 + 0.5));
}

TEST_F(ViewScrollTest, AnInvertedDragBlockShowsOverThePictureAndGoesAgain)
{
    GridView view;
    show(view, QSize(2000, 2000));
    view.SetDragSelect(1, true);
    const QRect shown(0, 0, content.Width(), content.Height());
    const QImage before = view.grab(shown).toImage();
    mouse(&view, QEvent::MouseButtonPress, QPoint(10, 10));
    mouse(&view, QEvent::MouseMove, QPoint(60, 40));
    const QImage during = view.grab(shown).toImage();
    widgettest::saveScreenshot(view, "ViewScrollDragBlock");
    const qreal ratio = before.devicePixelRatio();
    const QPoint inside = QPoint(30, 25) * ratio, outside = QPoint(70, 25) * ratio;
    const QRgb plain = before.pixel(inside), inverted = during.pixel(inside);
    EXPECT_EQ(qRed(inverted), 255 - qRed(plain));
    EXPECT_EQ(qBlue(inverted), 255 - qBlue(plain));
    EXPECT_EQ(during.pixel(outside), before.pixel(outside));
    mouse(&view, QEvent::MouseButtonRelease, QPoint(60, 40));
    EXPECT_EQ(view.grab(shown).toImage(), before);
}

TEST_F(ViewScrollTest, RefreshCopiesAnAreaOfTheOffscreenPicture)
{
    GridView view;
    show(view, QSize(2000, 2000));
    view.ScrollTo(QPoint(20, 0));
    const QImage shown = view.grab().toImage();
    // Both at the screen's pixel ratio; the probes are in logical pixels.
    const qreal ratio = shown.devicePixelRatio();
    QImage copy(view.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    copy.setDevicePixelRatio(ratio);
    copy.fill(Qt::red);
    {
        QPainter painter(&copy);
        view.Refresh(painter, Rect{40, 10, 140, 60});
        view.Refresh(painter, Rect{200, 80, 200, 90});  // a zero-width line is one pixel wide
    }
    auto area = [ratio](int x, int y, int width, int height) {
        return QRect(QPoint(x, y) * ratio, QSize(width, height) * ratio);
    };
    auto at = [ratio](int x, int y) { return QPoint(x, y) * ratio; };
    EXPECT_EQ(copy.copy(area(20, 10, 100, 50)), shown.copy(area(20, 10, 100, 50)).convertToFormat(copy.format()));
    EXPECT_EQ(copy.pixel(at(180, 85)), shown.pixel(at(180, 85)));
    EXPECT_EQ(copy.pixel(at(181, 85)), QColor(Qt::red).rgb());
    EXPECT_EQ(copy.pixel(at(19, 10)), QColor(Qt::red).rgb());
}

TEST_F(ViewScrollTest, ScrollToAndVisibilityRequests)
{
    GridView view;
    show(view, QSize(2000, 2000));
    EXPECT_EQ(view.ScrollTo(QPoint(0, 0)), QPoint(0, 0));
    EXPECT_TRUE(view.drawn.empty());
    EXPECT_EQ(view.ScrollTo(QPoint(5000, 120)), QPoint(2000 - content.Width(), 120));
    EXPECT_FALSE(view.ScrollRectToVisible(Rect{1900, 150, 1950, 200}, 20));
    EXPECT_TRUE(view.ScrollPointToVisible(QPoint(1900, 120 + content.Height() + 30), 20));
    EXPECT_EQ(view.ScrollPosition().y(), 120 + 50);
}

TEST_F(ViewScrollTest, AFlippedViewScrollsBetweenMinusItsHiddenHeightAndZero)
{
    GridView view(true);
    show(view, QSize(1000, 2000));
    EXPECT_TRUE(view.IsFlipped());
    EXPECT_EQ(view.ViewRect(), (Rect{0, 0, 1000, -2000}));
    view.OnVScroll(MCScrollView::SB_BOTTOM, 0);
    EXPECT_EQ(view.ScrollPosition().y(), -(2000 - content.Height()));
    view.OnVScroll(MCScrollView::SB_LINEDOWN, 0);
    EXPECT_EQ(view.ScrollPosition().y(), -(2000 - content.Height()) + 10);
    view.OnVScroll(MCScrollView::SB_TOP, 0);
    EXPECT_EQ(view.ScrollPosition().y(), 0);
    view.OnVScroll(MCScrollView::SB_PAGEUP, 0);
    EXPECT_EQ(view.ScrollPosition().y(), -100);
    // Its bar runs from the top: the thumb's value grows as the view moves down.
    EXPECT_EQ(view.VerticalBar()->value(), scrollmath::PositionToBar(-100, 0, 32767, -2000));
    view.VerticalBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(view.ScrollPosition().y(), -110);
    key(&view, QEvent::KeyPress, Qt::Key_End);
    EXPECT_EQ(view.ScrollPosition(), QPoint(1000 - content.Width(), 0));
    widgettest::saveScreenshot(view, "ViewScrollFlipped");

    // Strips shifted on the device the right way round: the same picture as a full draw.
    view.drawn.clear();
    view.ScrollBy(QPoint(0, -30), true);
    view.ScrollBy(QPoint(0, 12), true);
    ASSERT_EQ(view.drawn.size(), 2u);
    EXPECT_EQ(view.drawn[1].Normalized().Height(), 12);
    GridView fresh(true);
    show(fresh, QSize(1000, 2000));
    fresh.ScrollTo(view.ScrollPosition());
    const QRect shown(0, 0, content.Width(), content.Height());  // the bars were not updated alike
    EXPECT_EQ(fresh.grab(shown).toImage(), view.grab(shown).toImage());
}

TEST_F(ViewScrollTest, KeysScrollByLinesPagesAndToTheEnds)
{
    GridView view;
    show(view, QSize(2000, 2000));
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        QPoint moved;
    };
    const Case cases[] = {
        {Qt::Key_Down, Qt::NoModifier, {0, 10}},    {Qt::Key_Down, Qt::ShiftModifier, {0, 100}},
        {Qt::Key_Down, Qt::AltModifier, {0, 10}},   {Qt::Key_Right, Qt::NoModifier, {10, 0}},
        {Qt::Key_Right, Qt::ShiftModifier, {100, 0}}, {Qt::Key_PageDown, Qt::NoModifier, {0, 100}},
        {Qt::Key_Up, Qt::NoModifier, {0, -10}},     {Qt::Key_PageUp, Qt::NoModifier, {0, -100}},
        {Qt::Key_Left, Qt::NoModifier, {-10, 0}},
    };
    view.ScrollTo(QPoint(500, 500));
    for (const Case& c : cases) {
        SCOPED_TRACE(QKeySequence(c.key | c.modifiers.toInt()).toString().toStdString());
        const QPoint before = view.ScrollPosition();
        key(&view, QEvent::KeyPress, c.key, c.modifiers);
        EXPECT_EQ(view.ScrollPosition() - before, c.moved);
    }
    key(&view, QEvent::KeyPress, Qt::Key_End);
    EXPECT_EQ(view.ScrollPosition(), QPoint(2000 - content.Width(), 2000 - content.Height()));
    key(&view, QEvent::KeyPress, Qt::Key_Home);
    EXPECT_EQ(view.ScrollPosition(), QPoint(0, 0));
}

TEST_F(ViewScrollTest, TheWheelScrollsTheVerticalBarOrElseTheHorizontalOne)
{
    GridView view;
    show(view, QSize(2000, 2000));
    const int lines = MCScrollView::GetMouseScrollLines();
    view.ScrollTo(QPoint(0, 500));
    EXPECT_TRUE(wheel(&view, -120));
    EXPECT_EQ(view.ScrollPosition(), QPoint(0, 500 + 10 * lines));
    EXPECT_TRUE(wheel(&view, 120));
    EXPECT_EQ(view.ScrollPosition(), QPoint(0, 500));
    EXPECT_FALSE(wheel(&view, 120, Qt::ControlModifier));
    EXPECT_FALSE(wheel(&view, 120, Qt::ShiftModifier));
    EXPECT_EQ(view.ScrollPosition(), QPoint(0, 500));

    GridView wide;
    show(wide, QSize(2000, 100));
    ASSERT_FALSE(wide.VerticalBar()->isEnabled());
    EXPECT_TRUE(wheel(&wide, -120));
    EXPECT_EQ(wide.ScrollPosition(), QPoint(10 * lines, 0));
    EXPECT_TRUE(wheel(&wide, 240));
    EXPECT_EQ(wide.ScrollPosition(), QPoint(0, 0));
    EXPECT_FALSE(wheel(&wide, 120));  // at the start already

    GridView small;
    show(small, QSize(50, 50));
    EXPECT_FALSE(wheel(&small, -120));
}

TEST_F(ViewScrollTest, QuickScrollDragsTheContentWhileTheKeyIsHeld)
{
    GridView view;
    show(view, QSize(2000, 2000));
    view.ScrollTo(QPoint(300, 300));
    key(&view, QEvent::KeyPress, Qt::Key_Shift);  // the pointer is not over the view yet
    EXPECT_FALSE(view.Flags() & MCScrollView::kQuickScrollArmed);

    mouse(&view, QEvent::MouseMove, QPoint(100, 100));
    key(&view, QEvent::KeyPress, Qt::Key_Shift);
    EXPECT_TRUE(view.Flags() & MCScrollView::kQuickScrollArmed);
    EXPECT_EQ(view.cursor().shape(), Qt::OpenHandCursor);
    mouse(&view, QEvent::MouseButtonPress, QPoint(100, 100));
    EXPECT_EQ(view.cursor().shape(), Qt::ClosedHandCursor);
    mouse(&view, QEvent::MouseMove, QPoint(80, 130));
    EXPECT_EQ(view.ScrollPosition(), QPoint(320, 270));  // the content follows the pointer
    EXPECT_TRUE(view.DragRect().IsEmpty());
    mouse(&view, QEvent::MouseButtonRelease, QPoint(80, 130));
    EXPECT_TRUE(view.Flags() & MCScrollView::kQuickScrollArmed);
    EXPECT_FALSE(view.Flags() & MCScrollView::kQuickScrolling);
    key(&view, QEvent::KeyRelease, Qt::Key_Shift);
    EXPECT_FALSE(view.Flags() & MCScrollView::kQuickScrollArmed);
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);

    // Escape ends it in the middle.
    key(&view, QEvent::KeyPress, Qt::Key_Shift);
    mouse(&view, QEvent::MouseButtonPress, QPoint(80, 130));
    key(&view, QEvent::KeyPress, Qt::Key_Escape);
    EXPECT_FALSE(view.Flags() & (MCScrollView::kQuickScrollArmed | MCScrollView::kQuickScrolling));
    mouse(&view, QEvent::MouseMove, QPoint(10, 10));
    EXPECT_EQ(view.ScrollPosition(), QPoint(320, 270));
    mouse(&view, QEvent::MouseButtonRelease, QPoint(10, 10));
}

TEST_F(ViewScrollTest, TheDragRectangleStaysInTheViewAndEscapeClearsItOrKeepsIt)
{
    for (const bool clear : {true, false}) {
        SCOPED_TRACE(clear ? "cleared on end" : "kept");
        GridView view;
        show(view, QSize(150, 120));
        view.SetDragSelect(0, clear);
        mouse(&view, QEvent::MouseButtonPress, QPoint(20, 30));
        EXPECT_TRUE(view.Flags() & MCScrollView::kDragging);
        mouse(&view, QEvent::MouseMove, QPoint(90, 70));
        EXPECT_EQ(view.DragRect(), (Rect{20, 30, 90, 70}));
        mouse(&view, QEvent::MouseMove, QPoint(content.right - 1, content.bottom - 1));
        EXPECT_EQ(view.DragRect(), (Rect{20, 30, 150, 120}));
        mouse(&view, QEvent::MouseMove, QPoint(5, 100));
        EXPECT_EQ(view.DragRect(), (Rect{5, 30, 20, 100}));
        if (!clear)
            widgettest::saveScreenshot(view, "ViewScrollDragRect");
        key(&view, QEvent::KeyPress, Qt::Key_Escape);
        EXPECT_FALSE(view.Flags() & MCScrollView::kDragging);
        EXPECT_EQ(view.DragRect().IsEmpty(), clear);
        mouse(&view, QEvent::MouseButtonRelease, QPoint(5, 100));
    }
}

TEST_F(ViewScrollTest, ADragNearTheEdgeScrollsOnTheTimerUntilThePointerComesBack)
{
    plat::media::ManualTimerService timers;
    const plat::ui::UiTimers::ScopedService scoped(timers);
    GridView view;
    show(view, QSize(2000, 2000));
    mouse(&view, QEvent::MouseButtonPress, QPoint(50, 50));
    const QPoint nearEdge(content.right - 5, 50);  // 15 pixels into the 20-pixel margin
    mouse(&view, QEvent::MouseMove, nearEdge);
    EXPECT_EQ(view.ScrollPosition(), QPoint(15, 0));
    EXPECT_TRUE(view.AutoScrollRunning());
    timers.advance(1);
    EXPECT_EQ(view.ScrollPosition(), QPoint(30, 0));
    timers.advance(1);
    EXPECT_EQ(view.ScrollPosition(), QPoint(45, 0));
    // Each step spans the rectangle to where the pointer lay before that step's scroll.
    EXPECT_EQ(view.DragRect(), (Rect{50, 50, 30 + nearEdge.x(), 50}));

    mouse(&view, QEvent::MouseMove, QPoint(150, 60));
    timers.advance(1);  // the pending step reads the new point, which needs no scrolling
    EXPECT_FALSE(view.AutoScrollRunning());
    timers.advance(5);
    EXPECT_EQ(view.ScrollPosition(), QPoint(45, 0));

    mouse(&view, QEvent::MouseMove, QPoint(150, content.bottom + 40));
    EXPECT_TRUE(view.AutoScrollRunning());
    mouse(&view, QEvent::MouseButtonRelease, QPoint(150, content.bottom + 40));
    EXPECT_FALSE(view.AutoScrollRunning());
    EXPECT_TRUE(view.DragRect().IsEmpty());
}

TEST_F(ViewScrollTest, MouseMovesTakeTheFocusButNotFromAnEditField)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* edit = new QLineEdit(&window);
    auto* button = new QPushButton("OK", &window);
    auto* view = new GridView(false, &window);
    layout->addWidget(edit);
    layout->addWidget(button);
    layout->addWidget(view);
    window.resize(320, 320);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    mouse(view, QEvent::MouseMove, QPoint(30, 30));
    EXPECT_TRUE(edit->hasFocus());
    button->setFocus();
    mouse(view, QEvent::MouseMove, QPoint(31, 30));
    EXPECT_TRUE(view->hasFocus());
    view->SetStealFocus(false);
    button->setFocus();
    mouse(view, QEvent::MouseMove, QPoint(32, 30));
    EXPECT_TRUE(button->hasFocus());
}

}  // namespace
