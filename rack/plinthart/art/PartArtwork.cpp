#include "rack/plinthart/art/PartArtwork.h"

#include "rack/plinthart/art/ArtKit.h"

#include "platform/ui/draw/BitmapResources.h"

#include <QPainter>

#include <vector>

// The pictures of plinthart, painted in code: deck and panel backgrounds of the rack
// (633 pixels wide), meters, digit strips, lights, sliders and icons.
namespace rack::art {

namespace {

using plat::ui::BitmapResources;

constexpr int kBandWidth = 633;
constexpr int kDeckHeight = 66;

QColor dim(QColor color, int factor)
{
    return color.darker(factor);
}

// A panel with the name of its band printed at the top left.
QImage bandPanel(int width, int height, uint32_t seed, const QString& name)
{
    QImage image = ArtKit::canvas(width, height, ArtKit::panelColor());
    QPainter painter(&image);
    ArtKit::panel(painter, image.rect(), seed);
    if (!name.isEmpty())
        ArtKit::print(painter, QRect(9, 6, 60, 12), name, 10, Qt::AlignLeft | Qt::AlignVCenter, ArtKit::labelColor());
    return image;
}

// What the three decks share: the name display, the transport keys, the index and time
// display, the play-list and loop keys.
void deckCommon(QPainter& painter, Glyph icon)
{
    ArtKit::glyph(painter, QRect(42, 8, 16, 10), icon, ArtKit::labelColor());
    ArtKit::glass(painter, QRect(74, 8, 276, 22));
    ArtKit::well(painter, QRect(69, 32, 284, 28));
    ArtKit::well(painter, QRect(7, 36, 47, 23));
    ArtKit::print(painter, QRect(7, 25, 47, 10), "LIST", 7, Qt::AlignCenter, ArtKit::labelColor());
    ArtKit::glass(painter, QRect(468, 14, 112, 31));
    ArtKit::print(painter, QRect(468, 47, 40, 9), "TRACK", 7, Qt::AlignCenter, ArtKit::labelColor());
    ArtKit::print(painter, QRect(516, 47, 28, 9), "MIN", 7, Qt::AlignCenter, ArtKit::labelColor());
    ArtKit::print(painter, QRect(546, 47, 28, 9), "SEC", 7, Qt::AlignCenter, ArtKit::labelColor());
    ArtKit::well(painter, QRect(589, 35, 38, 25));
    ArtKit::print(painter, QRect(589, 25, 38, 9), "LOOP", 7, Qt::AlignCenter, ArtKit::labelColor());
    ArtKit::grille(painter, QRect(591, 8, 34, 12));
}

QImage waveBackground()
{
    QImage image = bandPanel(kBandWidth, kDeckHeight, 106, "WAVE");
    QPainter painter(&image);
    deckCommon(painter, Glyph::wave);
    ArtKit::well(painter, QRect(363, 9, 38, 22));
    ArtKit::well(painter, QRect(363, 32, 38, 28));
    ArtKit::print(painter, QRect(404, 38, 24, 9), "REC", 7, Qt::AlignLeft | Qt::AlignVCenter, QColor(230, 70, 64));
    ArtKit::glass(painter, QRect(430, 16, 33, 39));
    ArtKit::print(painter, QRect(430, 57, 16, 8), "L", 6, Qt::AlignCenter, ArtKit::labelColor());
    ArtKit::print(painter, QRect(446, 57, 16, 8), "R", 6, Qt::AlignCenter, ArtKit::labelColor());
    return image;
}

QImage midiBackground()
{
    QImage image = bandPanel(kBandWidth, kDeckHeight, 105, "MIDI");
    QPainter painter(&image);
    deckCommon(painter, Glyph::midi);
    ArtKit::glass(painter, QRect(388, 16, 75, 39));
    ArtKit::print(painter, QRect(388, 57, 75, 8), "CHANNELS", 6, Qt::AlignCenter, ArtKit::labelColor());
    return image;
}

QImage cdBackground()
{
    QImage image = bandPanel(kBandWidth, kDeckHeight, 104, "CD");
    QPainter painter(&image);
    deckCommon(painter, Glyph::cd);
    ArtKit::well(painter, QRect(362, 32, 39, 28));
    ArtKit::print(painter, QRect(362, 22, 39, 9), "EJECT", 7, Qt::AlignCenter, ArtKit::labelColor());
    // The disc tray's emblem.
    painter.setRenderHint(QPainter::Antialiasing, true);
    QRadialGradient shine(QPointF(432, 33), 24);
    shine.setColorAt(0.0, QColor(120, 126, 136));
    shine.setColorAt(0.7, QColor(64, 68, 76));
    shine.setColorAt(1.0, QColor(40, 42, 47));
    painter.setPen(QPen(QColor(16, 17, 19), 1));
    painter.setBrush(shine);
    painter.drawEllipse(QPointF(432, 33), 21, 21);
    painter.setBrush(QColor(24, 25, 28));
    painter.drawEllipse(QPointF(432, 33), 5, 5);
    return image;
}

QImage topPanel()
{
    QImage image = bandPanel(kBandWidth + 2, 36, 102, QString());
    QPainter painter(&image);
    ArtKit::print(painter, QRect(12, 6, 150, 14), "STEREO RACK", 12, Qt::AlignLeft | Qt::AlignVCenter,
                  QColor(214, 218, 226));
    ArtKit::print(painter, QRect(12, 20, 150, 10), "WAVE  \u00b7  MIDI  \u00b7  CD", 7, Qt::AlignLeft | Qt::AlignVCenter,
                  ArtKit::labelColor());
    for (int i = 0; i < 4; ++i)
        ArtKit::well(painter, QRect(169 + 70 * i, 5, 65, 26));
    ArtKit::grille(painter, QRect(470, 10, 120, 16));
    ArtKit::lamp(painter, QRect(606, 12, 11, 11), QColor(60, 214, 96), true);
    return image;
}

QImage mixerBackground(uint32_t seed, QColor tint)
{
    QImage image = bandPanel(kBandWidth, 105, seed, "MIXER");
    QPainter painter(&image);
    painter.fillRect(image.rect().adjusted(1, 1, -1, -1), tint);
    painter.fillRect(QRect(9, 20, kBandWidth - 18, 1), QColor(14, 15, 17));
    painter.fillRect(QRect(9, 21, kBandWidth - 18, 1), QColor(78, 82, 90));
    return image;
}

QImage sliderBackground()
{
    QImage image = bandPanel(40, 80, 103, QString());
    QPainter painter(&image);
    ArtKit::well(painter, QRect(17, 6, 6, 68));
    for (int y = 8; y <= 72; y += 8)
        painter.fillRect(QRect(y % 16 == 8 ? 7 : 9, y, y % 16 == 8 ? 8 : 6, 1), ArtKit::labelColor());
    return image;
}

QImage midiMeter(bool lit)
{
    QImage image = ArtKit::canvas(67, 31, Qt::black);
    QPainter painter(&image);
    for (int channel = 0; channel < 16; ++channel) {
        const int x = channel * 4 + (channel >= 8 ? 5 : 0);
        ArtKit::levelColumn(painter, QRect(x, 0, 2, 31), lit);
    }
    return image;
}

QImage singleMidiMeter()
{
    QImage image = ArtKit::canvas(2, 31, Qt::black);
    QPainter painter(&image);
    ArtKit::levelColumn(painter, image.rect(), true);
    return image;
}

QImage waveMeter()
{
    // Two columns of nine pixels at x 0 and 16, lit all the way: the deck covers the top
    // of each in black down to the level.
    QImage image = ArtKit::canvas(25, 31, Qt::black);
    QPainter painter(&image);
    ArtKit::levelColumn(painter, QRect(0, 0, 9, 31), true);
    ArtKit::levelColumn(painter, QRect(16, 0, 9, 31), true);
    return image;
}

QImage lamp(QColor hue)
{
    QImage image = ArtKit::canvas(9, 9, ArtKit::panelColor());
    QPainter painter(&image);
    ArtKit::lamp(painter, image.rect(), hue, true);
    return image;
}

QImage knob(int width, int height)
{
    QImage image = ArtKit::canvas(width, height, QColor(23, 24, 27));
    QPainter painter(&image);
    ArtKit::key(painter, image.rect(), KeyLook::up, Glyph::none);
    painter.fillRect(QRect(2, height / 2, width - 4, 1), QColor(34, 36, 40));
    return image;
}

QImage vertTics()
{
    QImage image = ArtKit::canvas(12, 80, ArtKit::panelColor());
    QPainter painter(&image);
    for (int y = 2; y < 80; y += 6)
        painter.fillRect(QRect((y / 6) % 2 == 0 ? 0 : 4, y, (y / 6) % 2 == 0 ? 12 : 8, 1), ArtKit::labelColor());
    return image;
}

QImage vertGutter()
{
    QImage image = ArtKit::canvas(6, 80, ArtKit::panelColor());
    QPainter painter(&image);
    ArtKit::well(painter, image.rect());
    return image;
}

QImage smoothEdge(bool top)
{
    // Cells laid along a frame's top or bottom edge: a rounded lip of light and shadow.
    QImage image = ArtKit::canvas(32, 32, ArtKit::panelColor());
    QPainter painter(&image);
    ArtKit::panel(painter, image.rect(), top ? 576 : 592);
    const int lip = top ? 0 : 16;
    for (int i = 0; i < 4; ++i)
        painter.fillRect(QRect(0, lip + (top ? i : 15 - i), 32, 1),
                         top ? QColor(110 - i * 16, 114 - i * 16, 122 - i * 16) : QColor(8 + i * 8, 9 + i * 8, 11 + i * 8));
    return image;
}

QImage tile()
{
    QImage image = ArtKit::canvas(8, 8, ArtKit::panelColor());
    QPainter painter(&image);
    painter.fillRect(QRect(0, 0, 1, 1), QColor(70, 74, 80));
    painter.fillRect(QRect(4, 4, 1, 1), QColor(70, 74, 80));
    painter.fillRect(QRect(1, 1, 1, 1), QColor(24, 25, 28));
    painter.fillRect(QRect(5, 5, 1, 1), QColor(24, 25, 28));
    return image;
}

// A strip of the digits 0 to 9 in cells of cellWidth x height and a colon after them.
QImage digitStrip(int cellWidth, int height, QColor lit, QColor dark)
{
    QImage image = ArtKit::canvas(cellWidth * 10 + 2, height, Qt::black);
    QPainter painter(&image);
    for (int d = 0; d < 10; ++d)
        ArtKit::segmentDigit(painter, QRect(d * cellWidth, 0, cellWidth, height), d, lit, dark);
    ArtKit::colon(painter, QRect(cellWidth * 10, 0, 2, height), lit);
    return image;
}

QImage tinyTics()
{
    QImage image = ArtKit::canvas(44, 4, Qt::black);
    QPainter painter(&image);
    for (int i = 0; i < 11; ++i)
        painter.fillRect(QRect(i * 4, i % 5 == 0 ? 0 : 2, 1, i % 5 == 0 ? 4 : 2), ArtKit::digitColor());
    return image;
}

// A labelled indicator: its text in amber (red for recording) when on, dark when off.
QImage indicator(const QString& text, bool on, QColor hue)
{
    QImage image = ArtKit::canvas(32, 9, Qt::black);
    QPainter painter(&image);
    ArtKit::print(painter, image.rect(), text, 7, Qt::AlignCenter, on ? hue : dim(hue, 500));
    return image;
}

QImage icon(Glyph glyph)
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(12, 13, 15), 1));
    QLinearGradient face(QPointF(0, 0), QPointF(0, 32));
    face.setColorAt(0.0, QColor(72, 76, 84));
    face.setColorAt(1.0, QColor(32, 34, 38));
    painter.setBrush(face);
    painter.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 5, 5);
    ArtKit::glyph(painter, QRect(6, 9, 20, 14), glyph, ArtKit::accentColor(glyph));
    return image;
}

