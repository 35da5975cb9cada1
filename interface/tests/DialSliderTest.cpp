#include "interface/tests/WidgetTestSupport.h"

#include "interface/controls/MCDial.h"
#include "interface/controls/MCSlider.h"
#include "interface/core/MCImageMgr.h"
#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ItemId.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

using Notices = std::vector<std::pair<int, int>>;

class NoticeWindow : public QWidget, public plat::ui::NoticeListener {
public:
    Notices notices;
    void onNotice(int id, int code, QWidget*) override { notices.emplace_back(id, code); }
};

void mouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, widget->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

TEST(DialTest, ValuesMapToAnglesAndBack)
{
    MCDial dial;
    struct Case {
        int mode;
        double value;
        int angle;
        double back;
    };
    const Case cases[] = {
        {0, 0.5, 180, 0.5}, {0, 0.0, 30, 0.0},   {0, 1.0, 330, 1.0}, {0, 2.0, 330, 1.0}, {0, -1.0, 30, 0.0},
        {1, -1.0, 30, -1.0}, {1, 0.0, 180, 0.0}, {1, 2.0, 330, 1.0}, {1, 0.5, 255, 0.5}, {2, 0.7, 30, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + " " + std::to_string(c.value));
        dial.SetMode(c.mode);
        dial.SetValue(c.value);
        EXPECT_EQ(dial.GetAngle(), c.angle);
        EXPECT_DOUBLE_EQ(dial.GetValue(), c.back);
    }
}

TEST(DialTest, ThePointerTurnsClockwiseFromDownLeft)
{
    MCDial dial;
    dial.SetImageInfo(0, QRect(3, 3, 34, 34));
    dial.SetStyle(MCDial::line);  // radius 34 / 2 - 3 = 14
    EXPECT_EQ(dial.Angle2XY(180), QPoint(0, -14));
    EXPECT_EQ(dial.Angle2XY(90), QPoint(-13, 0));  // -14 + 0.5 truncates toward zero
    EXPECT_EQ(dial.Angle2XY(270), QPoint(14, 0));
    const QPoint start = dial.Angle2XY(30), end = dial.Angle2XY(330);
    EXPECT_LT(start.x(), 0);
    EXPECT_GT(start.y(), 0);
    EXPECT_GT(end.x(), 0);
    EXPECT_GT(end.y(), 0);
    dial.SetStyle(MCDial::dot);
    dial.SetIndicator(4, 0);  // radius 17 - 7 = 10
    EXPECT_EQ(dial.Angle2XY(180), QPoint(0, -10));
    dial.SetStyle(5);
    EXPECT_EQ(dial.Angle2XY(180), QPoint(0, -17));
}

TEST(DialTest, DraggingTurnsTwoDegreesAPixelWithinTheSweep)
{
    NoticeWindow window;
    auto* dial = new MCDial(&window);
    plat::ui::setItemId(dial, 2100);
    dial->resize(40, 40);
    window.show();
    dial->SetValue(0.5);
    mouse(dial, QEvent::MouseButtonPress, QPoint(20, 20), Qt::LeftButton);
    mouse(dial, QEvent::MouseMove, QPoint(30, 15), Qt::LeftButton);  // 10 right, 5 up
    EXPECT_EQ(dial->GetAngle(), 210);
    dial->SetConstraint(1);
    mouse(dial, QEvent::MouseMove, QPoint(40, 10), Qt::LeftButton);  // only the 10 across count
    EXPECT_EQ(dial->GetAngle(), 230);
    dial->SetConstraint(2);
    mouse(dial, QEvent::MouseMove, QPoint(90, 5), Qt::LeftButton);
    EXPECT_EQ(dial->GetAngle(), 240);
    dial->SetConstraint(3);
    mouse(dial, QEvent::MouseMove, QPoint(0, 0), Qt::LeftButton);
    EXPECT_EQ(dial->GetAngle(), 240);
    dial->SetConstraint(0);
    mouse(dial, QEvent::MouseMove, QPoint(1000, -1000), Qt::LeftButton);
    EXPECT_EQ(dial->GetAngle(), 330);
    mouse(dial, QEvent::MouseMove, QPoint(-1000, 1000), Qt::LeftButton);
    EXPECT_EQ(dial->GetAngle(), 30);
    mouse(dial, QEvent::MouseButtonRelease, QPoint(-1000, 1000), Qt::NoButton);
    EXPECT_EQ(window.notices, (Notices{{2100, 0x3080}, {2100, 0x3080}, {2100, 0x3080}, {2100, 0x3080}, {2100, 0x3080},
                                       {2100, 0x3080}, {2100, 0x3080}, {2100, 0x3081}}));

    window.notices.clear();
    dial->SetStickyAngle(400, 0);
    EXPECT_EQ(dial->GetStickyAngle(), 330);
    dial->SetStickyAngle(180, 0);
    QTest::mouseDClick(dial, Qt::LeftButton);
    EXPECT_EQ(dial->GetAngle(), 180);
    EXPECT_EQ(window.notices.back(), std::make_pair(2100, 0x3081));

    // Keys turn it too, and tell the parent.
    window.notices.clear();
    dial->setFocus();
    QTest::keyClick(dial, Qt::Key_Right);
    QCoreApplication::processEvents();
    EXPECT_EQ(dial->GetAngle(), 183);
    EXPECT_EQ(window.notices, (Notices{{2100, 0x3080}, {2100, 0x3081}}));
}

