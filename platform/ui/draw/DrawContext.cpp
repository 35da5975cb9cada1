#include "platform/ui/draw/DrawContext.h"

#include "platform/ui/draw/Bitmap.h"
#include "platform/ui/draw/Brush.h"
#include "platform/ui/draw/Font.h"
#include "platform/ui/draw/Palette.h"
#include "platform/ui/draw/Pen.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <QRegion>

#include <algorithm>

namespace plat::ui {

namespace {

QPainter::CompositionMode compositionOf(RasterOp op)
{
    switch (op) {
    case RasterOp::sourceAnd: return QPainter::RasterOp_SourceAndDestination;
    case RasterOp::sourcePaint: return QPainter::RasterOp_SourceOrDestination;
    case RasterOp::sourceInvert: return QPainter::RasterOp_SourceXorDestination;
    case RasterOp::copy: break;
    }
    return QPainter::CompositionMode_SourceOver;
}

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace

DrawContext::DrawContext(QImage& target, std::function<void()> finished)
    : m_target(&target), m_ownPainter(std::make_unique<QPainter>(&target)), m_painter(m_ownPainter.get()),
      m_finished(std::move(finished)), m_font(QApplication::font())
{
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_painter->setPen(Pen::stock(StockPen::black).qpen());
}

DrawContext::DrawContext(QPainter& painter)
    : m_target(painter.device() && painter.device()->devType() == QInternal::Image
                   ? static_cast<QImage*>(painter.device())
                   : nullptr),
      m_painter(&painter), m_font(QApplication::font())
{
    m_painter->save();
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_painter->setPen(Pen::stock(StockPen::black).qpen());
}

DrawContext::DrawContext(Bitmap& target) : DrawContext(target.image())
{
}

DrawContext::DrawContext(DrawContext&& other) noexcept
    : m_target(other.m_target), m_ownPainter(std::move(other.m_ownPainter)),
      m_painter(std::exchange(other.m_painter, nullptr)), m_finished(std::move(other.m_finished)),
      m_font(other.m_font), m_fontObject(other.m_fontObject), m_textColor(other.m_textColor), m_backgroundColor(other.m_backgroundColor),
      m_backgroundMode(other.m_backgroundMode), m_position(other.m_position), m_palette(other.m_palette)
{
    other.m_finished = nullptr;
}

DrawContext::~DrawContext()
{
    if (!m_painter)
        return;
    if (!m_ownPainter) {
        m_painter->restore();
        return;
    }
    m_painter->end();
    m_ownPainter.reset();
    if (m_finished)
        m_finished();
}

QSize DrawContext::size() const
{
    if (m_target)
        return m_target->deviceIndependentSize().toSize();
    const QPaintDevice* device = m_painter->device();
    return device ? QSize(device->width(), device->height()) : QSize();
}

void DrawContext::blit(int x, int y, int width, int height, const Bitmap& source, int sourceX, int sourceY,
                       RasterOp op)
{
    blit(x, y, width, height, source.image(), sourceX, sourceY, op);
}

void DrawContext::blit(int x, int y, int width, int height, const QImage& source, int sourceX, int sourceY,
                       RasterOp op)
{
    if (width <= 0 || height <= 0 || source.isNull())
        return;
    // Only the part that lies inside the source is copied.
    QRect from(sourceX, sourceY, width, height);
    const QRect inside = from.intersected(source.rect());
    if (inside.isEmpty())
        return;
    const QPoint to(x + inside.x() - sourceX, y + inside.y() - sourceY);
    m_painter->setCompositionMode(compositionOf(op));
    m_painter->drawImage(to, source, inside);
    m_painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void DrawContext::fillRect(const QRect& rect, const Brush& brush)
{
    if (brush.isNull() || rect.isEmpty())
        return;
    m_painter->fillRect(rect, brush.qbrush());
}

void DrawContext::frameRect(const QRect& rect, const Brush& brush)
{
    if (brush.isNull() || rect.isEmpty())
        return;
    const QBrush& b = brush.qbrush();
    m_painter->fillRect(QRect(rect.x(), rect.y(), rect.width(), 1), b);
    m_painter->fillRect(QRect(rect.x(), rect.bottom(), rect.width(), 1), b);
    m_painter->fillRect(QRect(rect.x(), rect.y(), 1, rect.height()), b);
    m_painter->fillRect(QRect(rect.right(), rect.y(), 1, rect.height()), b);
}

void DrawContext::invertRect(const QRect& rect)
{
    if (rect.isEmpty())
        return;
    m_painter->setCompositionMode(QPainter::RasterOp_NotDestination);
    m_painter->fillRect(rect, Qt::black);
    m_painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void DrawContext::patternInvert(const QRegion& region)
{
    if (region.isEmpty())
        return;
    // The halftone pattern: every other pixel set, alternating from row to row.
    static const QBrush halftone = [] {
        QImage tile(2, 2, QImage::Format_RGB32);
        tile.fill(Qt::black);
        tile.setPixel(0, 0, 0xFFFFFFFF);
        tile.setPixel(1, 1, 0xFFFFFFFF);
        return QBrush(tile);
    }();
    m_painter->save();
    m_painter->setClipRegion(region, Qt::IntersectClip);
    m_painter->setBrushOrigin(0, 0);
    m_painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    m_painter->fillRect(region.boundingRect(), halftone);
    m_painter->restore();
}

void DrawContext::drawEdge(const QRect& rect, Edge edge, bool fillFace)
{
    if (rect.width() < 2 || rect.height() < 2)
        return;
    // Outer and inner lines: top-left colour, then bottom-right colour.
    const ColorRef white = rgb(255, 255, 255), light = rgb(223, 223, 223), shadow = rgb(128, 128, 128),
                   dark = rgb(0, 0, 0), face = rgb(192, 192, 192);
    const ColorRef outerTopLeft = edge == Edge::raised ? light : shadow;
    const ColorRef outerBottomRight = edge == Edge::raised ? dark : white;
    const ColorRef innerTopLeft = edge == Edge::raised ? white : dark;
    const ColorRef innerBottomRight = edge == Edge::raised ? shadow : light;
    const auto border = [this](const QRect& r, ColorRef topLeft, ColorRef bottomRight) {
        m_painter->fillRect(QRect(r.x(), r.y(), r.width() - 1, 1), toQColor(topLeft));
        m_painter->fillRect(QRect(r.x(), r.y(), 1, r.height() - 1), toQColor(topLeft));
        m_painter->fillRect(QRect(r.x(), r.bottom(), r.width(), 1), toQColor(bottomRight));
        m_painter->fillRect(QRect(r.right(), r.y(), 1, r.height()), toQColor(bottomRight));
    };
    border(rect, outerTopLeft, outerBottomRight);
    const QRect inner = rect.adjusted(1, 1, -1, -1);
    if (inner.width() >= 2 && inner.height() >= 2)
        border(inner, innerTopLeft, innerBottomRight);
    if (fillFace)
        m_painter->fillRect(rect.adjusted(2, 2, -2, -2), toQColor(face));
}

const Font* DrawContext::setFont(const Font* font)
{
    m_font = font ? font->qfont() : QApplication::font();
    return std::exchange(m_fontObject, font);
}

ColorRef DrawContext::setTextColor(ColorRef color)
{
    return std::exchange(m_textColor, color);
}

void DrawContext::setBackgroundColor(ColorRef color)
{
    m_backgroundColor = color;
}

void DrawContext::setBackgroundMode(BackgroundMode mode)
{
    m_backgroundMode = mode;
}

void DrawContext::textOut(int x, int y, std::string_view text)
{
    if (text.empty())
        return;
    const QString string = toQString(text);
    const QFontMetrics metrics(m_font);
    if (m_backgroundMode == BackgroundMode::opaque)
        m_painter->fillRect(QRect(x, y, metrics.horizontalAdvance(string), metrics.height()),
                            toQColor(m_backgroundColor));
    const QPen pen = m_painter->pen();
    m_painter->setFont(m_font);
    m_painter->setPen(toQColor(m_textColor));
    m_painter->drawText(QPoint(x, y + metrics.ascent()), string);
    m_painter->setPen(pen);
}

QSize DrawContext::textExtent(std::string_view text) const
{
    const QFontMetrics metrics(m_font);
    return QSize(metrics.horizontalAdvance(toQString(text)), metrics.height());
}

void DrawContext::setPen(const Pen& pen)
{
    m_painter->setPen(pen.qpen());
}

void DrawContext::moveTo(int x, int y)
{
    m_position = QPoint(x, y);
}

void DrawContext::lineTo(int x, int y)
{
    const QPoint from = m_position;
    const QPoint to(x, y);
    m_position = to;
    if (from == to)
        return;
    // The last pixel is not drawn: step back one pixel along the line's main direction.
    const int dx = to.x() - from.x(), dy = to.y() - from.y();
    QPoint end = to;
    if (std::abs(dx) >= std::abs(dy))
        end.rx() -= dx > 0 ? 1 : -1;
    else
        end.ry() -= dy > 0 ? 1 : -1;
    m_painter->drawLine(from, end);
}

void DrawContext::setPixel(int x, int y, ColorRef color)
{
    if (!m_target || m_target->valid(x, y))
        m_painter->fillRect(QRect(x, y, 1, 1), toQColor(color));
}

ColorRef DrawContext::pixel(int x, int y) const
{
    return m_target && m_target->valid(x, y) ? fromQColor(m_target->pixelColor(x, y)) : 0;
}

const Palette* DrawContext::selectPalette(const Palette* palette)
{
    return std::exchange(m_palette, palette);
}

int DrawContext::realizePalette()
{
    return m_palette ? m_palette->realize() : 0;
}

QPainter& DrawContext::painter()
{
    return *m_painter;
}

}  // namespace plat::ui
