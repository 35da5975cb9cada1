#include "interface/core/InterfaceImages.h"

#include "interface/core/InterfaceModule.h"

#include "platform/ui/draw/ColorRef.h"
#include "platform/ui/resource/ImageResources.h"

#include <QPainter>
#include <QPainterPath>

#include <array>
#include <map>

namespace {

using plat::ui::ImageResources;

QImage toIndexed(const QImage& image)
{
    std::map<QRgb, int> indexes;
    QList<QRgb> table;
    QImage result(image.size(), QImage::Format_Indexed8);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* out = result.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const QRgb colour = line[x] | 0xFF000000;
            auto found = indexes.find(colour);
            if (found == indexes.end()) {
                if (table.size() == 256) {
                    out[x] = 0;
                    continue;
                }
                found = indexes.emplace(colour, int(table.size())).first;
                table.push_back(colour);
            }
            out[x] = uchar(found->second);
        }
    }
    result.setColorTable(table);
    return result;
}

// The element-type icons: a glyph on a small rounded tile, each type its own colour.
struct ElementIcon {
    uint32_t id;
    QColor tile;
    const char* glyph;
};

constexpr std::array<ElementIcon, 20> kElementIcons = {{
    {11820, QColor(196, 64, 64), ">"},      // accent
    {11821, QColor(64, 96, 196), "\u266F"}, // accidental
    {11822, QColor(112, 80, 160), "B"},     // bank select
    {11823, QColor(128, 128, 128), "\u2022"},
    {11824, QColor(40, 120, 120), "C"},     // clef
    {11825, QColor(160, 120, 40), "\u2261"},// conductor staff
    {11826, QColor(48, 140, 72), "CC"},     // control change
    {11827, QColor(180, 40, 120), "f"},     // dynamic
    {11828, QColor(64, 96, 196), "\u266D"}, // key
    {11829, QColor(100, 100, 100), "|"},    // measure
    {11830, QColor(150, 90, 40), "4"},      // meter
    {11831, QColor(32, 32, 32), "\u266A"},  // note
    {11832, QColor(70, 110, 170), "D"},     // document
    {11833, QColor(40, 140, 160), "~"},     // pitch bend
    {11834, QColor(112, 80, 160), "P"},     // program change
    {11835, QColor(90, 90, 90), "\u2013"},  // rest
    {11836, QColor(40, 80, 140), "\u2261"}, // staff
    {11837, QColor(150, 60, 40), "SX"},     // system message
    {11838, QColor(40, 120, 40), "\u2669"}, // tempo
    {11839, QColor(60, 60, 60), "T"},       // text
}};

QImage paintElementIcon(const ElementIcon& icon, int scale)
{
    QImage image(16 * scale, 16 * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(icon.tile.darker(140));
    painter.setBrush(icon.tile);
    painter.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    QFont font("DejaVu Sans");
    font.setPixelSize(std::char_traits<char>::length(icon.glyph) > 1 && icon.glyph[0] < 0x7F ? 8 : 12);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QString::fromUtf8(icon.glyph));
    return image;
}

const std::vector<ImageResources::Entry>& entries()
{
    static const std::vector<ImageResources::Entry> all = [] {
        std::vector<ImageResources::Entry> list;
        for (const ElementIcon& icon : kElementIcons)
            list.push_back({ImageResources::imageName(icon.id), [icon](int scale) { return paintElementIcon(icon, scale); }});
        return list;
    }();
    return all;
}

const ImageResources::Registration registration(InterfaceModule::kName, entries());

}  // namespace

QImage InterfaceImages::Paint(int width, int height, int scale, bool indexed, const std::function<void(QPainter&)>& paint)
{
    QImage image(width * scale, height * scale, QImage::Format_RGB32);
    image.fill(plat::ui::toQColor(kClearKey));
    {
        QPainter painter(&image);
        painter.scale(scale, scale);
        painter.setRenderHint(QPainter::Antialiasing, false);
        paint(painter);
    }
    return indexed ? toIndexed(image) : image;
}