class SliderTest : public testing::Test {
protected:
    NoticeWindow window;
    MCSlider* slider = nullptr;

    void SetUp() override
    {
        slider = new MCSlider(&window);
        plat::ui::setItemId(slider, 2200);
        window.resize(100, 100);
        window.show();
        slider->show();
        slider->grab();  // the first paint sets the default images
    }
    void TearDown() override { MCImageMgr::GetImageMgr().RemoveImages(); }
};

TEST_F(SliderTest, PositionsAndValuesMapThroughTheTravelAndTheHotSpot)
{
    EXPECT_EQ(slider->size(), QSize(24, 63));
    EXPECT_EQ(slider->Value2XY(1, true), QPoint(4, 48));
    EXPECT_EQ(slider->Value2XY(0, true), QPoint(4, 0));
    EXPECT_EQ(slider->Value2XY(0.5, false), QPoint(11, 31));
    EXPECT_DOUBLE_EQ(slider->XY2Value(QPoint(10, 2)), 0.0);
    EXPECT_DOUBLE_EQ(slider->XY2Value(QPoint(10, 60)), 1.0);
    EXPECT_DOUBLE_EQ(slider->XY2Value(QPoint(10, 31)), 0.5);
    slider->SetMode(MCSlider::horizontal);
    EXPECT_EQ(slider->Value2XY(1, true), QPoint(4, 0));  // the thumb fills the travel's width
    EXPECT_DOUBLE_EQ(slider->XY2Value(QPoint(50, 5)), 0.0);
    slider->SetMode(MCSlider::vertical);

    slider->SetValue(1);
    EXPECT_EQ(slider->ThumbRect(), QRect(4, 48, 16, 15));
    slider->SetValue(0.9);
    // The old thumb area the new one leaves: its lowest rows, enlarged by a pixel.
    EXPECT_EQ(slider->InvalidRect(), QRect(4, 43 + 15, 16, 48 - 43).adjusted(-1, -1, 1, 1));
    slider->SetValue(7);
    EXPECT_DOUBLE_EQ(slider->GetValue(), 1.0);
}

