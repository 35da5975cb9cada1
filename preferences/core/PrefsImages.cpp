// The pictures of the Preferences library, drawn here in code and registered under its module:
// the test buttons of the pages and the wizard (three states each: up, pressed, disabled) and
// the wizard's side picture.

#include "preferences/core/PrefsModule.h"

#include "interface/core/InterfaceImages.h"
#include "platform/ui/resource/ImageResources.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <functional>
#include <string>

namespace {

using plat::ui::ImageResources;

constexpr int kButtonWidth = 34;
constexpr int kButtonHeight = 22;

enum class State { up, pressed, disabled };

// A plate over the whole button (so no edge blends into the transparent colour), in the
// state's shade, with the sign drawn by paint over it, one pixel lower when pressed.
QImage testButton(int scale, State state, const QColor& plate,
                  const std::function<void(QPainter&, const QColor& ink)>& paint)
{
    return InterfaceImages::Paint(kButtonWidth, kButtonHeight, scale, false, [&](QPainter& p) {
        const QColor base = state == State::disabled ? QColor(150, 150, 150)
                            : state == State::pressed ? plate.darker(125)
                                                      : plate;
        QLinearGradient fill(0, 0, 0, kButtonHeight);
        fill.setColorAt(0.0, base.lighter(135));
        fill.setColorAt(1.0, base);
        p.fillRect(QRect(0, 0, kButtonWidth, kButtonHeight), fill);
        p.setRenderHint(QPainter::Antialiasing);
        if (state == State::pressed)
            p.translate(0, 1);
        paint(p, state == State::disabled ? QColor(205, 205, 205) : QColor(255, 255, 255));
    });
}

// A loudspeaker at the left of the button, which every test button shows.
void speaker(QPainter& p, const QColor& ink)
{
    QPainterPath cone;
    cone.moveTo(4, 9);
    cone.lineTo(7, 9);
    cone.lineTo(11, 5);
    cone.lineTo(11, 17);
    cone.lineTo(7, 13);
    cone.lineTo(4, 13);
    cone.closeSubpath();
    p.fillPath(cone, ink);
}

void note(QPainter& p, const QColor& ink)
{
    speaker(p, ink);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.save();
    p.translate(19.5, 15.0);
    p.rotate(-20);
    p.drawEllipse(QRectF(-3.2, -2.2, 6.4, 4.4));
    p.restore();
    p.setPen(QPen(ink, 1.4));
    p.drawLine(QPointF(22.3, 14.0), QPointF(22.3, 4.0));
    QPainterPath flag;
    flag.moveTo(22.3, 4.0);
    flag.cubicTo(25.0, 6.5, 28.5, 7.5, 26.5, 12.0);
    p.setBrush(Qt::NoBrush);
    p.drawPath(flag);
}

void wave(QPainter& p, const QColor& ink)
{
    speaker(p, ink);
    QPainterPath sine;
    for (int i = 0; i <= 40; ++i) {
        const double x = 14.0 + 17.0 * i / 40.0;
        const double y = 11.0 - 5.0 * std::sin(i / 40.0 * 4.0 * 3.14159265);
        if (i == 0)
            sine.moveTo(x, y);
        else
            sine.lineTo(x, y);
    }
    p.setPen(QPen(ink, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(sine);
}

// A metronome click: an accent wedge and the beat's number.
void click(QPainter& p, const QColor& ink, const char* beat)
{
    speaker(p, ink);
    p.setPen(QPen(ink, 1.6));
    p.drawLine(QPointF(14, 6), QPointF(20, 8.5));
    p.drawLine(QPointF(20, 8.5), QPointF(14, 11));
    QFont font("DejaVu Sans");
    font.setPixelSize(12);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(20, 3, 13, 17), Qt::AlignCenter, beat);
}

QImage sidePicture(int scale)
{
    constexpr int w = 120;
    constexpr int h = 260;
    return InterfaceImages::Paint(w, h, scale, false, [](QPainter& p) {
        QLinearGradient sky(0, 0, 0, h);
        sky.setColorAt(0.0, QColor(28, 52, 96));
        sky.setColorAt(1.0, QColor(82, 128, 178));
        p.fillRect(QRect(0, 0, w, h), sky);
        p.setRenderHint(QPainter::Antialiasing);
        // A staff with a rising phrase.
        p.setPen(QPen(QColor(255, 255, 255, 90), 1.0));
        for (int line = 0; line < 5; ++line)
            p.drawLine(QPointF(8, 40 + line * 8), QPointF(w - 8, 40 + line * 8));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 200));
        for (int i = 0; i < 4; ++i) {
            const double x = 22 + i * 24;
            const double y = 68 - i * 8;
            p.save();
            p.translate(x, y);
            p.rotate(-20);
            p.drawEllipse(QRectF(-5, -3.5, 10, 7));
            p.restore();
            p.fillRect(QRectF(x + 4, y - 26, 1.5, 26), QColor(255, 255, 255, 200));
        }
        // A sound wave.
        QPainterPath sine;
        for (int i = 0; i <= 80; ++i) {
            const double x = 8.0 + (w - 16.0) * i / 80.0;
            const double y = 130.0 - 16.0 * std::sin(i / 80.0 * 6.0 * 3.14159265) * std::exp(-i / 90.0);
            if (i == 0)
                sine.moveTo(x, y);
            else
                sine.lineTo(x, y);
        }
        p.setPen(QPen(QColor(150, 230, 170), 2.0));
        p.setBrush(Qt::NoBrush);
        p.drawPath(sine);
        // A keyboard at the foot.
        const int top = 180;
        const int keyWidth = 15;
        p.setPen(QPen(QColor(40, 40, 40), 1.0));
        p.setBrush(QColor(250, 250, 245));
        for (int key = 0; key < 8; ++key)
            p.drawRect(QRectF(0.5 + key * keyWidth, top, keyWidth, h - top - 10));
        p.setBrush(QColor(25, 25, 25));
        for (int key : {0, 1, 3, 4, 5, 7}) {
            p.drawRect(QRectF(0.5 + key * keyWidth + keyWidth * 0.65, top, keyWidth * 0.7, (h - top - 10) * 0.6));
        }
    });
}

