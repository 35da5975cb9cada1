#include "rack/plinthui/tests/ControlTestFixture.h"

#include "rack/plinthui/PlinthUiStrings.h"
#include "rack/plinthui/ScrollControl.h"
#include "rack/plinthui/ScrollScale.h"
#include "rack/plinthui/ScrollState.h"

#include "platform/ui/rackwindow/Cursor.h"

#include "platform/ui/tests/support/LayoutCheck.h"

#include <QWidget>

namespace rack {
namespace {

using namespace plat::ui;

TEST(ScrollScaleTest, ValuesAndPixelsMapOverTheTrackBetweenTheEndCaps)
{
    struct Case {
        int width;
        int32_t length;
        int64_t value;
        int pixel;
    };
    const Case cases[] = {
        {216, 1000, 0, 0},    {216, 1000, 1000, 200}, {216, 1000, 500, 100},
        {216, 1000, 502, 100},  // 100.4: down
        {216, 1000, 503, 101},  // 100.6: up
        {216, 1000, 2500, 500}, // exactly half: down
        {216, 3, 1, 67},        // 66.67: up
        {216, 0, 500, 0},       // no length: everything at 0
        {216, 2'000'000'000, 2'000'000'000, 200},  // no overflow
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.length << " " << c.value);
        const ScrollScale scale(c.width, 8, c.length);
        EXPECT_EQ(scale.track(), c.width - 16);
        EXPECT_EQ(scale.toPixel(c.value), c.pixel);
    }
    const ScrollScale scale(216, 8, 1000);
    EXPECT_EQ(scale.toValue(100), 500);
    EXPECT_EQ(scale.toValue(101), 505);
    EXPECT_EQ(ScrollScale(216, 8, 0).toValue(100), 0);
}

class ScrollControlTest : public test::ControlTest {
protected:
    Window* make(const char* className, int width = 216)
    {
        static const ColorRef kGrey = 0x808080;
        return Window::create(className, "", style::kChild | style::kVisible, QRect(10, 10, width, 40), m_owner, 77,
                              &kGrey);
    }

    static ScrollState& stateOf(Window* window) { return *window->property<ScrollState>(kScrollProperty); }
    static intptr_t cmd(Window* window, unsigned code, intptr_t value = 0) { return window->send(kCommandMessage, code, value); }

    static void addEvent(Window* window, int32_t start, int32_t length)
    {
        const int32_t record[3] = {0, start, length};
        cmd(window, kScrollAddData, reinterpret_cast<intptr_t>(record));
    }

