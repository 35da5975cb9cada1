#include "rack/plinthart/tests/RackTestEnvironment.h"

#include "rack/plinthart/DigitDisplay.h"
#include "rack/plinthart/GraphicCache.h"

#include "platform/ui/draw/Bitmap.h"
#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/rackwindow/WindowClass.h"
#include "platform/ui/rackwindow/WindowStyle.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace rack {
namespace {

using plat::ui::Bitmap;
using plat::ui::DrawContext;
using test::sameRegion;

constexpr int kX = 5;
constexpr int kY = 3;

// The digits a painted display shows, read back by comparing each cell with the strip's
// cells ('?' for a cell that is no digit).
std::string readDigits(const QImage& image, const std::vector<int>& offsets, const Bitmap& strip)
{
    std::string text;
    for (const int offset : offsets) {
        char shown = '?';
        for (int d = 0; d < 10; ++d)
            if (sameRegion(image, kX + offset, kY, strip.image(), kDigitWidth * d, 0, kDigitWidth, kDigitHeight))
                shown = char('0' + d);
        text += shown;
    }
    return text;
}

TEST(DigitDisplayTest, TheStripsHoldTenDifferentDigitsAndAColon)
{
    for (const int id : {kDigitsCyan, kDigitsOff}) {
        const Bitmap* strip = GetGraphicDigit(id);
        ASSERT_NE(strip, nullptr);
        for (int a = 0; a < 10; ++a)
            for (int b = a + 1; b < 10; ++b)
                EXPECT_FALSE(sameRegion(strip->image(), 10 * a, 0, strip->image(), 10 * b, 0, 10, 19)) << a << b;
    }
    EXPECT_FALSE(sameRegion(GetGraphicDigit(kDigitsCyan)->image(), 0, 0, GetGraphicDigit(kDigitsOff)->image(), 0, 0,
                            10, 19));
}

TEST(DigitDisplayTest, PaintTimeShowsMinutesAndSecondsInTheirCells)
{
    struct Case {
        int32_t tenths;
        const char* shown;
    };
    const Case cases[] = {
        {0, "0000"},      {36000, "0000"},  // one hour wraps to zero minutes
        {6005, "1000"},   {754, "0115"},   {35999, "5959"}, {72610, "0101"},
        {-5, "0000"},  // a negative time shows zero instead of cells outside the strip
    };
    for (const bool lit : {true, false}) {
        const Bitmap& strip = *GetGraphicDigit(lit ? kDigitsCyan : kDigitsOff);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.tenths << (lit ? " lit" : " dark"));
            Bitmap target(70, 25);
            {
                DrawContext dc(target);
                PaintTime(nullptr, &dc, kX, kY, c.tenths, lit);
            }
            EXPECT_EQ(readDigits(target.image(), {0, 14, 30, 42}, strip), c.shown);
            EXPECT_TRUE(sameRegion(target.image(), kX + 26, kY, strip.image(), kColonX, 0, kColonWidth, kDigitHeight));
            // Nothing between the cells.
            EXPECT_EQ(target.pixel(kX + 12, kY + 9), 0u);
            EXPECT_EQ(target.pixel(kX + 28, kY + 9), 0u);
        }
    }
}

TEST(DigitDisplayTest, PaintIndexShowsTheNumberAfterTheIndex)
{
    struct Case {
        int32_t index;
        const char* shown;
    };
    const Case cases[] = {
        {0, "01"}, {8, "09"}, {98, "99"},
        {99, "00"}, {122, "23"},  // three digits: the last two
        {-1, "00"}, {-7, "00"},
    };
    const Bitmap& strip = *GetGraphicDigit(kDigitsCyan);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        Bitmap target(40, 25);
        {
            DrawContext dc(target);
            Paint_NN_Index(nullptr, &dc, kX, kY, c.index, true);
        }
        EXPECT_EQ(readDigits(target.image(), {0, 14}, strip), c.shown);
    }
}

TEST(DigitDisplayTest, WithoutAHandleTheWindowsOwnIsUsed)
{
    plat::ui::WindowClass windowClass;
    windowClass.name = "DigitTestWindow";
    windowClass.proc = plat::ui::defWindowProc;
    windowClass.background = plat::ui::Brush::stock(plat::ui::StockBrush::black);
    ASSERT_TRUE(plat::ui::WindowClass::registerClass(windowClass));
    plat::ui::Window* window = plat::ui::Window::create("DigitTestWindow", "", 0, QRect(0, 0, 70, 25), nullptr);
    ASSERT_NE(window, nullptr);
    window->update();
    PaintTime(window, nullptr, kX, kY, 754, true);
    EXPECT_EQ(readDigits(window->image(), {0, 14, 30, 42}, *GetGraphicDigit(kDigitsCyan)), "0115");
    Paint_NN_Index(window, nullptr, kX, kY, 41, false);
    EXPECT_EQ(readDigits(window->image(), {0, 14}, *GetGraphicDigit(kDigitsOff)), "42");
    window->destroy();
    PaintTime(window, nullptr, kX, kY, 754, true);  // a window that is gone draws nothing
    plat::ui::WindowClass::unregisterClass("DigitTestWindow");
}

TEST(DigitDisplayTest, ScreenshotOfTheDecksTimeAndIndexDisplays)
{
    grp_Initialize();
    const Bitmap& background = *GetGraphicPart(kPartWaveBackground);
    Bitmap deck(background.width(), background.height());
    {
        DrawContext dc(deck);
        dc.blit(0, 0, deck.width(), deck.height(), background, 0, 0);
        Paint_NN_Index(nullptr, &dc, 475, 20, 6, true);
        PaintTime(nullptr, &dc, 520, 20, 7545, true);
    }
    test::saveScreenshot(deck.image(), "plinthart-wave-deck-time");
    EXPECT_EQ(readDigits(deck.image().copy(470, 17, 120, 30), {0, 14}, *GetGraphicDigit(kDigitsCyan)), "07");
    grp_Terminate();
}

}  // namespace
}  // namespace rack
