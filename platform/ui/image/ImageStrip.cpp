#include "platform/ui/image/ImageStrip.h"

#include <QPixmap>

#include <algorithm>

namespace plat::ui {

ImageStrip::ImageStrip(QImage strip, int frameCount) : m_strip(std::move(strip)), m_frameCount(std::max(frameCount, 1))
{
}

QSize ImageStrip::frameSize() const
{
    const QSizeF whole = m_strip.deviceIndependentSize();
    return QSize(int(whole.width()) / m_frameCount, int(whole.height()));
}

QImage ImageStrip::frame(int index) const
{
    if (index < 0 || index >= m_frameCount || m_strip.isNull())
        return QImage();
    const int width = m_strip.width() / m_frameCount;
    QImage result = m_strip.copy(index * width, 0, width, m_strip.height());
    result.setDevicePixelRatio(m_strip.devicePixelRatio());
    return result;
}

QIcon ImageStrip::stateIcon(int normal, int on, int disabled) const
{
    QIcon icon;
    const auto add = [&](int index, QIcon::Mode mode, QIcon::State state) {
        const QImage image = frame(index);
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image), mode, state);
    };
    add(normal, QIcon::Normal, QIcon::Off);
    add(on, QIcon::Normal, QIcon::On);
    add(on, QIcon::Active, QIcon::On);
    add(disabled, QIcon::Disabled, QIcon::Off);
    add(disabled, QIcon::Disabled, QIcon::On);
    return icon;
}

}  // namespace plat::ui