TEST_F(SliderTest, AClickJumpsTheThumbAndADragFollowsThePointer)
{
    mouse(slider, QEvent::MouseButtonPress, QPoint(10, 1), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(slider->GetValue(), 0.0);
    mouse(slider, QEvent::MouseMove, QPoint(10, 31), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(slider->GetValue(), 0.5);
    mouse(slider, QEvent::MouseMove, QPoint(10, 200), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(slider->GetValue(), 1.0);
    mouse(slider, QEvent::MouseButtonRelease, QPoint(10, 200), Qt::NoButton);
    EXPECT_EQ(window.notices, (Notices{{2200, 0x3090}, {2200, 0x3090}, {2200, 0x3090}, {2200, 0x3091}}));
}

TEST(SliderValueTest, AValueSetBeforeTheFirstPaintIsKept)
{
    QWidget window;
    auto* slider = new MCSlider(&window);
    slider->SetValue(0.25);
    window.show();
    slider->grab();
    EXPECT_DOUBLE_EQ(slider->GetValue(), 0.25);
    EXPECT_EQ(slider->ThumbRect().topLeft(), QPoint(4, 12));
    MCImageMgr::GetImageMgr().RemoveImages();
}

void wheel(QWidget* widget, int delta)
{
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

// What a control's signals said while the user worked it.
struct Heard {
    explicit Heard(QAbstractSlider* control)
        : values(control, &QAbstractSlider::valueChanged), moves(control, &QAbstractSlider::sliderMoved),
          presses(control, &QAbstractSlider::sliderPressed), releases(control, &QAbstractSlider::sliderReleased)
    {
    }
    std::vector<int> Values() const
    {
        std::vector<int> list;
        for (const QList<QVariant>& signal : values)
            list.push_back(signal.at(0).toInt());
        return list;
    }
    QSignalSpy values, moves, presses, releases;
};

// A drag is heard by the signals as it goes (pressed, every move, released), as well as by
// the parent; a value the program sets is not.
TEST(DialSliderSignalsTest, ADragIsToldToTheSignalsAndAValueSetIsNot)
{
    NoticeWindow window;
    auto* dial = new MCDial(&window);
    dial->resize(40, 40);
    auto* slider = new MCSlider(&window);
    slider->move(50, 0);
    window.resize(100, 100);
    window.show();
    slider->grab();

    Heard dialHeard(dial);
    dial->SetValue(0.5);
    EXPECT_TRUE(dialHeard.Values().empty()) << "set by the program";
    mouse(dial, QEvent::MouseButtonPress, QPoint(20, 20), Qt::LeftButton);
    mouse(dial, QEvent::MouseMove, QPoint(30, 15), Qt::LeftButton);
    mouse(dial, QEvent::MouseMove, QPoint(35, 15), Qt::LeftButton);
    mouse(dial, QEvent::MouseButtonRelease, QPoint(35, 15), Qt::NoButton);
    EXPECT_EQ(dialHeard.Values(), (std::vector<int>{210, 220}));
    EXPECT_EQ(dialHeard.moves.count(), 2);
    EXPECT_EQ(dialHeard.presses.count(), 1);
    EXPECT_EQ(dialHeard.releases.count(), 1);
    EXPECT_EQ(dial->GetAngle(), 220);
    // The double-click's reset is the user's too.
    dial->SetStickyAngle(180, 0);
    QTest::mouseDClick(dial, Qt::LeftButton);
    EXPECT_EQ(dialHeard.Values(), (std::vector<int>{210, 220, 180}));

    Heard sliderHeard(slider);
    slider->SetValue(0.2);
    EXPECT_TRUE(sliderHeard.Values().empty());
    mouse(slider, QEvent::MouseButtonPress, QPoint(10, 1), Qt::LeftButton);
    mouse(slider, QEvent::MouseMove, QPoint(10, 31), Qt::LeftButton);
    mouse(slider, QEvent::MouseMove, QPoint(10, 200), Qt::LeftButton);
    mouse(slider, QEvent::MouseButtonRelease, QPoint(10, 200), Qt::NoButton);
    EXPECT_EQ(sliderHeard.Values(), (std::vector<int>{0, 500, 1000}));
    EXPECT_EQ(sliderHeard.moves.count(), 3);
    EXPECT_EQ(sliderHeard.presses.count(), 1);
    EXPECT_EQ(sliderHeard.releases.count(), 1);
    EXPECT_DOUBLE_EQ(slider->GetValue(), 1.0);
    MCImageMgr::GetImageMgr().RemoveImages();
}

// The wheel steps either control one step a notch, small turns adding up, and the parent hears
// it as a turn let go; the slider's thumb follows.
TEST(DialSliderSignalsTest, TheWheelStepsAndTellsTheParent)
{
    NoticeWindow window;
    auto* dial = new MCDial(&window);
    plat::ui::setItemId(dial, 2100);
    dial->resize(40, 40);
    auto* slider = new MCSlider(&window);
    plat::ui::setItemId(slider, 2200);
    slider->move(50, 0);
    window.resize(100, 100);
    window.show();
    slider->grab();

    dial->SetValue(0.5);
    const int angle = dial->GetAngle();
    const int lines = QApplication::wheelScrollLines();
    wheel(dial, 120);
    QCoreApplication::processEvents();
    EXPECT_EQ(dial->GetAngle(), angle + lines * dial->singleStep());
    for (int i = 0; i < 8; ++i)
        wheel(dial, 15);
    QCoreApplication::processEvents();
    EXPECT_EQ(dial->GetAngle(), angle + 2 * lines * dial->singleStep());
    ASSERT_FALSE(window.notices.empty());
    EXPECT_EQ(window.notices.back(), std::make_pair(2100, 0x3081));

    window.notices.clear();
    slider->SetValue(0.5);
    wheel(slider, -120);
    QCoreApplication::processEvents();
    EXPECT_NEAR(slider->GetValue(), 0.5 - lines * 0.01, 1e-9);
    EXPECT_EQ(slider->ThumbRect().topLeft(), slider->Value2XY(slider->GetValue(), true));
    EXPECT_EQ(window.notices, (Notices{{2200, 0x3090}, {2200, 0x3091}}));
    MCImageMgr::GetImageMgr().RemoveImages();
}

TEST(DialSliderScreenshotTest, ADialAndASlider)
{
    QWidget strip;
    auto* layout = new QHBoxLayout(&strip);
    const double values[] = {0.0, 0.5, 0.8};
    for (int i = 0; i < 3; ++i) {
        auto* dial = new MCDial;
        dial->SetIndicator(i == 1 ? 5 : 4, i == 2 ? 0x0000C0 : 0x202020);
        dial->SetStyle(i == 0 ? MCDial::line : MCDial::dot);
        dial->setFixedSize(40, 40);
        dial->SetValue(values[i]);
        layout->addWidget(dial);
    }
    for (const double value : {0.2, 0.7}) {
        auto* slider = new MCSlider;
        slider->setFixedSize(24, 63);
        slider->SetValue(value);
        layout->addWidget(slider);
    }
    strip.show();
    EXPECT_FALSE(widgettest::saveScreenshot(strip, "dial-and-slider-ratio-" +
                                                       std::to_string(int(strip.devicePixelRatioF())))
                     .empty());
    MCImageMgr::GetImageMgr().RemoveImages();
}

}  // namespace