// TESTMIDI and TESTWAVE have a blue transparent colour, PRIMARY and SECONDARY a red one; the
// plates cover them whole.
const QColor kMidiPlate(40, 92, 150);
const QColor kWavePlate(36, 120, 84);
const QColor kClickPlate(150, 70, 40);

std::function<QImage(int)> state(State s, const QColor& plate, std::function<void(QPainter&, const QColor&)> paint)
{
    return [s, plate, paint](int scale) { return testButton(scale, s, plate, paint); };
}

const ImageResources::Entry kImages[] = {
    {"TESTMIDI0", state(State::up, kMidiPlate, note)},
    {"TESTMIDI1", state(State::pressed, kMidiPlate, note)},
    {"TESTMIDI2", state(State::disabled, kMidiPlate, note)},
    {"TESTWAVE0", state(State::up, kWavePlate, wave)},
    {"TESTWAVE1", state(State::pressed, kWavePlate, wave)},
    {"TESTWAVE2", state(State::disabled, kWavePlate, wave)},
    {"PRIMARY0", state(State::up, kClickPlate, [](QPainter& p, const QColor& ink) { click(p, ink, "1"); })},
    {"PRIMARY1", state(State::pressed, kClickPlate, [](QPainter& p, const QColor& ink) { click(p, ink, "1"); })},
    {"PRIMARY2", state(State::disabled, kClickPlate, [](QPainter& p, const QColor& ink) { click(p, ink, "1"); })},
    {"SECONDARY0", state(State::up, kClickPlate, [](QPainter& p, const QColor& ink) { click(p, ink, "2"); })},
    {"SECONDARY1", state(State::pressed, kClickPlate, [](QPainter& p, const QColor& ink) { click(p, ink, "2"); })},
    {"SECONDARY2", state(State::disabled, kClickPlate, [](QPainter& p, const QColor& ink) { click(p, ink, "2"); })},
    {ImageResources::imageName(PrefsModule::kWizardPicture), sidePicture},
};

const ImageResources::Registration registration(PrefsModule::kName, kImages);

}  // namespace
