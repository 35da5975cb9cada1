#include "platform/ui/draw/Bitmap.h"

#include "platform/ui/draw/ColorRef.h"

namespace plat::ui {

namespace {

QImage drawable(QImage image)
{
    if (image.isNull())
        return image;
    const QImage::Format format =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    return image.format() == format ? image : image.convertToFormat(format);
}

}  // namespace

Bitmap::Bitmap(int width, int height) : m_image(width, height, QImage::Format_RGB32)
{
    m_image.fill(Qt::black);
}

Bitmap::Bitmap(QImage image) : m_image(drawable(std::move(image)))
{
}

uint32_t Bitmap::pixel(int x, int y) const
{
    if (!m_image.valid(x, y))
        return 0;
    return fromQColor(m_image.pixelColor(x, y));
}

}  // namespace plat::ui
