#include "platform/ui/tests/UiTestEnvironment.h"

#include "platform/ui/draw/Bitmap.h"
#include "platform/ui/draw/Brush.h"
#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/draw/Font.h"
#include "platform/ui/draw/Palette.h"
#include "platform/ui/draw/Pen.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRegion>

#include <gtest/gtest.h>

namespace plat::ui {
namespace {

constexpr ColorRef kRed = rgb(255, 0, 0);
constexpr ColorRef kGreen = rgb(0, 255, 0);
constexpr ColorRef kBlue = rgb(0, 0, 255);
constexpr ColorRef kWhite = rgb(255, 255, 255);

// The pixels of a row as 'x' where colour is and '.' elsewhere.
std::string row(const Bitmap& bitmap, int y, ColorRef color)
{
    std::string text;
    for (int x = 0; x < bitmap.width(); ++x)
        text += bitmap.pixel(x, y) == color ? 'x' : '.';
    return text;
}

TEST(DrawContextTest, BlitCopiesOnlyWhatLiesInsideTheSource)
{
    Bitmap source(4, 4);
    {
        DrawContext dc(source);
        dc.fillRect(QRect(0, 0, 4, 4), Brush::solid(kRed));
        dc.fillRect(QRect(2, 0, 2, 4), Brush::solid(kGreen));
    }
    Bitmap target(8, 1);
    {
        DrawContext dc(target);
        dc.fillRect(QRect(0, 0, 8, 1), Brush::solid(kBlue));
        // Source columns -1 to 5: only 0 to 3 exist, landing at 2 to 5.
        dc.blit(1, 0, 6, 1, source, -1, 0);
    }
    EXPECT_EQ(row(target, 0, kRed), "..xx....");
    EXPECT_EQ(row(target, 0, kGreen), "....xx..");
    EXPECT_EQ(row(target, 0, kBlue), "xx....xx");

    // Exclusive or: the same image twice restores what was there.
    {
        DrawContext dc(target);
        dc.blit(0, 0, 4, 1, source, 0, 0, RasterOp::sourceInvert);
        dc.blit(0, 0, 4, 1, source, 0, 0, RasterOp::sourceInvert);
    }
    EXPECT_EQ(row(target, 0, kBlue), "xx....xx");
}

TEST(DrawContextTest, FillFrameInvertAndEdgesHitTheirPixels)
{
    Bitmap bitmap(6, 6);
    {
        DrawContext dc(bitmap);
        dc.fillRect(QRect(0, 0, 6, 6), Brush::stock(StockBrush::white));
        dc.frameRect(QRect(1, 1, 4, 4), Brush::solid(kRed));
        dc.fillRect(QRect(0, 0, 1, 1), Brush::null());
    }
    EXPECT_EQ(row(bitmap, 0, kWhite), "xxxxxx");
    EXPECT_EQ(row(bitmap, 1, kRed), ".xxxx.");
    EXPECT_EQ(row(bitmap, 2, kRed), ".x..x.");
    EXPECT_EQ(row(bitmap, 4, kRed), ".xxxx.");
    {
        DrawContext dc(bitmap);
        dc.invertRect(QRect(0, 0, 3, 1));
    }
    EXPECT_EQ(row(bitmap, 0, rgb(0, 0, 0)), "xxx...");

    Bitmap edged(4, 4);
    {
        DrawContext dc(edged);
        dc.drawEdge(QRect(0, 0, 4, 4), Edge::sunken);
    }
    // Sunken: shadow above and left, white below and right; the inner ring dark above.
    EXPECT_EQ(edged.pixel(0, 0), rgb(128, 128, 128));
    EXPECT_EQ(edged.pixel(3, 3), kWhite);
    EXPECT_EQ(edged.pixel(1, 1), rgb(0, 0, 0));
}

TEST(DrawContextTest, LinesLeaveOutTheirLastPixel)
{
    Bitmap bitmap(6, 6);
    {
        DrawContext dc(bitmap);
        dc.setPen(Pen::solid(kGreen));
        dc.moveTo(0, 2);
        dc.lineTo(4, 2);
        dc.lineTo(4, 5);
    }
    // The second line starts where the first stopped short.
    EXPECT_EQ(row(bitmap, 2, kGreen), "xxxxx.");
    EXPECT_EQ(bitmap.pixel(4, 3), kGreen);
    EXPECT_EQ(bitmap.pixel(4, 4), kGreen);
    EXPECT_EQ(bitmap.pixel(4, 5), rgb(0, 0, 0));
}

TEST(DrawContextTest, TextIsDrawnFromTheTopOfItsCellOpaqueOrTransparent)
{
    LogicalFont description;
    description.height = 14;
    description.faceName = "Arial";
    const Font font(description);
    const QFontMetrics metrics(font.qfont());
    EXPECT_NEAR(metrics.height(), 14, 2);

    Bitmap bitmap(60, 20);
    QSize extent;
    {
        DrawContext dc(bitmap);
        dc.fillRect(QRect(0, 0, 60, 20), Brush::solid(kBlue));
        dc.setFont(&font);
        dc.setTextColor(kWhite);
        dc.setBackgroundColor(kRed);
        dc.textOut(2, 3, "Ab");
        extent = dc.textExtent("Ab");
        dc.setBackgroundMode(BackgroundMode::transparent);
        dc.textOut(40, 3, "Ab");
    }
    EXPECT_EQ(extent, QSize(metrics.horizontalAdvance("Ab"), metrics.height()));
    // Opaque: the box behind the text is the background colour; nothing above the cell.
    EXPECT_EQ(bitmap.pixel(2 + extent.width() - 1, 3), kRed);
    EXPECT_EQ(bitmap.pixel(2, 2), kBlue);
    // Transparent: no box, but the glyphs are drawn.
    int lit = 0;
    for (int y = 3; y < 3 + extent.height(); ++y)
        for (int x = 40; x < 40 + extent.width(); ++x) {
            EXPECT_NE(bitmap.pixel(x, y), kRed);
            lit += bitmap.pixel(x, y) != kBlue ? 1 : 0;
        }
    EXPECT_GT(lit, 5);
}

TEST(DrawContextTest, FontsFollowTheirCellHeightAndAverageWidth)
{
    struct Case {
        int height;
        int width;
    };
    for (const Case c : {Case{13, 5}, Case{15, 6}, Case{9, 5}, Case{-14, 0}}) {
        LogicalFont description;
        description.height = c.height;
        description.width = c.width;
        description.faceName = "Arial";
        description.pitchAndFamily = 0x22;
        const QFontMetrics metrics(Font(description).qfont());
        SCOPED_TRACE(testing::Message() << c.height << "x" << c.width);
        if (c.height > 0) {
            EXPECT_NEAR(metrics.height(), c.height, 1);
        }
        if (c.width > 0) {
            EXPECT_NEAR(metrics.averageCharWidth(), c.width, 1);
        }
    }
}

TEST(DrawContextTest, PalettesSelectAndRealiseWithoutChangingAnything)
{
    Bitmap bitmap(2, 2);
    const Palette palette({qRgb(1, 2, 3), qRgb(4, 5, 6)});
    DrawContext dc(bitmap);
    EXPECT_EQ(dc.realizePalette(), 0);
    EXPECT_EQ(dc.selectPalette(&palette), nullptr);
    EXPECT_EQ(dc.realizePalette(), 0);
    EXPECT_EQ(dc.selectPalette(nullptr), &palette);
    EXPECT_EQ(palette.entryCount(), 2u);
}

TEST(DrawContextTest, OverAWidgetsPainterItDrawsAtTheDeviceRatioAndLeavesThePainterAsItWas)
{
    for (const int ratio : {1, 2}) {
        SCOPED_TRACE(ratio);
        QImage image(20 * ratio, 10 * ratio, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        QPainter painter(&image);
        const QPen before(Qt::green, 3);
        painter.setPen(before);
        {
            DrawContext dc(painter);
            EXPECT_EQ(dc.size(), QSize(20, 10));
            dc.fillRect(QRect(2, 2, 3, 3), Brush::solid(rgb(255, 0, 0)));
        }
        EXPECT_EQ(painter.pen(), before);
        painter.end();
        // Logical (2, 2) to (4, 4) covers device pixels 2 x ratio to 5 x ratio - 1.
        EXPECT_EQ(image.pixel(2 * ratio, 2 * ratio), qRgb(255, 0, 0));
        EXPECT_EQ(image.pixel(5 * ratio - 1, 5 * ratio - 1), qRgb(255, 0, 0));
        EXPECT_EQ(image.pixel(5 * ratio, 5 * ratio), qRgb(255, 255, 255));
    }
}

TEST(DrawContextTest, PatternInvertTwiceGivesTheOriginalPixels)
{
    QImage image(16, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            image.setPixel(x, y, qRgb(x * 16, y * 16, 77));
    const QImage original = image;
    const QRegion frame = QRegion(2, 2, 10, 8).xored(QRegion(3, 3, 8, 6));
    {
        DrawContext dc(image);
        dc.patternInvert(frame);
    }
    EXPECT_NE(image, original);
    // Inside the frame nothing changed; on it, every other pixel.
    EXPECT_EQ(image.pixel(5, 5), original.pixel(5, 5));
    EXPECT_NE(image.pixel(2, 2), original.pixel(2, 2));
    EXPECT_EQ(image.pixel(3, 2), original.pixel(3, 2));
    {
        DrawContext dc(image);
        dc.patternInvert(frame);
    }
    EXPECT_EQ(image, original);
}

}  // namespace
}  // namespace plat::ui
