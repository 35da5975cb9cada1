#include "interface/views/ScrollMath.h"

#include <gtest/gtest.h>

#include <vector>

#include <string>

using namespace scrollmath;

TEST(ViewScrollMathTest, MulDivRoundsToNearestAwayFromZero)
{
    struct Case {
        int a, b, c, want;
    };
    const Case cases[] = {
        {5, 1, 2, 3},   {-5, 1, 2, -3}, {7, 2, 3, 5},         {-7, 2, 3, -5},
        {1, 1, 3, 0},   {5, -1, 2, -3}, {100000, 100000, 100000, 100000},
        {3, 4, 0, 0},   {2540, 96, 2540, 96},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.a) + "*" + std::to_string(c.b) + "/" + std::to_string(c.c));
        EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.want);
    }
}

TEST(ViewScrollMathTest, LogicalAndDeviceConvertBothWaysThroughTheMapping)
{
    Mapping zoom;  // two logical units a pixel, content at (10, 20), y upward
    zoom.windowExt = QSize(2, 2);
    zoom.viewportExt = QSize(1, -1);
    zoom.viewportOrg = QPoint(10, 20);
    EXPECT_TRUE(zoom.IsFlipped());
    EXPECT_EQ(LPtoDP(zoom, QPoint(100, 100)), QPoint(60, -30));
    EXPECT_EQ(DPtoLP(zoom, QPoint(60, -30)), QPoint(100, 100));
    EXPECT_EQ(LPtoDP(zoom, QPoint(3, 0)), QPoint(12, 20));  // 1.5 rounds up
    EXPECT_EQ(LPtoDP(zoom, QSize(10, -10)), QSize(5, -5));
    EXPECT_EQ(DPtoLP(zoom, QSize(-3, 4)), QSize(-6, 8));
    EXPECT_EQ(DPtoLP(zoom, Rect{10, 20, 20, 30}), (Rect{0, 0, 20, -20}));
    EXPECT_EQ(DPtoLP(zoom, Rect{10, 20, 20, 30}).Normalized(), (Rect{0, -20, 20, 0}));

    Mapping inch;  // 96 pixels an inch: 2540 hundredths of a millimetre
    inch.viewportExt = QSize(96, 96);
    EXPECT_EQ(HMtoDP(inch, QPoint(2540, -1270)), QPoint(96, -48));
    EXPECT_EQ(DPtoHM(inch, QPoint(96, 48)), QPoint(2540, 1270));
    EXPECT_FALSE(inch.IsFlipped());
}

TEST(ViewScrollMathTest, ScrollBarScaleMapsBothWaysAndKeepsFlippedSigns)
{
    EXPECT_EQ(BarToPosition(0, 0, 32767, 1000), 0);
    EXPECT_EQ(BarToPosition(32767, 0, 32767, 1000), 1000);
    EXPECT_EQ(BarToPosition(16384, 0, 32767, 1000), 500);
    EXPECT_EQ(BarToPosition(16384, 0, 32767, -2000), -1000);
    EXPECT_EQ(PositionToBar(500, 0, 32767, 1000), 16384);
    EXPECT_EQ(PositionToBar(-1000, 0, 32767, -2000), 16384);
    for (int pos : {0, 1, 37, 499, 999, 1000}) {
        SCOPED_TRACE(pos);
        EXPECT_EQ(BarToPosition(PositionToBar(pos, 0, 32767, 1000), 0, 32767, 1000), pos);
        EXPECT_EQ(BarToPosition(PositionToBar(-pos, 0, 32767, -1000), 0, 32767, -1000), -pos);
    }
}

TEST(ViewScrollMathTest, ScrollPositionsStayWithinTheView)
{
    struct Case {
        int wanted, view, visible;
        bool flipped;
        int want;
    };
    const Case cases[] = {
        {-5, 1000, 300, false, 0},    {800, 1000, 300, false, 700},   {350, 1000, 300, false, 350},
        {50, 200, 300, false, 0},     {10, -2000, 300, true, 0},      {-5000, -2000, 300, true, -1700},
        {-100, -2000, 300, true, -100}, {-10, -200, 300, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.wanted) + " in " + std::to_string(c.view));
        EXPECT_EQ(ClampScroll(c.wanted, c.view, c.visible, c.flipped), c.want);
    }
}

TEST(ViewScrollMathTest, AForwardWheelTurnMovesTowardsTheTopEitherWayTheViewGrows)
{
    struct Case {
        int delta, lines;
        bool vertical, flipped;
        int want;
    };
    // line step 7, page step 90
    const Case cases[] = {
        {120, 3, true, false, -21},  {-120, 3, true, false, 21}, {120, 3, true, true, 21},
        {-120, 3, true, true, -21},  {120, 0, true, false, 0},   {120, -1, true, false, -90},
        {-120, -1, true, true, -90}, {120, 3, false, false, -21}, {-240, 3, false, false, 42},
        {120, -1, false, false, -90}, {40, 3, true, false, -7},  {120, 1, true, false, -7}, {-120, 1, true, false, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.delta) + " lines " + std::to_string(c.lines) + (c.vertical ? " v" : " h") +
                     (c.flipped ? " flipped" : ""));
        int remainder = 0;
        EXPECT_EQ(WheelScrollAmount(c.delta, c.lines, 7, 90, c.vertical, c.flipped, remainder), c.want);
    }
}

// Small turns (a touchpad, a free-spinning wheel) add up to what one notch scrolls, in lines
// and in pages alike; a turn back starts afresh.
TEST(ViewScrollMathTest, SmallWheelTurnsAddUpAndPagesFollowTheTurn)
{
    struct Case {
        int lines;
        std::vector<int> deltas;
        int want;  // the sum scrolled, line step 7, page step 90
    };
    const Case cases[] = {
        {3, std::vector<int>(12, 10), -21},  // twelve tenths of a notch: three lines
        {3, std::vector<int>(8, 15), -21},
        {3, std::vector<int>(6, 20), -21},   // not a line for each
        {3, std::vector<int>(12, -10), 21},
        {1, std::vector<int>(24, 5), -7},
        {-1, std::vector<int>(4, 30), -90},  // four quarters of a notch: one page
        {-1, {15}, -11},                     // an eighth of a notch: an eighth of the page
        {-1, {-60}, 45},
        {3, {30, 30, -30, -30, -30, -30}, -7 + 21},  // the half line left going out is dropped
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.deltas) + " lines " + std::to_string(c.lines));
        int remainder = 0;
        int sum = 0;
        for (const int delta : c.deltas)
            sum += WheelScrollAmount(delta, c.lines, 7, 90, true, false, remainder);
        EXPECT_EQ(sum, c.want);
    }
}
