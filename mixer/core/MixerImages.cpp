#include "mixer/core/MixerImages.h"

#include "mixer/core/MixerModule.h"

#include "interface/core/InterfaceImages.h"
#include "interface/core/MCImageMgr.h"
#include "platform/core/Resources.h"
#include "platform/ui/resource/ImageResources.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using plat::ui::ImageResources;

QColor key(plat::ui::ColorRef colour)
{
    return plat::ui::toQColor(colour);
}

const QColor kFace = key(MixerImages::kFaceKey);
const QColor kLight = key(MixerImages::kHighlightKey);
const QColor kShade = key(MixerImages::kShadowKey);

// A raised (or, pressed, sunken) edge in the key colours round the image.
void keyedEdge(QPainter& p, int w, int h, bool pressed)
{
    const QColor topLeft = pressed ? QColor(Qt::black) : kLight;
    const QColor bottomRight = pressed ? kLight : QColor(Qt::black);
    p.fillRect(QRect(0, 0, w, 1), topLeft);
    p.fillRect(QRect(0, 0, 1, h), topLeft);
    p.fillRect(QRect(0, h - 1, w, 1), bottomRight);
    p.fillRect(QRect(w - 1, 0, 1, h), bottomRight);
    p.fillRect(QRect(1, pressed ? 1 : h - 2, w - 2, 1), kShade);
    p.fillRect(QRect(pressed ? 1 : w - 2, 1, 1, h - 2), kShade);
}

