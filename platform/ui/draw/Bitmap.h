#pragma once

#include "platform/ui/PlatUiExport.h"

#include <QImage>
#include <QSize>

namespace plat::ui {

// An image that windows draw and copy: the stand-in for a device-dependent bitmap. It is
// opaque (32-bit RGB) unless it was made from an image with transparency, as icons are.
class PLATUI_API Bitmap {
public:
    // A black bitmap of that size.
    Bitmap(int width, int height);
    explicit Bitmap(QImage image);

    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    QSize size() const { return m_image.size(); }
    bool isNull() const { return m_image.isNull(); }

    QImage& image() { return m_image; }
    const QImage& image() const { return m_image; }

    // The colour of one pixel as 0x00BBGGRR, 0 outside the bitmap.
    uint32_t pixel(int x, int y) const;

private:
    QImage m_image;
};

}  // namespace plat::ui
