#include "app/core/AppImages.h"

#include "app/core/AppStrings.h"
#include "platform/ui/resource/ImageResources.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPixmap>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <array>
#include <cmath>

namespace AppImages {

namespace {

// A filled note head with its stem, at (x, y) on the staff.
void drawNote(QPainter& p, double x, double y, bool stemUp)
{
    p.save();
    p.translate(x, y);
    p.rotate(-20);
    p.drawEllipse(QRectF(-7, -5, 14, 10));
    p.restore();
    const double stemX = stemUp ? x + 6.2 : x - 6.2;
    p.drawLine(QPointF(stemX, y), QPointF(stemX, stemUp ? y - 38 : y + 38));
}

}  // namespace

namespace {

constexpr int kSplashWidth = 530;
constexpr int kSplashHeight = 460;
constexpr QRect kTitleRect(0, 70, kSplashWidth, 100);
// Below the name with room for the tail of its Q, above the staff.
constexpr QRect kSubtitleRect(0, 182, kSplashWidth, 30);
const char* const kSubtitle = "Compose  \u00b7  Sequence  \u00b7  Play";

QFont subtitleFont()
{
    return QFont("DejaVu Sans", 13);
}

}  // namespace

void PaintSplashArt(QPainter& p)
{
    const int w = kSplashWidth;
    const int h = kSplashHeight;
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0.0, QColor(12, 20, 48));
    sky.setColorAt(0.6, QColor(28, 44, 96));
    sky.setColorAt(1.0, QColor(8, 12, 30));
    p.fillRect(QRect(0, 0, w, h), sky);
    QRadialGradient glow(QPointF(w * 0.7, h * 0.35), 260);
    glow.setColorAt(0.0, QColor(90, 140, 220, 120));
    glow.setColorAt(1.0, QColor(90, 140, 220, 0));
    p.fillRect(QRect(0, 0, w, h), glow);

    // A staff sweeping across the picture with a phrase on it, low enough that the highest
    // stem ends well below the subtitle.
    const double top = 262;
    p.setPen(QPen(QColor(180, 210, 255, 150), 1.4));
    for (int line = 0; line < 5; ++line) {
        QPainterPath path;
        const double y = top + line * 12;
        path.moveTo(-10, y + 30);
        path.cubicTo(w * 0.3, y - 30, w * 0.6, y + 50, w + 10, y - 10);
        p.drawPath(path);
    }
    p.setPen(QPen(QColor(230, 240, 255), 2.0));
    p.setBrush(QColor(230, 240, 255));
    constexpr std::array<std::array<double, 2>, 7> kNotes{{{70, 232}, {120, 214}, {170, 208}, {225, 220},
                                                           {285, 226}, {345, 214}, {405, 200}}};
    for (size_t i = 0; i < kNotes.size(); ++i)
        drawNote(p, kNotes[i][0], kNotes[i][1] + (top - 200), i % 3 != 2);

    // The strip of the messages.
    p.fillRect(QRect(0, 425, w, 35), QColor(0, 0, 0, 110));
    p.setPen(QColor(90, 120, 180));
    p.drawLine(0, 425, w, 425);
}

void PaintSplashTitle(QPainter& p)
{
    QFont title("DejaVu Serif", 64, QFont::Bold);
    title.setItalic(true);
    p.setFont(title);
    p.setPen(QColor(255, 255, 255));
    p.drawText(kTitleRect, Qt::AlignHCenter | Qt::AlignVCenter, "Quavix");
}

QRect SplashSubtitleBox()
{
    return QFontMetrics(subtitleFont()).boundingRect(kSubtitleRect, Qt::AlignHCenter, QString::fromUtf8(kSubtitle));
}