QFont smallFont(int pixels, bool bold = true)
{
    QFont font("DejaVu Sans");
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// A state button of a strip: a keyed edge round a lamp panel that shows a letter or a sign.
QImage lampButton(int scale, bool pressed, const QColor& panel, const QColor& ink,
                  const std::function<void(QPainter&, const QRectF&)>& sign)
{
    constexpr int w = 18;
    constexpr int h = 14;
    return InterfaceImages::Paint(w, h, scale, true, [&](QPainter& p) {
        p.fillRect(QRect(0, 0, w, h), kFace);
        keyedEdge(p, w, h, pressed);
        const QRect inside(3, 3, w - 6, h - 6);
        p.fillRect(inside, panel);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setPen(ink);
        p.setBrush(ink);
        sign(p, QRectF(inside).translated(pressed ? 0.5 : 0, pressed ? 0.5 : 0));
    });
}

std::function<void(QPainter&, const QRectF&)> letter(const char* text)
{
    return [text](QPainter& p, const QRectF& r) {
        p.setFont(smallFont(8));
        p.drawText(r.adjusted(-2, -2, 2, 2), Qt::AlignCenter, QString::fromLatin1(text));
    };
}

void playSign(QPainter& p, const QRectF& r)
{
    const QPointF c = r.center();
    QPainterPath path;
    path.moveTo(c + QPointF(-2.5, -3.5));
    path.lineTo(c + QPointF(3.5, 0));
    path.lineTo(c + QPointF(-2.5, 3.5));
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.drawPath(path);
}

void recordSign(QPainter& p, const QRectF& r)
{
    p.setPen(Qt::NoPen);
    p.drawEllipse(r.center(), 3.2, 3.2);
}

const QColor kDark(52, 54, 58);
const QColor kDarkInk(150, 152, 156);

// A face of its own colours (no key colours): the buttons a mask makes transparent.
QImage plainButton(int w, int h, int scale, bool pressed, const std::function<void(QPainter&, const QRectF&)>& sign)
{
    return InterfaceImages::Paint(w, h, scale, true, [&](QPainter& p) {
        // The transparent colour of these buttons is the face key: the button's face shows there.
        p.fillRect(QRect(0, 0, w, h), kFace);
        const QColor light(250, 250, 250);
        const QColor dark(96, 96, 96);
        const QColor topLeft = pressed ? dark : light;
        const QColor bottomRight = pressed ? light : dark;
        p.fillRect(QRect(0, 0, w, 1), topLeft);
        p.fillRect(QRect(0, 0, 1, h), topLeft);
        p.fillRect(QRect(0, h - 1, w, 1), bottomRight);
        p.fillRect(QRect(w - 1, 0, 1, h), bottomRight);
        p.fillRect(QRect(1, 1, w - 2, h - 2), pressed ? QColor(200, 200, 196) : QColor(228, 228, 224));
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setPen(QColor(30, 30, 34));
        p.setBrush(QColor(30, 30, 34));
        sign(p, QRectF(2, 2, w - 4, h - 4).translated(pressed ? 1 : 0, pressed ? 1 : 0));
    });
}

// The layout buttons show the height of the strips each layout gives.
std::function<void(QPainter&, const QRectF&)> layoutSign(int rows)
{
    return [rows](QPainter& p, const QRectF& r) {
        p.setPen(Qt::NoPen);
        const double height = r.height() * rows / 3.0;
        for (int i = 0; i < 3; ++i)
            p.drawRect(QRectF(r.left() + 1.5 + i * 4.5, r.bottom() - height, 3, height));
    };
}

std::function<void(QPainter&, const QRectF&)> textSign(const QString& text)
{
    return [text](QPainter& p, const QRectF& r) {
        p.setFont(smallFont(9));
        p.drawText(r.adjusted(-2, -2, 2, 2), Qt::AlignCenter, text);
    };
}

// A groove along a slider's track, in the key colours, with tick marks.
QImage paintTrack(int w, int h, int scale, bool upright)
{
    return InterfaceImages::Paint(w, h, scale, true, [=](QPainter& p) {
        p.fillRect(QRect(0, 0, w, h), kFace);
        if (upright) {
            const int x = w / 2 - 2;
            p.fillRect(QRect(x, 4, 1, h - 8), kShade);
            p.fillRect(QRect(x + 1, 4, 2, h - 8), Qt::black);
            p.fillRect(QRect(x + 3, 4, 1, h - 8), kLight);
            for (int y = 4, i = 0; y < h - 4; y += 6, ++i)
                p.fillRect(QRect(i % 2 ? 2 : 1, y, i % 2 ? 2 : 3, 1), kShade);
        } else {
            const int y = h / 2 - 2;
            p.fillRect(QRect(4, y, w - 8, 1), kShade);
            p.fillRect(QRect(4, y + 1, w - 8, 2), Qt::black);
            p.fillRect(QRect(4, y + 3, w - 8, 1), kLight);
            for (int x = 4, i = 0; x < w - 4; x += 6, ++i)
                p.fillRect(QRect(x, h - (i % 2 ? 3 : 4), 1, i % 2 ? 2 : 3), kShade);
        }
    });
}

QImage paintThumb(int w, int h, int scale, bool upright)
{
    return InterfaceImages::Paint(w, h, scale, true, [=](QPainter& p) {
        p.fillRect(QRect(0, 0, w, h), kFace);
        keyedEdge(p, w, h, false);
        if (upright) {
            p.fillRect(QRect(2, h / 2 - 1, w - 4, 1), kShade);
            p.fillRect(QRect(2, h / 2, w - 4, 1), Qt::black);
            p.fillRect(QRect(2, h / 2 + 1, w - 4, 1), kLight);
        } else {
            p.fillRect(QRect(w / 2 - 1, 2, 1, h - 4), kShade);
            p.fillRect(QRect(w / 2, 2, 1, h - 4), Qt::black);
            p.fillRect(QRect(w / 2 + 1, 2, 1, h - 4), kLight);
        }
    });
}

// A knob seen from above: a cap in the face colour, lit from the top left, on the face key,
// with a ring of marks from the least to the most value.
QImage paintKnob(int scale)
{
    constexpr int size = 24;
    return InterfaceImages::Paint(size, size, scale, true, [](QPainter& p) {
        p.fillRect(QRect(0, 0, size, size), kFace);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(Qt::black));
        p.drawEllipse(QRect(3, 3, 18, 18));
        p.setBrush(kLight);
        p.drawEllipse(QRect(3, 3, 17, 17));
        p.setBrush(kShade);
        p.drawEllipse(QRect(4, 4, 16, 16));
        p.setBrush(kFace);
        p.drawEllipse(QRect(5, 5, 14, 14));
        // Marks at 30, 180 and 330 degrees, counted clockwise from straight down.
        p.setPen(kShade);
        for (const double degrees : {30.0, 105.0, 180.0, 255.0, 330.0}) {
            const double theta = (270.0 - degrees) / 57.29577951;
            const QPointF centre(12.0, 12.0);
            const QPointF inner = centre + QPointF(std::cos(theta) * 10.0, -std::sin(theta) * 10.0);
            const QPointF outer = centre + QPointF(std::cos(theta) * 11.5, -std::sin(theta) * 11.5);
            p.drawLine(inner, outer);
        }
    });
}

