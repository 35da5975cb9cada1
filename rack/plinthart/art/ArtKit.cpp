#include "rack/plinthart/art/ArtKit.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>

namespace rack::art {

namespace {

constexpr QColor kWell(23, 24, 27);
constexpr QColor kEdgeLight(88, 92, 100);
constexpr QColor kEdgeDark(12, 13, 15);
constexpr QColor kInk(34, 36, 40);
constexpr QColor kInkDisabled(132, 136, 143);

// A small repeatable random sequence, so the grain of a panel is the same on every load.
class Grain {
public:
    explicit Grain(uint32_t seed) : m_state(seed * 2654435761u + 1u) {}
    int next(int range)
    {
        m_state = m_state * 1664525u + 1013904223u;
        return int((m_state >> 8) % uint32_t(range));
    }

private:
    uint32_t m_state;
};

QFont printFont(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(pixelSize, 5));
    font.setBold(bold);
    return font;
}

// Which of the segments a to g (top, top right, bottom right, bottom, bottom left, top left,
// middle) each digit lights.
constexpr std::array<uint8_t, 10> kSegments = {
    0b0111111, 0b0000110, 0b1011011, 0b1001111, 0b1100110, 0b1101101, 0b1111101, 0b0000111, 0b1111111, 0b1101111,
};

}  // namespace

QColor ArtKit::panelColor()
{
    return QColor(45, 47, 52);
}

QColor ArtKit::labelColor()
{
    return QColor(186, 190, 198);
}

QColor ArtKit::digitColor()
{
    return QColor(64, 232, 255);
}

QColor ArtKit::accentColor(Glyph glyph)
{
    switch (glyph) {
    case Glyph::record: return QColor(238, 44, 44);
    case Glyph::pause: return QColor(255, 176, 32);
    case Glyph::loop:
    case Glyph::playLoop:
    case Glyph::play: return QColor(60, 214, 96);
    case Glyph::mixer:
    case Glyph::wave:
    case Glyph::midi:
    case Glyph::cd: return QColor(64, 224, 255);
    default: return QColor(255, 176, 32);
    }
}

QImage ArtKit::canvas(int width, int height, QColor fill)
{
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

void ArtKit::panel(QPainter& painter, const QRect& rect, uint32_t seed)
{
    QLinearGradient shade(rect.topLeft(), rect.bottomLeft());
    shade.setColorAt(0.0, QColor(58, 61, 67));
    shade.setColorAt(0.5, panelColor());
    shade.setColorAt(1.0, QColor(33, 35, 39));
    painter.fillRect(rect, shade);
    // Brushing: faint horizontal streaks of lighter and darker metal.
    Grain grain(seed);
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int streaks = 0; streaks < std::max(1, rect.width() / 90); ++streaks) {
            const int length = 20 + grain.next(140);
            const int x = rect.left() + grain.next(std::max(1, rect.width()));
            const bool light = grain.next(2) == 0;
            painter.fillRect(QRect(x, y, std::min(length, rect.right() - x + 1), 1),
                             light ? QColor(255, 255, 255, 7 + grain.next(6)) : QColor(0, 0, 0, 10 + grain.next(8)));
        }
    }
    bevel(painter, rect, true);
}

void ArtKit::bevel(QPainter& painter, const QRect& rect, bool raised)
{
    const QColor topLeft = raised ? kEdgeLight : kEdgeDark;
    const QColor bottomRight = raised ? kEdgeDark : kEdgeLight;
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), topLeft);
    painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), topLeft);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), bottomRight);
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), bottomRight);
}

void ArtKit::well(QPainter& painter, const QRect& rect)
{
    painter.fillRect(rect, kWell);
    bevel(painter, rect, false);
    painter.fillRect(QRect(rect.left() + 1, rect.top() + 1, rect.width() - 2, 1), QColor(8, 8, 10));
}

void ArtKit::glass(QPainter& painter, const QRect& rect)
{
    // Pure black inside, so digits and texts copied onto it meet no edge.
    painter.fillRect(rect, Qt::black);
    bevel(painter, rect, false);
    painter.fillRect(QRect(rect.left() + 1, rect.top() + 1, rect.width() - 2, 1), QColor(8, 9, 11));
    painter.fillRect(QRect(rect.left() + 1, rect.top() + 1, 1, rect.height() - 2), QColor(8, 9, 11));
}

void ArtKit::print(QPainter& painter, const QRect& rect, const QString& text, int pixelSize, Qt::Alignment alignment,
                   QColor color)
{
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setFont(printFont(pixelSize, true));
    painter.setPen(color);
    painter.drawText(rect, int(alignment), text);
    painter.restore();
}

