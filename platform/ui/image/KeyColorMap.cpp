#include "platform/ui/image/KeyColorMap.h"

namespace plat::ui {

namespace {

ColorRef keyOf(QRgb pixel)
{
    return rgb(uint8_t(qRed(pixel)), uint8_t(qGreen(pixel)), uint8_t(qBlue(pixel)));
}

}  // namespace

KeyColorMap KeyColorMap::buttonColors(const QPalette& palette, std::optional<ColorRef> faceKey,
                                      std::optional<ColorRef> highlightKey, std::optional<ColorRef> shadowKey)
{
    KeyColorMap map;
    if (faceKey)
        map.replace(*faceKey, palette.color(QPalette::Active, QPalette::Button));
    if (highlightKey)
        map.replace(*highlightKey, palette.color(QPalette::Active, QPalette::Light));
    if (shadowKey)
        map.replace(*shadowKey, palette.color(QPalette::Active, QPalette::Dark));
    return map;
}

void KeyColorMap::replace(ColorRef key, QColor color)
{
    for (auto& [existing, colour] : m_replacements) {
        if (existing == key) {
            colour = color;
            return;
        }
    }
    m_replacements.emplace_back(key, color);
}

QImage KeyColorMap::apply(const QImage& image) const
{
    if (image.isNull())
        return image;
    // Each pixel is looked up against the original keys, so a key replaced by another key's
    // colour is not replaced twice.
    const auto mapped = [this](QRgb pixel) -> QRgb {
        if (qAlpha(pixel) == 0)
            return pixel;
        const ColorRef key = keyOf(pixel);
        if (m_transparent && key == *m_transparent)
            return 0;
        for (const auto& [from, to] : m_replacements) {
            if (from == key)
                return to.rgba();
        }
        return pixel;
    };
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono ||
        image.format() == QImage::Format_MonoLSB) {
        QImage result = image;
        QList<QRgb> table = result.colorTable();
        for (QRgb& entry : table)
            entry = mapped(entry);
        result.setColorTable(table);
        return m_transparent ? result.convertToFormat(QImage::Format_ARGB32_Premultiplied) : result;
    }
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x)
            line[x] = mapped(line[x]);
    }
    result.setDevicePixelRatio(image.devicePixelRatio());
    return result.convertToFormat(m_transparent || image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                             : QImage::Format_RGB32);
}

}  // namespace plat::ui