const QColor kCyan = ArtKit::digitColor();
const QColor kGreen(60, 240, 110);
const QColor kAmber(255, 176, 32);
const QColor kRed(238, 44, 44);

const std::vector<BitmapResources::Entry> kEntries = {
    {"MIXER_BACKGROUND", 8, [] { return mixerBackground(101, QColor(0, 0, 0, 0)); }},
    {"TOP_PANEL", 8, topPanel},
    {"SLIDER_BACKGROUND", 8, sliderBackground},
    {"CD_BACKGROUND", 8, cdBackground},
    {"MIDI_BACKGROUND", 8, midiBackground},
    {"WAVE_BACKGROUND", 8, waveBackground},
    {"MIDI_METER", 8, [] { return midiMeter(false); }},
    {"WAVE_METER", 8, waveMeter},
    {"BALANCE_SLIDER", 8, [] { return knob(11, 20); }},
    {"GREEN_LED", 8, [] { return lamp(kGreen); }},
    {"RED_LED", 8, [] { return lamp(kRed); }},
    {"YELLOW_LED", 8, [] { return lamp(QColor(255, 214, 40)); }},
    {"SINGLE_MIDI_METER", 8, singleMidiMeter},
    {"MIXER_BACKGROUND2", 8, [] { return mixerBackground(114, QColor(0, 0, 0, 36)); }},
    {"MIXER_SLIDER", 8, [] { return knob(24, 12); }},
    {"VERT_TICS", 8, vertTics},
    {"VERT_SLIDER", 8, [] { return knob(20, 10); }},
    {"VERT_GUTTER", 8, vertGutter},
    {"SMOOTH_TOP", 8, [] { return smoothEdge(true); }},
    {"SMOOTH_BOTTOM", 8, [] { return smoothEdge(false); }},
    {"TILE", 8, tile},
    {"DIGITS_GREEN", 8, [] { return digitStrip(10, 19, kGreen, dim(kGreen, 700)); }},
    {"DIGITS_CYAN", 8, [] { return digitStrip(10, 19, kCyan, dim(kCyan, 700)); }},
    {"DIGITS_OFF", 8, [] { return digitStrip(10, 19, dim(kCyan, 320), dim(kCyan, 700)); }},
    {"DIGITS_5X9", 8, [] { return digitStrip(5, 9, kCyan, dim(kCyan, 700)); }},
    {"DIGITS_5X9OFF", 8, [] { return digitStrip(5, 9, dim(kCyan, 320), dim(kCyan, 700)); }},
    {"DIGITS_7X13", 8, [] { return digitStrip(7, 13, kCyan, dim(kCyan, 700)); }},
    {"DIGITS_7X13OFF", 8, [] { return digitStrip(7, 13, dim(kCyan, 320), dim(kCyan, 700)); }},
    {"DIGITS_TINYTICS", 8, tinyTics},
    {"LED_RECORD_ON", 8, [] { return indicator("REC", true, kRed); }},
    {"LED_RECORD_OFF", 8, [] { return indicator("REC", false, kRed); }},
    {"LED_8BIT_ON", 8, [] { return indicator("8 BIT", true, kAmber); }},
    {"LED_8BIT_OFF", 8, [] { return indicator("8 BIT", false, kAmber); }},
    {"LED_16BIT_ON", 8, [] { return indicator("16 BIT", true, kAmber); }},
    {"LED_16BIT_OFF", 8, [] { return indicator("16 BIT", false, kAmber); }},
    {"LED_STEREO_ON", 8, [] { return indicator("STEREO", true, kAmber); }},
    {"LED_STEREO_OFF", 8, [] { return indicator("STEREO", false, kAmber); }},
    {"LED_MONO_ON", 8, [] { return indicator("MONO", true, kAmber); }},
    {"LED_MONO_OFF", 8, [] { return indicator("MONO", false, kAmber); }},
    {"LED_HZ_ON", 8, [] { return indicator("kHz", true, kAmber); }},
    {"LED_HZ_OFF", 8, [] { return indicator("kHz", false, kAmber); }},
    {"WAVE_ICON", 0, [] { return icon(Glyph::wave); }},
    {"MIDI_ICON", 0, [] { return icon(Glyph::midi); }},
    {"CD_ICON", 0, [] { return icon(Glyph::cd); }},
};

const BitmapResources::Registration kRegistration(kPlinthArtModule, kEntries);

}  // namespace

}  // namespace rack::art
