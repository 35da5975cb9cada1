#include "rack/plinthart/ResourceBitmap.h"

#include "platform/ui/draw/BitmapResources.h"

#include <unordered_set>

namespace rack {

namespace {

// The colour table of an image made for 2^bits colours: its own colours in the order met,
// then black.
std::vector<QRgb> colorTable(const QImage& image, int bits)
{
    const size_t size = size_t(1) << bits;
    std::vector<QRgb> table;
    std::unordered_set<QRgb> seen;
    for (int y = 0; y < image.height() && table.size() < size; ++y)
        for (int x = 0; x < image.width() && table.size() < size; ++x) {
            const QRgb color = image.pixel(x, y) | 0xFF000000u;
            if (seen.insert(color).second)
                table.push_back(color);
        }
    table.resize(size, qRgb(0, 0, 0));
    return table;
}

}  // namespace

std::unique_ptr<plat::ui::Bitmap> LoadResourceBitmap(std::string_view module, std::string_view resourceName,
                                                    std::unique_ptr<plat::ui::Palette>* palette)
{
    if (palette)
        palette->reset();
    std::optional<plat::ui::BitmapResources::Loaded> loaded = plat::ui::BitmapResources::load(module, resourceName);
    if (!loaded)
        return nullptr;
    if (palette && loaded->colorTableBits >= 1 && loaded->colorTableBits <= 8)
        *palette = std::make_unique<plat::ui::Palette>(colorTable(loaded->image, loaded->colorTableBits));
    return std::make_unique<plat::ui::Bitmap>(std::move(loaded->image));
}

std::unique_ptr<plat::ui::Brush> PlinthCreateSolidBrush(plat::ui::ColorRef color)
{
    return std::make_unique<plat::ui::Brush>(plat::ui::Brush::solid(color));
}

std::unique_ptr<plat::ui::Brush> CreateBrush(uint32_t style, plat::ui::ColorRef color, uintptr_t hatch)
{
    switch (style) {
    case kBrushStyleSolid: return PlinthCreateSolidBrush(color);
    case kBrushStyleNull: return std::make_unique<plat::ui::Brush>(plat::ui::Brush::null());
    case kBrushStyleHatched:
        if (hatch > uintptr_t(plat::ui::Hatch::diagonalCross))
            return nullptr;
        return std::make_unique<plat::ui::Brush>(plat::ui::Brush::hatched(plat::ui::Hatch(hatch), color));
    default: return nullptr;
    }
}

}  // namespace rack
