#include "rack/plinthart/tests/RackTestEnvironment.h"

#include "rack/plinthart/GraphicCache.h"
#include "rack/plinthart/ShadowPainting.h"

#include "platform/ui/draw/Bitmap.h"
#include "platform/ui/draw/DrawContext.h"

#include <gtest/gtest.h>

namespace rack {
namespace {

using plat::ui::Bitmap;
using plat::ui::Brush;
using plat::ui::DrawContext;
using plat::ui::StockBrush;

constexpr uint32_t kWhite = 0xFFFFFF, kLightGray = 0xC0C0C0, kGray = 0x808080, kDarkGray = 0x404040, kBlack = 0;

TEST(ShadowPaintingTest, ColoursFallIntoThreeBrightnessClassesByGreenBlueAndTheWholeValue)
{
    struct Case {
        uint32_t color;
        uint32_t dark;
        uint32_t light;
    };
    const Case cases[] = {
        {0x000000, kBlack, kLightGray},    {0x5B5BFF, kBlack, kLightGray},  // red does not count
        {0x5C5B00, kDarkGray, kLightGray}, {0x005C00, kDarkGray, kLightGray},
        {0x808080, kDarkGray, kLightGray}, {0x5C000000, kDarkGray, kLightGray},  // the top byte counts
        {0x818080, kGray, kWhite},         {0x008100, kGray, kWhite},
        {0xFFFFFF, kGray, kWhite},         {0x81000000, kGray, kWhite},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.color);
        const Brush* dark = nullptr;
        const Brush* light = nullptr;
        EXPECT_NE(GetColorShadowing(c.color, &dark, &light), 0);
        ASSERT_NE(dark, nullptr);
        ASSERT_NE(light, nullptr);
        EXPECT_EQ(dark->color(), c.dark);
        EXPECT_EQ(light->color(), c.light);
    }
}

// Each pixel of a bitmap as one letter: W white, L light gray, G gray, D dark gray, B black,
// '.' anything else.
std::vector<std::string> letters(const Bitmap& bitmap)
{
    std::vector<std::string> rows;
    for (int y = 0; y < bitmap.height(); ++y) {
        std::string row;
        for (int x = 0; x < bitmap.width(); ++x) {
            switch (bitmap.pixel(x, y)) {
            case kWhite: row += 'W'; break;
            case kLightGray: row += 'L'; break;
            case kGray: row += 'G'; break;
            case kDarkGray: row += 'D'; break;
            case kBlack: row += 'B'; break;
            default: row += '.';
            }
        }
        rows.push_back(row);
    }
    return rows;
}

Bitmap blank(int width, int height)
{
    Bitmap bitmap(width, height);
    DrawContext dc(bitmap);
    dc.fillRect(QRect(0, 0, width, height), Brush::solid(0x123456));
    return bitmap;
}

TEST(ShadowPaintingTest, FramesAndLinesPutLightAndShadowOnTheirSides)
{
    Bitmap frame = blank(6, 6);
    {
        DrawContext dc(frame);
        MakeShadowFrame(dc, 0, 0, 6, 6, 2, 0xFFFFFF, &Brush::stock(StockBrush::lightGray), true);
    }
    EXPECT_EQ(letters(frame), (std::vector<std::string>{"WWWWWW", "WWWWWG", "WWLLGG", "WWLLGG", "WWGGGG", "WGGGGG"}));

    Bitmap sunk = blank(5, 5);
    {
        DrawContext dc(sunk);
        MakeShadowBox(dc, 0, 0, 5, 5, 1, 0x000000, false);
    }
    EXPECT_EQ(letters(sunk), (std::vector<std::string>{"BBBBB", "BBBBL", "BBBBL", "BBBBL", "BLLLL"}));

    Bitmap unfilled = blank(4, 4);
    {
        DrawContext dc(unfilled);
        MakeShadowFrame(dc, 0, 0, 4, 4, 1, 0x808080, nullptr, true);
    }
    EXPECT_EQ(letters(unfilled), (std::vector<std::string>{"LLLL", "L..D", "L..D", "LDDD"}));

    Bitmap lines = blank(3, 6);
    {
        DrawContext dc(lines);
        MakeShadowLine(dc, 0, 0, 3, 0xFFFFFF, true);
        MakeShadowLine(dc, 0, 3, 3, 0xFFFFFF, false);
    }
    EXPECT_EQ(letters(lines), (std::vector<std::string>{"WWW", "BBB", "GGG", "GGG", "BBB", "WWW"}));

    Bitmap filled = blank(5, 4);
    {
        DrawContext dc(filled);
        WhiteFill(dc, 0, 0, 5, 4);
        BlackFill(dc, 1, 1, 2, 2);
        BlackFrame(dc, 3, 0, 2, 4);
    }
    EXPECT_EQ(letters(filled), (std::vector<std::string>{"WWWBB", "WBBBB", "WBBBB", "WWWBB"}));
}

TEST(ShadowPaintingTest, ASmoothFrameLaysItsCellsAlongTopAndBottom)
{
    const Bitmap& top = *GetGraphicPart(kPartSmoothTop);
    const Bitmap& bottom = *GetGraphicPart(kPartSmoothBottom);
    for (const bool bar : {false, true}) {
        SCOPED_TRACE(bar);
        Bitmap target(100, 80);
        {
            DrawContext dc(target);
            PaintSmoothFrame(nullptr, &dc, 0, 0, 100, 80, bar);
        }
        const QImage& image = target.image();
        const int bottomY = bar ? 60 : 64;
        for (const int x : {0, 32, 64})
            EXPECT_TRUE(test::sameRegion(image, x, 0, top.image(), 0, 0, 32, 32)) << x;
        for (const int x : {0, 32, 64})
            EXPECT_TRUE(test::sameRegion(image, x, bottomY, bottom.image(), 0, 16, 32, 16)) << x;
        // The cell first laid at the right edge shows where no whole cell covers it.
        EXPECT_TRUE(test::sameRegion(image, 96, 0, top.image(), 28, 0, 4, 16));
        EXPECT_TRUE(test::sameRegion(image, 96, bottomY, bottom.image(), 28, 16, 4, 16));
        if (bar) {
            EXPECT_EQ(target.pixel(50, 78), kBlack);
        }
        // Between the edges: the tile pattern.
        const Bitmap& tile = *GetGraphicPart(kPartTile);
        EXPECT_TRUE(test::sameRegion(image, 40, 40, tile.image(), 0, 0, 8, 8));
    }
    grp_Terminate();
}

}  // namespace
}  // namespace rack
