#include "rack/plinthart/DigitDisplay.h"

#include "rack/plinthart/GraphicCache.h"

#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/rackwindow/Window.h"

#include <optional>

namespace rack {

namespace {

using plat::ui::DrawContext;

// Runs draw on dc, or on the window's own drawing handle, with the shared palette selected.
template <class Draw>
void onContext(plat::ui::Window* window, DrawContext* dc, Draw draw)
{
    std::optional<DrawContext> own;
    if (!dc) {
        if (!plat::ui::Window::isWindow(window))
            return;
        own.emplace(window->drawContext());
        dc = &*own;
    }
    const plat::ui::Palette* previous = dc->selectPalette(GetGraphicPalette());
    dc->realizePalette();
    draw(*dc);
    dc->selectPalette(previous);
}

void digit(DrawContext& dc, const plat::ui::Bitmap& strip, int x, int y, int value)
{
    dc.blit(x, y, kDigitWidth, kDigitHeight, strip, kDigitWidth * value, 0);
}

}  // namespace

void PaintTime(plat::ui::Window* window, DrawContext* dc, int x, int y, int32_t tenths, bool lit)
{
    const plat::ui::Bitmap* strip = GetGraphicDigit(lit ? kDigitsCyan : kDigitsOff);
    if (!strip)
        return;
    // A negative time would pick cells outside the strip.
    const int32_t time = tenths < 0 ? 0 : tenths;
    const int minutes = int(time / 600 % 60);
    const int seconds = int(time / 10 % 60);
    onContext(window, dc, [&](DrawContext& target) {
        digit(target, *strip, x, y, minutes / 10);
        digit(target, *strip, x + 14, y, minutes % 10);
        target.blit(x + 26, y, kColonWidth, kDigitHeight, *strip, kColonX, 0);
        digit(target, *strip, x + 30, y, seconds / 10);
        digit(target, *strip, x + 42, y, seconds % 10);
    });
}

void Paint_NN_Index(plat::ui::Window* window, DrawContext* dc, int x, int y, int32_t index, bool lit)
{
    const plat::ui::Bitmap* strip = GetGraphicDigit(lit ? kDigitsCyan : kDigitsOff);
    if (!strip)
        return;
    // Two digits: a number of three shows its last two (the tens of 100 would be cell 10,
    // the colon); a negative one shows 00.
    const int64_t shown = int64_t(index) + 1;
    const int number = shown < 0 ? 0 : int(shown % 100);
    onContext(window, dc, [&](DrawContext& target) {
        digit(target, *strip, x, y, number / 10);
        digit(target, *strip, x + 14, y, number % 10);
    });
}

}  // namespace rack