QImage PaintSplash(int scale)
{
    QImage image(kSplashWidth * scale, kSplashHeight * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    PaintSplashArt(p);

    PaintSplashTitle(p);
    p.setFont(subtitleFont());
    p.setPen(QColor(170, 200, 240));
    p.drawText(kSubtitleRect, Qt::AlignHCenter, QString::fromUtf8(kSubtitle));
    p.end();
    return image;
}

QImage PaintIcon(int scale)
{
    const int size = 32;
    QImage image(size * scale, size * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(28, 44, 96));
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    p.setPen(QPen(QColor(230, 240, 255), 2.2));
    p.setBrush(QColor(230, 240, 255));
    // Two quavers joined by a beam.
    p.drawEllipse(QRectF(6, 19, 8, 6));
    p.drawEllipse(QRectF(17, 16, 8, 6));
    p.drawLine(QPointF(13.5, 22), QPointF(13.5, 8));
    p.drawLine(QPointF(24.5, 19), QPointF(24.5, 5));
    p.setPen(QPen(QColor(230, 240, 255), 3.2));
    p.drawLine(QPointF(13.5, 8), QPointF(24.5, 5));
    return image;
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int scale : {1, 2, 4})
        icon.addPixmap(QPixmap::fromImage(PaintIcon(scale)));
    return icon;
}

namespace {

// A button face of 20 by 18 on pure blue, the buttons' transparent colour, drawn in dark grey
// by draw with the painter and the shift of the pressed state.
template <class Draw>
QImage PaintOnBlue(int scale, bool pressed, Draw draw)
{
    QImage image(20 * scale, 18 * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(QColor(0, 0, 255));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(24, 24, 24));
    draw(p, pressed ? 1.0 : 0.0);
    return image;
}

}  // namespace

QImage PaintMoveArrow(int scale, bool up, bool pressed)
{
    return PaintOnBlue(scale, pressed, [up](QPainter& p, qreal shift) {
        const qreal top = 4 + shift, bottom = 13 + shift, left = 4 + shift, right = 16 + shift;
        const QPointF tip(10 + shift, up ? top : bottom);
        const QPointF points[] = {tip, QPointF(left, up ? bottom : top), QPointF(right, up ? bottom : top)};
        p.drawPolygon(points, 3);
    });
}

QImage PaintGoToEdge(int scale, bool toEnd, bool pressed)
{
    return PaintOnBlue(scale, pressed, [toEnd](QPainter& p, qreal shift) {
        const qreal top = 4 + shift, bottom = 14 + shift, middle = 9 + shift;
        // The bar line stands on the side the arrow points to.
        const qreal bar = toEnd ? 14 + shift : 4 + shift;
        p.drawRect(QRectF(bar, top, 2, bottom - top));
        const qreal tip = toEnd ? bar : bar + 2;
        const qreal base = toEnd ? bar - 8 : bar + 10;
        const QPointF points[] = {QPointF(tip, middle), QPointF(base, top), QPointF(base, bottom)};
        p.drawPolygon(points, 3);
    });
}

namespace {

const plat::ui::ImageResources::Entry kImages[] = {
    {"GOTOBEGIN0", [](int scale) { return PaintGoToEdge(scale, false, false); }},
    {"GOTOBEGIN1", [](int scale) { return PaintGoToEdge(scale, false, true); }},
    {"GOTOEND0", [](int scale) { return PaintGoToEdge(scale, true, false); }},
    {"GOTOEND1", [](int scale) { return PaintGoToEdge(scale, true, true); }},
    {"MOVEUP0", [](int scale) { return PaintMoveArrow(scale, true, false); }},
    {"MOVEUP1", [](int scale) { return PaintMoveArrow(scale, true, true); }},
    {"MOVEDOWN0", [](int scale) { return PaintMoveArrow(scale, false, false); }},
    {"MOVEDOWN1", [](int scale) { return PaintMoveArrow(scale, false, true); }},
    {plat::ui::ImageResources::imageName(splash), [](int scale) { return PaintSplash(scale); }},
    {plat::ui::ImageResources::imageName(programIcon), [](int scale) { return PaintIcon(scale); }},
};

const plat::ui::ImageResources::Registration registration(AppStrings::module, kImages);

}  // namespace

}  // namespace AppImages
