#include "interface/tests/WidgetTestSupport.h"

#include "interface/views/MCOleDropTarget.h"
#include "interface/views/MCScrollView.h"
#include "notabase/clipboard/MCClipFormat.h"
#include "platform/media/ManualTimerService.h"
#include "platform/ui/timer/UiTimers.h"

#include <QDragMoveEvent>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

namespace {

class FlippableView : public MCScrollView {
public:
    explicit FlippableView(bool flipped) : m_flipped(flipped) {}

protected:
    void OnPrepareDC(Mapping& mapping) const override
    {
        MCScrollView::OnPrepareDC(mapping);
        if (m_flipped)
            mapping.viewportExt = QSize(1, -1);
    }

private:
    bool m_flipped;
};

TEST(ViewDropTargetTest, DistancesPastTwentyPixelsSpeedUpByTheirCube)
{
    const std::pair<int, int> cases[] = {{0, 0}, {5, 5}, {-20, -20}, {21, 21}, {22, 28}, {-25, -145}, {30, 1020}};
    for (const auto& [d, want] : cases) {
        SCOPED_TRACE(d);
        EXPECT_EQ(MCOleDropTarget::Accelerate(d), want);
    }
    EXPECT_GT(MCOleDropTarget::Accelerate(1 << 30), 0);  // no overflow
}

class ViewDropTargetScrollTest : public testing::Test {
protected:
    void SetUp() override
    {
        for (FlippableView* view : {&plain, &flipped}) {
            view->resize(320, 240);
            view->SetViewSize(QSize(2000, 2000));
            view->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
        }
        content = plain.ContentRect();
    }
    plat::media::ManualTimerService timers;
    plat::ui::UiTimers::ScopedService scoped{timers};
    FlippableView plain{false};
    FlippableView flipped{true};
    scrollmath::Rect content;
};

TEST_F(ViewDropTargetScrollTest, ScrollsAfterAPauseThenOnEveryLookWhileInTheMargin)
{
    MCOleDropTarget target(&plain);
    plain.ScrollTo(QPoint(500, 500));
    const QPoint below(100, content.bottom - 5);  // 15 pixels into the bottom margin
    EXPECT_EQ(target.OnDragScroll(Qt::NoModifier, below), MCOleDropTarget::kEffectScroll | MCOleDropTarget::kEffectMove);
    EXPECT_EQ(target.ScrollCode(), 0x01FF);
    EXPECT_EQ(plain.ScrollPosition(), QPoint(500, 500));
    timers.advance(100);  // the repeat looks again, but the pause is not over
    EXPECT_EQ(plain.ScrollPosition(), QPoint(500, 500));
    timers.advance(50);
    EXPECT_EQ(plain.ScrollPosition(), QPoint(500, 515));
    timers.advance(50);
    EXPECT_EQ(plain.ScrollPosition(), QPoint(500, 530));

    // Left and up at once, far out: both axes, sped up.
    EXPECT_EQ(target.OnDragScroll(Qt::ControlModifier, QPoint(content.left - 2, content.top + 18)),
              MCOleDropTarget::kEffectScroll | MCOleDropTarget::kEffectCopy);
    EXPECT_EQ(target.ScrollCode(), 0x0000);
    timers.advance(150);
    EXPECT_EQ(plain.ScrollPosition(), QPoint(500 - 28, 530 - 2));

    EXPECT_EQ(target.OnDragScroll(Qt::ControlModifier | Qt::ShiftModifier, QPoint(150, 100)),
              MCOleDropTarget::kEffectNone);
    EXPECT_EQ(target.ScrollCode(), MCOleDropTarget::kNoScroll);
    timers.advance(500);
    EXPECT_EQ(plain.ScrollPosition(), QPoint(472, 528));
}

TEST_F(ViewDropTargetScrollTest, NothingScrollsAtTheEndOfTheViewAndAFlippedViewScrollsTheWayThePointerPoints)
{
    MCOleDropTarget target(&plain);
    EXPECT_EQ(target.OnDragScroll(Qt::NoModifier, QPoint(10, 100)), MCOleDropTarget::kEffectNone);  // at the left end

    MCOleDropTarget upward(&flipped);
    EXPECT_NE(upward.OnDragScroll(Qt::ShiftModifier, QPoint(100, content.bottom - 1)), MCOleDropTarget::kEffectNone);
    timers.advance(150);
    EXPECT_EQ(flipped.ScrollPosition(), QPoint(0, -19));
    EXPECT_EQ(upward.OnDragScroll(Qt::AltModifier, QPoint(100, 3)),
              MCOleDropTarget::kEffectScroll | MCOleDropTarget::kEffectMove);
    timers.advance(150);
    EXPECT_EQ(flipped.ScrollPosition(), QPoint(0, -19 + 17));
}

// Zoomed out: one device pixel shows eight view units.
class ZoomedOutView : public MCScrollView {
protected:
    void OnPrepareDC(Mapping& mapping) const override
    {
        MCScrollView::OnPrepareDC(mapping);
        mapping.windowExt = QSize(8, 8);
    }
};

TEST_F(ViewDropTargetScrollTest, ADragFarPastTheEndOfAZoomedOutViewScrollsToThatEnd)
{
    ZoomedOutView view;
    view.resize(320, 240);
    view.SetViewSize(QSize(400000, 400000));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const scrollmath::Rect inside = view.ContentRect();
    MCOleDropTarget target(&view);
    const QPoint middle(200000, 200000);
    const struct {
        QPoint pointer;
        QPoint end;
    } cases[] = {
        {{inside.right + 1200, 100}, {400000 - inside.Width() * 8, 200000}},
        {{100, inside.bottom + 1200}, {200000, 400000 - inside.Height() * 8}},
        {{inside.left - 1200, 100}, {0, 200000}},
        {{100, inside.top - 1200}, {200000, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.pointer.x()) + "," + std::to_string(c.pointer.y()));
        view.ScrollTo(middle);
        ASSERT_EQ(view.ScrollPosition(), middle);
        EXPECT_NE(target.OnDragScroll(Qt::NoModifier, c.pointer), MCOleDropTarget::kEffectNone);
        timers.advance(150);
        EXPECT_EQ(view.ScrollPosition(), c.end);
        target.OnDragScroll(Qt::NoModifier, QPoint(150, 100));
    }
}

TEST_F(ViewDropTargetScrollTest, TakesOnlyDragsThatCarryMusic)
{
    MCOleDropTarget target(&plain);
    EXPECT_TRUE(plain.acceptDrops());
    // Without a drag under way the application does not pass drag events on, so they are
    // handed to the target as the view's filter.
    QObject& filter = target;
    auto move = [&](const QMimeData& data, QPoint at, Qt::KeyboardModifiers keys) {
        QDragMoveEvent event(at, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton, keys);
        event.ignore();
        filter.eventFilter(&plain, &event);
        return std::make_pair(event.isAccepted(), event.dropAction());
    };
    QMimeData text;
    text.setText("notes");
    EXPECT_FALSE(move(text, QPoint(100, 100), Qt::NoModifier).first);
    QMimeData music;
    music.setData(kMusicDataFormat, QByteArray("\x01\x02", 2));
    music.setData(kMusicInfoFormat, QByteArray());
    EXPECT_EQ(move(music, QPoint(100, 100), Qt::ControlModifier), std::make_pair(true, Qt::CopyAction));
    EXPECT_EQ(move(music, QPoint(100, content.bottom - 2), Qt::NoModifier), std::make_pair(true, Qt::MoveAction));
    EXPECT_EQ(target.ScrollCode(), 0x01FF);
    timers.advance(150);
    EXPECT_EQ(plain.ScrollPosition(), QPoint(0, 18));
    QDragLeaveEvent leave;
    filter.eventFilter(&plain, &leave);
    EXPECT_EQ(target.ScrollCode(), MCOleDropTarget::kNoScroll);
    timers.advance(500);
    EXPECT_EQ(plain.ScrollPosition(), QPoint(0, 18));
}

}  // namespace
