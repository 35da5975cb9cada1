#include "rack/plinthart/ShadowPainting.h"

#include "rack/plinthart/GraphicCache.h"

#include "platform/ui/draw/Brush.h"
#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/rackwindow/Window.h"

#include <optional>

namespace rack {

namespace {

using plat::ui::Brush;
using plat::ui::DrawContext;
using plat::ui::StockBrush;

}  // namespace

void BlackFill(DrawContext& dc, int x, int y, int width, int height)
{
    dc.fillRect(QRect(x, y, width, height), Brush::stock(StockBrush::black));
}

void WhiteFill(DrawContext& dc, int x, int y, int width, int height)
{
    dc.fillRect(QRect(x, y, width, height), Brush::stock(StockBrush::white));
}

void BlackFrame(DrawContext& dc, int x, int y, int width, int height)
{
    dc.frameRect(QRect(x, y, width, height), Brush::stock(StockBrush::black));
}

int GetColorShadowing(plat::ui::ColorRef color, const Brush** dark, const Brush** light)
{
    const uint32_t green = (color >> 8) & 0xFF;
    const uint32_t blue = (color >> 16) & 0xFF;
    const Brush* shadow;
    const Brush* lit;
    if (green <= 91 && blue <= 91 && color <= 0x5BFFFFFFu) {
        lit = &Brush::stock(StockBrush::lightGray);
        shadow = &Brush::stock(StockBrush::black);
    } else if (green <= 128 && blue <= 128 && color <= 0x80FFFFFFu) {
        lit = &Brush::stock(StockBrush::lightGray);
        shadow = &Brush::stock(StockBrush::darkGray);
    } else {
        lit = &Brush::stock(StockBrush::white);
        shadow = &Brush::stock(StockBrush::gray);
    }
    if (dark)
        *dark = shadow;
    if (light)
        *light = lit;
    return 1;
}

void MakeShadowLine(DrawContext& dc, int x, int y, int width, plat::ui::ColorRef color, bool raised)
{
    const Brush* dark = nullptr;
    const Brush* light = nullptr;
    GetColorShadowing(color, &dark, &light);
    dc.fillRect(QRect(x, y, width, 1), raised ? *light : *dark);
    dc.fillRect(QRect(x, y + 1, width, 1), Brush::stock(StockBrush::black));
    dc.fillRect(QRect(x, y + 2, width, 1), raised ? *dark : *light);
}

void MakeShadowFrame(DrawContext& dc, int x, int y, int width, int height, int depth, plat::ui::ColorRef color,
                     const Brush* fill, bool raised)
{
    const Brush* dark = nullptr;
    const Brush* light = nullptr;
    GetColorShadowing(color, &dark, &light);
    const Brush& first = raised ? *light : *dark;
    const Brush& second = raised ? *dark : *light;
    dc.fillRect(QRect(x, y, width, depth), first);
    dc.fillRect(QRect(x, y, depth, height), first);
    for (int k = 0; k < depth; ++k) {
        dc.fillRect(QRect(x + width - 1 - k, y + k + 1, 1, height - k - 1), second);
        dc.fillRect(QRect(x + k + 1, y + height - 1 - k, width - 1 - k, 1), second);
    }
    if (fill)
        dc.fillRect(QRect(x + depth, y + depth, width - 2 * depth, height - 2 * depth), *fill);
}

void MakeShadowBox(DrawContext& dc, int x, int y, int width, int height, int depth, plat::ui::ColorRef color,
                   bool raised)
{
    MakeShadowFrame(dc, x, y, width, height, depth, color, &Brush::stock(StockBrush::black), raised);
}

void PaintSmoothFrame(plat::ui::Window* window, DrawContext* dc, int x, int y, int width, int height, bool withBar)
{
    std::optional<DrawContext> own;
    if (!dc) {
        if (!plat::ui::Window::isWindow(window))
            return;
        own.emplace(window->drawContext());
        dc = &*own;
    }
    if (const plat::ui::Bitmap* tile = GetGraphicPart(kPartTile))
        dc->fillRect(QRect(x, y, width, height), Brush::pattern(*tile));
    if (withBar)
        dc->fillRect(QRect(x, y + height - 4, width, 4), Brush::stock(StockBrush::black));
    const plat::ui::Bitmap* top = GetGraphicPart(kPartSmoothTop);
    const plat::ui::Bitmap* bottom = GetGraphicPart(kPartSmoothBottom);
    const int bottomY = y + height - (withBar ? 20 : 16);
    // The last cell first, at the right edge, then whole cells from the left.
    if (top)
        dc->blit(x + width - 32, y, 32, 16, *top, 0, 0);
    if (bottom)
        dc->blit(x + width - 32, bottomY, 32, 16, *bottom, 0, 16);
    for (int cell = 0; cell < width / 32; ++cell) {
        if (top)
            dc->blit(x + 32 * cell, y, 32, 32, *top, 0, 0);
        if (bottom)
            dc->blit(x + 32 * cell, bottomY, 32, 16, *bottom, 0, 16);
    }
}

}  // namespace rack