void ArtKit::grille(QPainter& painter, const QRect& rect)
{
    for (int x = rect.left(); x + 2 <= rect.right(); x += 4) {
        painter.fillRect(QRect(x, rect.top(), 2, rect.height()), QColor(10, 10, 12));
        painter.fillRect(QRect(x + 2, rect.top(), 1, rect.height()), QColor(70, 74, 80));
    }
}

void ArtKit::segmentDigit(QPainter& painter, const QRect& cell, int digit, QColor lit, QColor dark)
{
    const int w = cell.width(), h = cell.height();
    const int t = std::max(1, int(std::lround(w / 5.0)));
    const int insetX = w >= 8 ? 1 : 0;
    const int insetY = h >= 12 ? 1 : 0;
    const int left = cell.left() + insetX, right = cell.right() - insetX;
    const int top = cell.top() + insetY, bottom = cell.bottom() - insetY;
    const int middle = cell.top() + (h - t) / 2;
    const QRect segments[7] = {
        QRect(left + t, top, right - left + 1 - 2 * t, t),                          // a
        QRect(right - t + 1, top + t, t, middle - top - t),                         // b
        QRect(right - t + 1, middle + t, t, bottom - t + 1 - middle - t),           // c
        QRect(left + t, bottom - t + 1, right - left + 1 - 2 * t, t),               // d
        QRect(left, middle + t, t, bottom - t + 1 - middle - t),                    // e
        QRect(left, top + t, t, middle - top - t),                                  // f
        QRect(left + t, middle, right - left + 1 - 2 * t, t),                       // g
    };
    const uint8_t on = digit >= 0 && digit <= 9 ? kSegments[size_t(digit)] : 0;
    for (int s = 0; s < 7; ++s)
        painter.fillRect(segments[s], (on >> s) & 1 ? lit : dark);
}

void ArtKit::colon(QPainter& painter, const QRect& cell, QColor color)
{
    const int dot = std::min(2, cell.width());
    painter.fillRect(QRect(cell.left(), cell.top() + cell.height() * 3 / 10, dot, dot), color);
    painter.fillRect(QRect(cell.left(), cell.top() + cell.height() * 13 / 20, dot, dot), color);
}

void ArtKit::lamp(QPainter& painter, const QRect& rect, QColor hue, bool lit)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPointF centre = QRectF(rect).center();
    QRadialGradient light(centre - QPointF(rect.width() * 0.15, rect.height() * 0.15), rect.width() * 0.6);
    if (lit) {
        light.setColorAt(0.0, hue.lighter(170));
        light.setColorAt(0.5, hue);
        light.setColorAt(1.0, hue.darker(160));
    } else {
        light.setColorAt(0.0, hue.darker(260));
        light.setColorAt(1.0, hue.darker(520));
    }
    painter.setPen(QPen(QColor(8, 8, 10), 1));
    painter.setBrush(light);
    painter.drawEllipse(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5));
    painter.restore();
}

void ArtKit::levelColumn(QPainter& painter, const QRect& rect, bool lit)
{
    painter.fillRect(rect, QColor(6, 7, 8));
    const int rows = std::max(1, rect.height() / 3);
    for (int i = 0; i < rows; ++i) {
        const double level = double(i) / rows;
        QColor color = level < 0.6 ? QColor(47, 224, 90) : level < 0.85 ? QColor(245, 210, 31) : QColor(255, 59, 48);
        if (!lit)
            color = color.darker(520);
        painter.fillRect(QRect(rect.left(), rect.bottom() - i * 3 - 1, rect.width(), 2), color);
    }
}