std::vector<ImageResources::Entry> entries()
{
    std::vector<ImageResources::Entry> list;
    auto both = [&list](const std::string& prefix, const std::function<QImage(int, bool)>& paint) {
        list.push_back({prefix + "0", [paint](int scale) { return paint(scale, false); }});
        list.push_back({prefix + "1", [paint](int scale) { return paint(scale, true); }});
    };
    // The strip's state buttons: off on a dark lamp, on lit.
    both("MUTE", [](int scale, bool on) {
        return lampButton(scale, on, on ? QColor(250, 170, 40) : kDark, on ? QColor(Qt::black) : kDarkInk, letter("M"));
    });
    both("SOLO", [](int scale, bool on) {
        return lampButton(scale, on, on ? QColor(120, 220, 110) : kDark, on ? QColor(Qt::black) : kDarkInk, letter("S"));
    });
    // The mode button: state 0 plays, state 1 records; grey while the track is silent.
    both("ACTIVE", [](int scale, bool record) {
        return record ? lampButton(scale, true, kDark, QColor(240, 50, 40), recordSign)
                      : lampButton(scale, false, kDark, QColor(90, 220, 90), playSign);
    });
    both("INACTIVE", [](int scale, bool record) {
        return lampButton(scale, record, kDark, QColor(110, 110, 112), record ? recordSign : playSign);
    });
    // The master section.
    both("THRU", [](int scale, bool on) {
        return InterfaceImages::Paint(34, 14, scale, true, [on](QPainter& p) {
            p.fillRect(QRect(0, 0, 34, 14), kFace);
            keyedEdge(p, 34, 14, on);
            p.fillRect(QRect(3, 3, 28, 8), on ? QColor(90, 180, 255) : kDark);
            p.setRenderHint(QPainter::TextAntialiasing);
            p.setFont(smallFont(8));
            p.setPen(on ? QColor(Qt::black) : kDarkInk);
            p.drawText(QRect(0, 1, 34, 12).translated(on ? 1 : 0, on ? 1 : 0), Qt::AlignCenter, "THRU");
        });
    });
    both("LIGHT", [](int scale, bool on) {
        return InterfaceImages::Paint(24, 14, scale, true, [on](QPainter& p) {
            p.fillRect(QRect(0, 0, 24, 14), kFace);
            keyedEdge(p, 24, 14, true);
            p.fillRect(QRect(2, 2, 20, 10), on ? QColor(255, 70, 50) : QColor(80, 26, 24));
            p.setRenderHint(QPainter::TextAntialiasing);
            p.setFont(smallFont(8));
            p.setPen(on ? QColor(Qt::white) : QColor(150, 90, 86));
            p.drawText(QRect(0, 1, 24, 12), Qt::AlignCenter, "IN");
        });
    });
    const struct {
        const char* prefix;
        const char16_t* text;
    } speeds[] = {{"QUARTER", u"\u00BCx"}, {"HALF", u"\u00BDx"}, {"ONE", u"1x"}, {"DOUBLE", u"2x"}, {"QUAD", u"4x"}};
    for (const auto& speed : speeds) {
        const QString text = QString::fromUtf16(speed.text);
        both(speed.prefix, [text](int scale, bool pressed) { return plainButton(22, 16, scale, pressed, textSign(text)); });
    }
    // The mixer's layout buttons.
    both("MINI", [](int scale, bool pressed) { return plainButton(18, 16, scale, pressed, layoutSign(1)); });
    both("NORMAL", [](int scale, bool pressed) { return plainButton(18, 16, scale, pressed, layoutSign(2)); });
    both("FULL", [](int scale, bool pressed) { return plainButton(18, 16, scale, pressed, layoutSign(3)); });

    auto numbered = [&list](uint32_t id, std::function<QImage(int)> paint) {
        list.push_back({ImageResources::imageName(id), std::move(paint)});
    };
    numbered(MixerImages::kStripTrack, [](int scale) { return paintTrack(18, 64, scale, true); });
    numbered(MixerImages::kStripThumb, [](int scale) { return paintThumb(16, 9, scale, true); });
    numbered(MixerImages::kMasterTrack, [](int scale) { return paintTrack(20, 64, scale, true); });
    numbered(MixerImages::kMasterThumb, [](int scale) { return paintThumb(18, 9, scale, true); });
    numbered(MixerImages::kMiniMasterTrack, [](int scale) { return paintTrack(80, 16, scale, false); });
    numbered(MixerImages::kMiniMasterThumb, [](int scale) { return paintThumb(9, 14, scale, false); });
    numbered(MixerImages::kTempoTrack, [](int scale) { return paintTrack(100, 16, scale, false); });
    numbered(MixerImages::kTempoThumb, [](int scale) { return paintThumb(9, 14, scale, false); });
    for (const uint32_t id : {MixerImages::kPanKnob, MixerImages::kChorusKnob, MixerImages::kReverbKnob,
                              MixerImages::kModulationKnob})
        numbered(id, paintKnob);
    return list;
}

const ImageResources::Registration registration(MixerModule::kName, entries());

}  // namespace

MixerImages::SliderGeometry MixerImages::Geometry(uint32_t trackId)
{
    switch (trackId) {
    case kStripTrack: return {QRect(1, 0, 16, 64), QPoint(7, 4)};
    case kMasterTrack: return {QRect(1, 0, 18, 64), QPoint(8, 4)};
    case kMiniMasterTrack: return {QRect(0, 1, 80, 14), QPoint(4, 6)};
    case kTempoTrack: return {QRect(0, 1, 100, 14), QPoint(4, 6)};
    default: return {};
    }
}

QRect MixerImages::KnobPart()
{
    return QRect(1, 1, 22, 22);
}

void MixerImages::AddToCache(uint32_t id, const QWidget* widget)
{
    const plat::Resources::ModuleSwitch own(MixerModule::kName);
    MCImageMgr& manager = MCImageMgr::GetImageMgr();
    const int sharp = widget ? std::max(1, int(std::ceil(widget->devicePixelRatioF()))) : 1;
    for (const int scale : {1, sharp})
        manager.AddImage(id, kFaceKey, kHighlightKey, kShadowKey, scale);
}