    // The reports posted to the owner since the last call: (code, value).
    std::vector<std::pair<uintptr_t, intptr_t>> reports()
    {
        plat::ui::test::deliverPosted();
        std::vector<std::pair<uintptr_t, intptr_t>> result;
        for (const plat::ui::test::Received& r : m_ownerClass.of(kScrollReport))
            result.emplace_back(r.wParam, r.lParam);
        m_ownerClass.received.clear();
        return result;
    }
};

using Reports = std::vector<std::pair<uintptr_t, intptr_t>>;

TEST_F(ScrollControlTest, RangesAreClampedAndTheSettingsAnswered)
{
    for (const char* className : {kScrollEventClass, kScrollSignalClass}) {
        SCOPED_TRACE(className);
        Window* scroll = make(className);
        ASSERT_NE(scroll, nullptr);
        EXPECT_EQ(stateOf(scroll).endCaps, 0x808080u);
        EXPECT_EQ(stateOf(scroll).markerColor, 0x808080u);
        cmd(scroll, kScrollSetLength, 1000);
        cmd(scroll, kScrollSetPosition, 1500);
        EXPECT_EQ(cmd(scroll, kScrollGetPosition), 1000);
        cmd(scroll, kScrollSetPosition, -5);
        EXPECT_EQ(cmd(scroll, kScrollGetPosition2), 0);
        cmd(scroll, kScrollSetEnd, -1);
        EXPECT_EQ(cmd(scroll, kScrollGetEnd), 0);
        cmd(scroll, kScrollSetEnd, 400);
        EXPECT_EQ(cmd(scroll, kScrollGetEnd), 400);
        EXPECT_EQ(cmd(scroll, kScrollGetLength), 1000);
        EXPECT_EQ(cmd(scroll, kScrollGetEndWidth), 8);
        cmd(scroll, kScrollSetEndWidth, 10);
        EXPECT_EQ(cmd(scroll, kScrollGetEndWidth), 10);
        cmd(scroll, kScrollEndCapColor, 0x0000FF);
        EXPECT_EQ(stateOf(scroll).endCaps, 0x0000FFu);
        scroll->invalidate();
        scroll->update();
        EXPECT_EQ(fromQColor(scroll->image().pixelColor(2, 2)), 0x0000FFu);
        scroll->destroy();
    }
}

TEST_F(ScrollControlTest, SixteenMarkersInOrderWithoutDuplicates)
{
    Window* scroll = make(kScrollEventClass);
    cmd(scroll, kScrollSetLength, 1000);
    for (const int value : {500, 100, 300, 100, 900})
        cmd(scroll, kScrollAddMarker, value);
    EXPECT_EQ(stateOf(scroll).markers, (std::vector<int32_t>{100, 300, 500, 900}));
    cmd(scroll, kScrollRemoveMarker, 300);
    cmd(scroll, kScrollRemoveMarker, 301);
    EXPECT_EQ(stateOf(scroll).markers, (std::vector<int32_t>{100, 500, 900}));
    for (int value = 0; value < 20; ++value)
        cmd(scroll, kScrollAddMarker, 10 * value + 1);
    EXPECT_EQ(stateOf(scroll).markers.size(), 16u);
    EXPECT_FALSE(std::binary_search(stateOf(scroll).markers.begin(), stateOf(scroll).markers.end(), 131));
    cmd(scroll, kScrollRemoveMarker, -1);
    EXPECT_TRUE(stateOf(scroll).markers.empty());
}

TEST_F(ScrollControlTest, WithoutEventsAPressDoesNothing)
{
    Window* scroll = make(kScrollEventClass);
    cmd(scroll, kScrollSetLength, 1000);
    scroll->send(kLeftButtonDownMessage, kLeftButtonFlag, at(100, 10));
    EXPECT_EQ(stateOf(scroll).drag, kDragNone);
    EXPECT_EQ(Window::capture(), nullptr);
    EXPECT_EQ(ControlModule::instance().echo.users(), 0);
    addEvent(scroll, 0, 10);
    cmd(scroll, kScrollEvents, 0);
    EXPECT_TRUE(stateOf(scroll).events.empty());
}

TEST_F(ScrollControlTest, HeldStepAreasReportOnTheEchoTimerUntilTheEnds)
{
    Window* scroll = make(kScrollEventClass);  // a track of 200 pixels
    cmd(scroll, kScrollSetLength, 1000);
    cmd(scroll, kScrollSetPosition, 500);
    cmd(scroll, kScrollSetEnd, 600);
    addEvent(scroll, 0, 1000);
    // The range sits from pixel 100 (left edge 100-107) to 120 (right edge 128-135).
    scroll->send(kLeftButtonDownMessage, kLeftButtonFlag, at(150, 10));  // after the range
    EXPECT_EQ(stateOf(scroll).drag, kStepForward);
    advance(150);
    EXPECT_EQ(reports(), (Reports{{kReportStepForward, 500}, {kReportStepForward, 500}}));
    cmd(scroll, kScrollSetPosition, 1000);  // the owner stepped to the end
    advance(150);
    EXPECT_EQ(reports(), Reports{});
    scroll->send(kLeftButtonUpMessage, 0, at(150, 10));
    EXPECT_EQ(ControlModule::instance().echo.users(), 0);

    cmd(scroll, kScrollSetPosition, 150);
    scroll->send(kLeftButtonDownMessage, kLeftButtonFlag, at(3, 10));  // the left end cap
    EXPECT_EQ(stateOf(scroll).drag, kLeftEndCap);
    advance(75);
    cmd(scroll, kScrollSetPosition, 0);
    advance(150);
    scroll->send(kLeftButtonUpMessage, 0, at(3, 10));
    EXPECT_EQ(reports(), (Reports{{kReportStepLeftCap, 150}}));
    EXPECT_FALSE(ControlModule::instance().echo.running());
}

TEST_F(ScrollControlTest, DraggingTheEdgesAndTheRangeReportsAndSetsTheView)
{
    Window* scroll = make(kScrollEventClass);
    cmd(scroll, kScrollSetLength, 1000);
    cmd(scroll, kScrollSetPosition, 500);
    cmd(scroll, kScrollSetEnd, 600);
    addEvent(scroll, 100, 300);
    scroll->invalidate();
    scroll->update();

    // The left edge, 20 pixels to the left.
    scroll->send(kLeftButtonDownMessage, kLeftButtonFlag, at(103, 10));
    EXPECT_EQ(stateOf(scroll).drag, kDragLeftEdge);
    EXPECT_EQ(Window::capture(), scroll);
    EXPECT_TRUE(Cursor::clipRect().has_value());
    scroll->send(kMouseMoveMessage, kLeftButtonFlag, at(93, 10));
    scroll->send(kMouseMoveMessage, kLeftButtonFlag, at(83, 10));
    scroll->send(kLeftButtonUpMessage, 0, at(83, 10));
    EXPECT_EQ(reports(), (Reports{{kReportLeftEdgeDragging, 450}, {kReportLeftEdgeDragging, 400}, {kReportLeftEdgeDone, 400}}));
    EXPECT_EQ(cmd(scroll, kScrollGetPosition), 400);
    EXPECT_EQ(cmd(scroll, kScrollGetEnd), 600);
    EXPECT_FALSE(Cursor::clipRect().has_value());
    EXPECT_EQ(Window::capture(), nullptr);

    // The whole range, stopped at the end of the track.
    scroll->send(kLeftButtonDownMessage, kLeftButtonFlag, at(110, 10));
    EXPECT_EQ(stateOf(scroll).drag, kDragRange);
    scroll->send(kMouseMoveMessage, kLeftButtonFlag, at(200, 10));
    scroll->send(kLeftButtonUpMessage, 0, at(200, 10));
    EXPECT_EQ(reports(), (Reports{{kReportRangeDragging, 800}, {kReportRangeDone, 800}}));
    EXPECT_EQ(cmd(scroll, kScrollGetEnd), 1000);

    // The right edge, not past the left one; a press without a move changes nothing.
    scroll->send(kLeftButtonDownMessage, kLeftButtonFlag, at(210, 10));
    EXPECT_EQ(stateOf(scroll).drag, kDragRightEdge);
    scroll->send(kMouseMoveMessage, kLeftButtonFlag, at(50, 10));
    scroll->send(kLeftButtonUpMessage, 0, at(50, 10));
    EXPECT_EQ(reports(), (Reports{{kReportRightEdgeDragging, 800}, {kReportRightEdgeDone, 800}}));
    EXPECT_EQ(cmd(scroll, kScrollGetEnd), 800);
    scroll->send(kLeftButtonDownMessage, kLeftButtonFlag, at(170, 10));
    scroll->send(kLeftButtonUpMessage, 0, at(170, 10));
    EXPECT_EQ(reports(), Reports{});
}

TEST_F(ScrollControlTest, ARightPressShowsTheControlsHelpUntilRelease)
{
    Window* events = make(kScrollEventClass);
    events->send(kRightButtonDownMessage, kRightButtonFlag, at(50, 10));
    ASSERT_NE(ControlModule::instance().popup, nullptr);
    EXPECT_EQ(ControlModule::instance().popupText, plinthUiString(77));
    EXPECT_EQ(stateOf(events).drag, kHelpShown);
    events->send(kRightButtonUpMessage, 0, at(50, 10));
    EXPECT_EQ(ControlModule::instance().popup, nullptr);

    Window* signal = make(kScrollSignalClass);
    signal->send(kRightButtonDownMessage, kRightButtonFlag, at(50, 10));
    EXPECT_EQ(ControlModule::instance().popupText, "Waveform overview and view control window");
    signal->send(kRightButtonUpMessage, 0, at(50, 10));
    EXPECT_EQ(stateOf(signal).drag, kDragNone);
}

TEST_F(ScrollControlTest, ScreenshotOfBothOverviews)
{
    Window* events = make(kScrollEventClass, 300);
    cmd(events, kScrollSetLength, 1000);
    cmd(events, kScrollEndCapColor, 0x606060);
    cmd(events, kScrollMarkerColor, 0x00FFFF);
    for (int i = 0; i < 6; ++i)
        addEvent(events, 80 * i + 30, 120 + 40 * (i % 3));
    cmd(events, kScrollAddMarker, 250);
    cmd(events, kScrollAddMarker, 700);
    cmd(events, kScrollSetPosition, 200);
    cmd(events, kScrollSetEnd, 550);
    cmd(events, kScrollEvents, 1);

    Window* signal = make(kScrollSignalClass, 300);
    signal->move(QRect(10, 60, 300, 40));
    cmd(signal, kScrollSetLength, 1000);
    cmd(signal, kScrollBackgroundColor, 0x101010);
    cmd(signal, kScrollSignalColor, 0x40E040);
    cmd(signal, kScrollBaselineColor, 0x208020);
    cmd(signal, kScrollSelectionColor, 0x503020);
    cmd(signal, kScrollEndCapColor, 0x606060);
    std::vector<int8_t> trace(284);
    for (size_t i = 0; i < trace.size(); ++i)
        trace[i] = int8_t(std::lround(17 * std::sin(double(i) / 7.0) * std::sin(double(i) / 61.0)));
    signal->send(kCommandMessage, makeWParam(int(kScrollAddData), int(trace.size())),
                 reinterpret_cast<intptr_t>(trace.data()));
    cmd(signal, kScrollSetPosition, 300);
    cmd(signal, kScrollSetEnd, 650);
    cmd(signal, kScrollSetSelectionStart, 380);
    cmd(signal, kScrollSetSelectionEnd, 520);
    EXPECT_EQ(stateOf(signal).samples.size(), trace.size());

    m_owner->widget()->resize(320, 110);
    test::saveScreenshot(m_owner->widget()->grab().toImage(), "plinthui-scroll-controls");
    EXPECT_TRUE(plat::ui::test::LayoutCheck::fits(*m_owner->widget()));
    // The end caps, a green bar, and the left edge inverted over it (green turns magenta).
    const QImage& image = events->image();
    EXPECT_EQ(fromQColor(image.pixelColor(2, 20)), 0x606060u);
    EXPECT_EQ(fromQColor(image.pixelColor(30, 1)), 0x00FF00u);
    EXPECT_EQ(fromQColor(image.pixelColor(60, 7)), 0xFF00FFu);
}

}  // namespace
}  // namespace rack