void ArtKit::key(QPainter& painter, const QRect& rect, KeyLook look, Glyph glyph, const QString& label)
{
    painter.save();
    painter.fillRect(rect, kWell);
    const QRect cap = rect.adjusted(0, 0, -1, -1);
    QLinearGradient face(cap.topLeft(), cap.bottomLeft());
    switch (look) {
    case KeyLook::up:
    case KeyLook::latched:
        face.setColorAt(0.0, QColor(240, 242, 245));
        face.setColorAt(0.55, QColor(214, 217, 222));
        face.setColorAt(1.0, QColor(178, 182, 189));
        break;
    case KeyLook::down:
        face.setColorAt(0.0, QColor(166, 170, 177));
        face.setColorAt(1.0, QColor(200, 204, 210));
        break;
    case KeyLook::disabled:
        face.setColorAt(0.0, QColor(182, 185, 190));
        face.setColorAt(1.0, QColor(160, 163, 168));
        break;
    }
    // The cap: a dark outline with its corners cut, the face, and light on the raised side.
    const QRect inner = cap.adjusted(1, 1, 0, 0);
    painter.fillRect(inner, face);
    painter.fillRect(QRect(cap.left() + 1, cap.top(), cap.width() - 2, 1), QColor(14, 15, 17));
    painter.fillRect(QRect(cap.left() + 1, cap.bottom() + 1, cap.width() - 1, 1), QColor(14, 15, 17));
    painter.fillRect(QRect(cap.left(), cap.top() + 1, 1, cap.height() - 1), QColor(14, 15, 17));
    painter.fillRect(QRect(cap.right() + 1, cap.top() + 1, 1, cap.height()), QColor(14, 15, 17));
    const bool pressed = look == KeyLook::down;
    const QColor highlight = pressed ? QColor(120, 125, 132) : QColor(255, 255, 255);
    const QColor shadow = pressed ? QColor(214, 217, 222) : QColor(128, 133, 140);
    painter.fillRect(QRect(inner.left(), inner.top(), inner.width(), 1), highlight);
    painter.fillRect(QRect(inner.left(), inner.top(), 1, inner.height()), highlight);
    painter.fillRect(QRect(inner.left(), inner.bottom(), inner.width(), 1), shadow);
    painter.fillRect(QRect(inner.right(), inner.top(), 1, inner.height()), shadow);

    const QRect content = inner.adjusted(2, 2, -2, -2).translated(pressed ? 1 : 0, pressed ? 1 : 0);
    QColor ink = look == KeyLook::disabled ? kInkDisabled : kInk;
    if (look == KeyLook::latched) {
        // A lit key: a glowing bar along its top and its pictogram in the key's colour.
        const QColor accent = accentColor(glyph);
        painter.fillRect(QRect(content.left() + 2, inner.top() + 1, content.width() - 4, 2), accent);
        painter.fillRect(QRect(content.left() + 2, inner.top() + 3, content.width() - 4, 1), accent.lighter(140).darker(130));
        ink = glyph == Glyph::none ? accent.darker(170) : accent.darker(accent.lightness() > 150 ? 150 : 115);
    } else if (glyph == Glyph::record && look != KeyLook::disabled) {
        ink = QColor(200, 34, 40);
    }

    const bool both = glyph != Glyph::none && !label.isEmpty();
    const int glyphHeight = std::clamp(content.height() * 9 / 16, 5, 12);
    if (both) {
        const QRect glyphBox(content.left() + 3, content.center().y() - glyphHeight / 2 + 1, glyphHeight + 4, glyphHeight);
        ArtKit::glyph(painter, glyphBox, glyph, ink);
        print(painter, content.adjusted(glyphBox.width() + 5, 1, 0, 1), label, std::clamp(content.height() / 2, 6, 9),
              Qt::AlignCenter, ink);
    } else if (glyph != Glyph::none) {
        const int glyphWidth = std::min(content.width() - 2, glyphHeight * 3 / 2 + 2);
        const QRect glyphBox(content.center().x() - glyphWidth / 2 + 1, content.center().y() - glyphHeight / 2 + 1,
                             glyphWidth, glyphHeight);
        ArtKit::glyph(painter, glyphBox, glyph, ink);
    } else if (!label.isEmpty()) {
        print(painter, content.adjusted(0, 1, 0, 1), label, std::clamp(content.height() / 2, 6, 9), Qt::AlignCenter, ink);
    }
    painter.restore();
}

