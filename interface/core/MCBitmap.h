#pragma once

#include "interface/InterfaceExport.h"

#include "platform/ui/draw/ColorRef.h"

#include <QImage>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <optional>
#include <vector>

class MCPalette;

namespace plat::ui {
class DrawContext;
}

// A device-independent bitmap that owns its header, colour table and pixel rows (bottom-up,
// each row padded to a multiple of 4 bytes) in one block, and can be drawn, recoloured and
// mapped onto a palette. Images from the resource modules are painted at a whole-number scale;
// a bitmap keeps that scale, so its pixels are crisp at that device pixel ratio and its
// logical size is its pixel size divided by the scale.
//
// Colour values are 0x00BBGGRR; for 8-bit images a value whose high byte is 1 is a colour
// index (its low byte), 0 or 2 names the nearest colour of the palette in use (the own, else
// the shared, else the colour table), and any other high byte gives index 0.
class INTERFACE_API MCBitmap {
public:
    static constexpr int kHeaderSize = 40;

    MCBitmap();
    MCBitmap(const MCBitmap& other);
    MCBitmap& operator=(const MCBitmap& other);
    virtual ~MCBitmap();

    // The bytes of one row: whole 32-bit words, for every depth.
    static int CalcScanWidth(int width, int bitsPerPixel);
    static size_t CalcDataSize(int width, int height, int bitsPerPixel);
    // 2, 16 or 256 for 1, 4 and 8 bits per pixel; 0 for the true-colour depths.
    static int ColorCountOf(int bitsPerPixel);

    // 10 x 10 at 8 bits.
    int Create();
    // A blank bitmap: a grey ramp as its colour table, every pixel 0. Depths 1, 4, 8, 16, 24
    // and 32; 0 for any other or a size that is empty or too big.
    int Create(QSize size, int bitsPerPixel);
    // The image of that name or id from the resource module in effect, at scale.
    int Create(const char* name, int scale = 1);
    int Create(uint32_t id, int scale = 1);
    // Loads the resource into this bitmap; with makePalette it also makes an own palette of
    // its colours.
    int AttachResource(const char* name, int makePalette, int scale = 1);

    // The image drawing then uses, made once from the pixels; null without a context or
    // pixels.
    const QImage* CreateSection(plat::ui::DrawContext* dc);
    const QImage* GetSectionBitmap(plat::ui::DrawContext* dc) { return CreateSection(dc); }
    bool HasSection() const { return m_section.has_value(); }

    // With a section, copies the dest-sized block from src's top left; without, stretches src
    // over dest. Coordinates are logical. 0 without pixels or context.
    int Draw(plat::ui::DrawContext* dc, const QRect& dest, const QRect& src);

    // Every pixel of area (logical, top-down) that has from's index gets to's index.
    void ReplacePixels(plat::ui::ColorRef from, plat::ui::ColorRef to, const QRect& area);
    // The byte that holds pixel (x, y), counted from the top left in pixels; null outside.
    uint8_t* GetPixelAddress(int x, int y);
    uint8_t* GetPixelAddress(const QPoint& point) { return GetPixelAddress(point.x(), point.y()); }

    MCPalette* GetPalette() const { return m_palette; }
    void SetPalette(MCPalette* palette);
    void SetAutoDelete(int on) { m_autoDelete = on; }
    int GetAutoDelete() const { return m_autoDelete; }
    // Only with an own palette: the entries realised, 0 here (a true-colour display).
    int UsePalette(plat::ui::DrawContext* dc, int background);

    // 8-bit images: rewrites the pixels so the image shows the same colours through the
    // palette's indexes, and makes the palette its colour table. 0 without a palette or for
    // other depths.
    int MapColorsToPalette();
    // 8-bit images: the colour table entry of from's index becomes to's colour (the palette's
    // colour of to's index when a palette is in use, else to itself). 0 for other depths.
    int ReplaceColorIndex(plat::ui::ColorRef from, plat::ui::ColorRef to);

    QSize GetDimensions() const;
    QSize GetLogicalSize() const;
    int GetScale() const { return m_scale; }
    int GetColorDepth() const;
    int GetNumColors() const { return m_numColors; }
    std::vector<QRgb> GetColorTable() const;
    const uint8_t* GetData() const { return m_pixels; }
    size_t GetDataSize() const;
    bool IsEmpty() const { return m_block.empty(); }

    // The pixels as an image with the bitmap's device pixel ratio; null when empty.
    QImage ToImage() const;
    // The colour index an 8-bit image uses for colour.
    int ColorToIndex(plat::ui::ColorRef colour) const;

protected:
    virtual void Empty();

private:
    bool fromImage(const QImage& image, int scale);
    void pointInto();
    void copyPalette(const MCBitmap& other);
    const MCPalette* paletteInUse() const;
    int32_t headerInt(int offset) const;
    void setHeaderInt(int offset, int32_t value);

    int m_autoDelete = 1;
    int m_numColors = 0;
    MCPalette* m_palette = nullptr;
    std::vector<uint8_t> m_block;
    uint8_t* m_header = nullptr;
    uint8_t* m_colorTable = nullptr;
    uint8_t* m_pixels = nullptr;
    int m_scale = 1;
    std::optional<QImage> m_section;
};
