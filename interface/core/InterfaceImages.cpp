#include "interface/core/InterfaceImages.h"

#include "interface/core/InterfaceModule.h"

#include "platform/ui/draw/ColorRef.h"
#include "platform/ui/resource/ImageResources.h"

#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>
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

QColor key(uint32_t colour)
{
    return plat::ui::toQColor(colour);
}

// The check list's boxes, 13 pixels each: unchecked, checked; red is transparent.
QImage paintCheckBoxes(int scale)
{
    return InterfaceImages::Paint(26, 13, scale, true, [](QPainter& painter) {
        painter.fillRect(QRect(0, 0, 26, 13), key(0x0000FF));
        for (int box = 0; box < 2; ++box) {
            const QRect frame(box * 13 + 1, 1, 11, 11);
            painter.fillRect(frame, QColor(128, 128, 128));
            painter.fillRect(frame.adjusted(1, 1, -1, -1), Qt::white);
            if (box == 1) {
                QPen pen(Qt::black, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
                painter.setPen(pen);
                painter.drawPolyline(QPolygon({QPoint(frame.left() + 3, frame.top() + 5), QPoint(frame.left() + 5, frame.top() + 7),
                                               QPoint(frame.left() + 8, frame.top() + 3)}));
            }
        }
    });
}

// The dial's knob, 40 x 40 with the knob in (3, 3) to (37, 37): face, highlight and shadow
// keys, a ring of scale marks from 30 to 330 degrees.
QImage paintDial(int scale)
{
    return InterfaceImages::Paint(40, 40, scale, true, [](QPainter& painter) {
        painter.fillRect(QRect(0, 0, 40, 40), key(InterfaceImages::kFaceKey));
        painter.setPen(Qt::NoPen);
        painter.setBrush(key(InterfaceImages::kShadowKey));
        painter.drawEllipse(QRectF(4, 4, 33, 33));
        painter.setBrush(key(InterfaceImages::kHighlightKey));
        painter.drawEllipse(QRectF(3, 3, 32, 32));
        painter.setBrush(key(InterfaceImages::kFaceKey));
        painter.drawEllipse(QRectF(5, 5, 30, 30));
        painter.setPen(QPen(QColor(64, 64, 64), 1));
        for (int angle = 30; angle <= 330; angle += 30) {
            const double theta = (270 - angle) / 57.29577951;
            const QPointF centre(20, 20);
            painter.drawLine(centre + QPointF(std::cos(theta) * 17.5, -std::sin(theta) * 17.5),
                             centre + QPointF(std::cos(theta) * 19.5, -std::sin(theta) * 19.5));
        }
    });
}

// The slider's track, 24 x 63: a groove down the middle of the travel (4, 0) to (20, 63).
QImage paintSliderTrack(int scale)
{
    return InterfaceImages::Paint(24, 63, scale, true, [](QPainter& painter) {
        painter.fillRect(QRect(0, 0, 24, 63), key(InterfaceImages::kFaceKey));
        painter.fillRect(QRect(10, 6, 1, 51), key(InterfaceImages::kShadowKey));
        painter.fillRect(QRect(11, 6, 2, 51), Qt::black);
        painter.fillRect(QRect(13, 6, 1, 51), key(InterfaceImages::kHighlightKey));
        for (int y = 7; y < 57; y += 5)
            painter.fillRect(QRect(y % 10 == 2 ? 3 : 5, y, y % 10 == 2 ? 4 : 2, 1), key(InterfaceImages::kShadowKey));
    });
}

// The slider's thumb, 16 x 15, its hot spot at (7, 7): a raised cap with a line across.
QImage paintSliderThumb(int scale)
{
    return InterfaceImages::Paint(16, 15, scale, true, [](QPainter& painter) {
        painter.fillRect(QRect(0, 0, 16, 15), key(InterfaceImages::kFaceKey));
        painter.fillRect(QRect(0, 0, 16, 1), key(InterfaceImages::kHighlightKey));
        painter.fillRect(QRect(0, 0, 1, 15), key(InterfaceImages::kHighlightKey));
        painter.fillRect(QRect(0, 14, 16, 1), Qt::black);
        painter.fillRect(QRect(15, 0, 1, 15), Qt::black);
        painter.fillRect(QRect(1, 13, 14, 1), key(InterfaceImages::kShadowKey));
        painter.fillRect(QRect(14, 1, 1, 13), key(InterfaceImages::kShadowKey));
        painter.fillRect(QRect(2, 7, 12, 1), Qt::black);
        painter.fillRect(QRect(2, 6, 12, 1), key(InterfaceImages::kShadowKey));
        painter.fillRect(QRect(2, 8, 12, 1), key(InterfaceImages::kHighlightKey));
    });
}

const std::vector<ImageResources::Entry>& entries()
{
    static const std::vector<ImageResources::Entry> all = [] {
        std::vector<ImageResources::Entry> list;
        for (const ElementIcon& icon : kElementIcons)
            list.push_back({ImageResources::imageName(icon.id), [icon](int scale) { return paintElementIcon(icon, scale); }});
        list.push_back({ImageResources::imageName(11600), paintCheckBoxes});
        list.push_back({ImageResources::imageName(11680), paintDial});
        list.push_back({ImageResources::imageName(11692), paintSliderTrack});
        list.push_back({ImageResources::imageName(11693), paintSliderThumb});
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