void ArtKit::glyph(QPainter& painter, const QRect& box, Glyph glyph, QColor color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    const QRectF r(box);
    const double h = r.height(), cy = r.center().y();
    const auto triangle = [&](double x, double width, bool right) {
        QPainterPath path;
        if (right) {
            path.moveTo(x, r.top());
            path.lineTo(x + width, cy);
            path.lineTo(x, r.bottom());
        } else {
            path.moveTo(x + width, r.top());
            path.lineTo(x, cy);
            path.lineTo(x + width, r.bottom());
        }
        path.closeSubpath();
        painter.drawPath(path);
    };
    const double tw = h * 0.85;  // the width of one arrow head
    switch (glyph) {
    case Glyph::none: break;
    case Glyph::play: triangle(r.center().x() - tw / 2, tw, true); break;
    case Glyph::playLoop: {
        triangle(r.center().x() - tw, tw, true);
        QPen pen(color, std::max(1.2, h / 7));
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const QRectF ring(r.center().x() + 1, cy - h * 0.35, h * 0.7, h * 0.7);
        painter.drawArc(ring, 60 * 16, 280 * 16);
        break;
    }
    case Glyph::record: {
        const double d = h * 0.95;
        painter.drawEllipse(QRectF(r.center().x() - d / 2, cy - d / 2, d, d));
        break;
    }
    case Glyph::pause: {
        const double bar = std::max(2.0, h * 0.3);
        painter.drawRect(QRectF(r.center().x() - bar - h * 0.12, r.top(), bar, h));
        painter.drawRect(QRectF(r.center().x() + h * 0.12, r.top(), bar, h));
        break;
    }
    case Glyph::stop: painter.drawRect(QRectF(r.center().x() - h * 0.45, cy - h * 0.45, h * 0.9, h * 0.9)); break;
    case Glyph::previous: {
        const double bar = std::max(1.5, h * 0.18);
        const double x = r.center().x() - (bar + tw) / 2;
        painter.drawRect(QRectF(x, r.top(), bar, h));
        triangle(x + bar, tw, false);
        break;
    }
    case Glyph::next: {
        const double bar = std::max(1.5, h * 0.18);
        const double x = r.center().x() - (bar + tw) / 2;
        triangle(x, tw, true);
        painter.drawRect(QRectF(x + tw, r.top(), bar, h));
        break;
    }
    case Glyph::scanBack:
        triangle(r.center().x() - tw * 0.9, tw * 0.9, false);
        triangle(r.center().x(), tw * 0.9, false);
        break;
    case Glyph::scanForward:
        triangle(r.center().x() - tw * 0.9, tw * 0.9, true);
        triangle(r.center().x(), tw * 0.9, true);
        break;
    case Glyph::eject: {
        QPainterPath path;
        const double w = h * 1.2;
        path.moveTo(r.center().x() - w / 2, r.top() + h * 0.62);
        path.lineTo(r.center().x(), r.top());
        path.lineTo(r.center().x() + w / 2, r.top() + h * 0.62);
        path.closeSubpath();
        painter.drawPath(path);
        painter.drawRect(QRectF(r.center().x() - w / 2, r.top() + h * 0.78, w, h * 0.22));
        break;
    }
    case Glyph::loop: {
        QPen pen(color, std::max(1.4, h / 5.5));
        pen.setCapStyle(Qt::FlatCap);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const double w = h * 1.6;
        const QRectF ring(r.center().x() - w / 2, cy - h * 0.4, w, h * 0.8);
        painter.drawRoundedRect(ring, h * 0.38, h * 0.38);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        QPainterPath head;
        head.moveTo(r.center().x() + h * 0.05, ring.top() - h * 0.28);
        head.lineTo(r.center().x() + h * 0.5, ring.top());
        head.lineTo(r.center().x() + h * 0.05, ring.top() + h * 0.28);
        head.closeSubpath();
        painter.drawPath(head);
        break;
    }
    case Glyph::list: {
        const double line = std::max(1.5, h / 5.5);
        for (int i = 0; i < 3; ++i) {
            const double y = r.top() + i * (h - line) / 2;
            painter.drawRect(QRectF(r.left(), y, line, line));
            painter.drawRect(QRectF(r.left() + line * 2, y, r.width() - line * 2, line));
        }
        break;
    }
    case Glyph::setup:
    case Glyph::mixer: {
        const double line = std::max(1.0, h / 9);
        const double knob = std::max(2.0, h / 3.5);
        const double stops[3] = {0.35, 0.7, 0.2};
        for (int i = 0; i < 3; ++i) {
            const double x = r.left() + r.width() * (i + 0.5) / 3;
            painter.drawRect(QRectF(x - line / 2, r.top(), line, h));
            painter.drawRect(QRectF(x - knob * 0.8, r.top() + h * stops[i] - knob / 2, knob * 1.6, knob));
        }
        break;
    }
    case Glyph::wave: {
        QPen pen(color, std::max(1.2, h / 6));
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        QPainterPath path;
        for (int i = 0; i <= 24; ++i) {
            const double x = r.left() + r.width() * i / 24;
            const double y = cy - std::sin(i * 3.14159265 / 6) * h * 0.42 * (1.0 - std::abs(i - 12) / 16.0);
            i == 0 ? path.moveTo(x, y) : path.lineTo(x, y);
        }
        painter.drawPath(path);
        break;
    }
    case Glyph::midi: {
        painter.setPen(QPen(color, std::max(1.0, h / 8)));
        painter.setBrush(Qt::NoBrush);
        const double d = h * 0.95;
        const QRectF socket(r.center().x() - d / 2, cy - d / 2, d, d);
        painter.drawEllipse(socket);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        const double pin = std::max(1.2, d / 7);
        for (int i = 0; i < 5; ++i) {
            const double angle = 3.14159265 * (1.0 + i / 4.0);
            const QPointF at(socket.center().x() + std::cos(angle) * d * 0.3, socket.center().y() + std::sin(angle) * -d * 0.3 + d * 0.05);
            painter.drawEllipse(at, pin / 2, pin / 2);
        }
        break;
    }
    case Glyph::cd: {
        const double d = h * 0.98;
        QPainterPath disc;
        disc.addEllipse(QRectF(r.center().x() - d / 2, cy - d / 2, d, d));
        disc.addEllipse(QRectF(r.center().x() - d * 0.14, cy - d * 0.14, d * 0.28, d * 0.28));
        disc.setFillRule(Qt::OddEvenFill);
        painter.drawPath(disc);
        break;
    }
    }
    painter.restore();
}

}  // namespace rack::art
