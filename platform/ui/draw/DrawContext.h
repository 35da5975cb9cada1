#pragma once

#include "platform/ui/PlatUiExport.h"

#include "platform/ui/draw/ColorRef.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>

#include <functional>
#include <memory>
#include <string_view>

class QPainter;
class QRegion;

namespace plat::ui {

class Bitmap;
class Brush;
class Font;
class Palette;
class Pen;

// How a copied image combines with what is already there.
enum class RasterOp { copy, sourceAnd, sourcePaint, sourceInvert };

// Whether text is drawn on a box of the background colour or straight onto what is there.
enum class BackgroundMode { transparent, opaque };

// The classic three-dimensional edges: two lines of light and shadow on each side.
enum class Edge { raised, sunken };

// A drawing handle: a painter on an image (a window's retained image, or a bitmap used as
// a memory surface) with the state the classic drawing calls keep between calls: the
// selected font, pen, palette, text and background colours, background mode and the
// current position for lines. Rectangles are (x, y, width, height). Everything is drawn
// without smoothing, so single pixels land where they are asked for.
//
// The handle must not outlive its image. When it ends it calls its finish callback (a
// window uses it to show what was drawn). A handle over a painter a widget's paintEvent
// made draws in the widget's logical coordinates at the screen's resolution; it leaves the
// painter's own settings as it found them.
class PLATUI_API DrawContext {
public:
    explicit DrawContext(QImage& target, std::function<void()> finished = {});
    explicit DrawContext(Bitmap& target);
    explicit DrawContext(QPainter& painter);
    ~DrawContext();
    DrawContext(DrawContext&&) noexcept;
    DrawContext& operator=(DrawContext&&) = delete;
    DrawContext(const DrawContext&) = delete;
    DrawContext& operator=(const DrawContext&) = delete;

    QSize size() const;

    // Copies width x height pixels from (sourceX, sourceY) of source to (x, y); the parts
    // outside either image are left alone.
    void blit(int x, int y, int width, int height, const Bitmap& source, int sourceX, int sourceY,
              RasterOp op = RasterOp::copy);
    void blit(int x, int y, int width, int height, const QImage& source, int sourceX, int sourceY,
              RasterOp op = RasterOp::copy);

    void fillRect(const QRect& rect, const Brush& brush);
    // A one-pixel border inside the rectangle.
    void frameRect(const QRect& rect, const Brush& brush);
    // Inverts every pixel of the rectangle.
    void invertRect(const QRect& rect);
    // Inverts the pixels of region where the halftone pattern is set (every other pixel,
    // in a checkerboard); drawing it twice gives the original pixels back.
    void patternInvert(const QRegion& region);
    void drawEdge(const QRect& rect, Edge edge, bool fillFace = false);

    // The font for text; null selects the default font. Answers the font selected before.
    const Font* setFont(const Font* font);
    const Font* font() const { return m_fontObject; }
    // Answers the colour set before.
    ColorRef setTextColor(ColorRef color);
    ColorRef textColor() const { return m_textColor; }
    void setBackgroundColor(ColorRef color);
    void setBackgroundMode(BackgroundMode mode);
    // Draws text with the top left of its cell at (x, y).
    void textOut(int x, int y, std::string_view text);
    QSize textExtent(std::string_view text) const;

    void setPen(const Pen& pen);
    void moveTo(int x, int y);
    // A line from the current position up to (but not including) (x, y), which becomes the
    // current position.
    void lineTo(int x, int y);

    void setPixel(int x, int y, ColorRef color);
    ColorRef pixel(int x, int y) const;

    // Selects a palette and answers the one selected before (null for none).
    const Palette* selectPalette(const Palette* palette);
    // Realises the selected palette: the number of entries that changed.
    int realizePalette();

    QPainter& painter();

private:
    QImage* m_target;
    std::unique_ptr<QPainter> m_ownPainter;
    QPainter* m_painter;
    std::function<void()> m_finished;
    QFont m_font;
    const Font* m_fontObject = nullptr;
    ColorRef m_textColor = 0;
    ColorRef m_backgroundColor = 0xFFFFFF;
    BackgroundMode m_backgroundMode = BackgroundMode::opaque;
    QPoint m_position;
    const Palette* m_palette = nullptr;
};

}  // namespace plat::ui
