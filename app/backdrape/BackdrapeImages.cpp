// The background pictures of the program's document area, in a resource library of their
// own ("Backdrape") so that the preferences can offer other libraries. Each picture is a
// tile painted in code; the area repeats it.

#include "platform/core/Resources.h"
#include "platform/ui/resource/ImageResources.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// Warm staff paper: faint staves and a light grain.
QImage paintPaper(int scale)
{
    const int size = 160;
    QImage image(size * scale, size * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRect(0, 0, size, size), QColor(226, 221, 205));
    for (int i = 0; i < 90; ++i) {
        const int x = (i * 73) % size;
        const int y = (i * 151) % size;
        p.fillRect(QRectF(x, y, 1.2, 1.2), QColor(205, 198, 178));
    }
    p.setPen(QPen(QColor(200, 192, 170), 1.0));
    for (int staff = 0; staff < 2; ++staff) {
        for (int line = 0; line < 5; ++line) {
            const double y = 30 + staff * 80 + line * 7;
            p.drawLine(QPointF(0, y), QPointF(size, y));
        }
    }
    p.setPen(QPen(QColor(190, 182, 160), 1.2));
    p.setBrush(QColor(196, 188, 166));
    p.drawEllipse(QRectF(40, 39, 9, 7));
    p.drawLine(QPointF(48, 42), QPointF(48, 18));
    p.drawEllipse(QRectF(110, 112, 9, 7));
    p.drawLine(QPointF(118, 115), QPointF(118, 91));
    return image;
}

// Dark slate with a soft diagonal weave.
QImage paintSlate(int scale)
{
    const int size = 64;
    QImage image(size * scale, size * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRect(0, 0, size, size), QColor(52, 60, 72));
    p.setPen(QPen(QColor(60, 70, 84), 2.0));
    for (int d = -size; d < size * 2; d += 16) {
        p.drawLine(QPointF(d, 0), QPointF(d + size, size));
        p.drawLine(QPointF(d + size, 0), QPointF(d, size));
    }
    return image;
}

const plat::ui::ImageResources::Entry kImages[] = {
    {plat::ui::ImageResources::imageName(0x6000), paintPaper},
    {plat::ui::ImageResources::imageName(0x6001), paintSlate},
};

const plat::ui::ImageResources::Registration registration("Backdrape", kImages);

// The pictures' names, under the same ids, as the workspace preferences list them.
constexpr plat::Resources::Entry kNames[] = {
    {0x6000, "Staff Paper"},
    {0x6001, "Slate"},
};

const plat::Resources::Registration names("Backdrape", kNames);

}  // namespace
