// The button pictures of the program's toolbars and status bar, in a resource library of
// their own ("Knobset"). Each button has one picture per state: 0 up, 1 down, 2 disabled and,
// where a mark can show on a disabled button, 3 disabled with the mark. The face is drawn in
// the key colours (magenta face, pure red highlight, pure blue shadow) so that the image
// cache recolours them to the system's button colours; the symbols avoid those colours.

#include "platform/ui/resource/ImageResources.h"

#include <QPainter>
#include <QPainterPath>

#include <string>
#include <vector>

namespace {

const QColor kFace(255, 0, 255);
const QColor kHighlight(255, 0, 0);
const QColor kShadow(0, 0, 255);
const QColor kInk(24, 28, 34);
const QColor kDimmed(128, 124, 120);

using Symbol = void (*)(QPainter& p, const QRectF& r, const QColor& ink, bool lit);

struct Button {
    const char* prefix;
    int width;
    int height;
    int states;
    Symbol symbol;
    // The face key; the status bar's buttons key only their face and draw fixed edges.
    QColor face = kFace;
    bool keyedEdges = true;
};

// ---- Symbols, drawn in a box of the button's size less its edge ------------------------

void triangle(QPainter& p, QPointF a, QPointF b, QPointF c)
{
    QPainterPath path;
    path.moveTo(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    p.drawPath(path);
}

void play(QPainter& p, const QRectF& r, const QColor& ink, bool lit)
{
    p.setBrush(lit ? QColor(40, 170, 60) : ink);
    const QPointF c = r.center();
    triangle(p, c + QPointF(-4, -5), c + QPointF(5, 0), c + QPointF(-4, 5));
}

void pause(QPainter& p, const QRectF& r, const QColor& ink, bool lit)
{
    p.setBrush(lit ? QColor(220, 160, 30) : ink);
    const QPointF c = r.center();
    p.drawRect(QRectF(c.x() - 4, c.y() - 5, 3, 10));
    p.drawRect(QRectF(c.x() + 1, c.y() - 5, 3, 10));
}

void stop(QPainter& p, const QRectF& r, const QColor& ink, bool)
{
    p.setBrush(ink);
    const QPointF c = r.center();
    p.drawRect(QRectF(c.x() - 4.5, c.y() - 4.5, 9, 9));
}

void record(QPainter& p, const QRectF& r, const QColor& ink, bool lit)
{
    p.setBrush(ink == kDimmed ? ink : (lit ? QColor(240, 40, 30) : QColor(170, 30, 30)));
    p.drawEllipse(r.center(), 4.5, 4.5);
}

void loop(QPainter& p, const QRectF& r, const QColor& ink, bool lit)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(lit ? QColor(20, 120, 200) : ink, 1.6));
    const QPointF c = r.center();
    p.drawArc(QRectF(c.x() - 6, c.y() - 4, 12, 8), 30 * 16, 300 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(lit ? QColor(20, 120, 200) : ink);
    triangle(p, c + QPointF(3, -6.5), c + QPointF(7, -3.5), c + QPointF(3, -1));
}

void step(QPainter& p, const QRectF& r, const QColor& ink, bool lit)
{
    p.setBrush(lit ? QColor(40, 170, 60) : ink);
    const QPointF c = r.center();
    triangle(p, c + QPointF(-4, -5), c + QPointF(3, 0), c + QPointF(-4, 5));
    p.drawRect(QRectF(c.x() + 3, c.y() - 5, 2, 10));
}

void previous(QPainter& p, const QRectF& r, const QColor& ink, bool)
{
    p.setBrush(ink);
    const QPointF c = r.center();
    p.drawRect(QRectF(c.x() - 5, c.y() - 5, 2, 10));
    triangle(p, c + QPointF(5, -5), c + QPointF(-3, 0), c + QPointF(5, 5));
}

void next(QPainter& p, const QRectF& r, const QColor& ink, bool)
{
    p.setBrush(ink);
    const QPointF c = r.center();
    triangle(p, c + QPointF(-5, -5), c + QPointF(3, 0), c + QPointF(-5, 5));
    p.drawRect(QRectF(c.x() + 3, c.y() - 5, 2, 10));
}

void rewind(QPainter& p, const QRectF& r, const QColor& ink, bool)
{
    p.setBrush(ink);
    const QPointF c = r.center();
    triangle(p, c + QPointF(0, -5), c + QPointF(-6, 0), c + QPointF(0, 5));
    triangle(p, c + QPointF(6, -5), c + QPointF(0, 0), c + QPointF(6, 5));
}

void forward(QPainter& p, const QRectF& r, const QColor& ink, bool lit)
{
    p.setBrush(lit ? QColor(40, 170, 60) : ink);
    const QPointF c = r.center();
    triangle(p, c + QPointF(-6, -5), c + QPointF(0, 0), c + QPointF(-6, 5));
    triangle(p, c + QPointF(0, -5), c + QPointF(6, 0), c + QPointF(0, 5));
}

void page(QPainter& p, const QRectF& r, const QColor& ink, bool)
{
    const QPointF c = r.center();
    p.setPen(QPen(ink, 1));
    p.setBrush(QColor(250, 250, 244));
    QPainterPath path;
    path.moveTo(c + QPointF(-5, -7));
    path.lineTo(c + QPointF(2, -7));
    path.lineTo(c + QPointF(5, -4));
    path.lineTo(c + QPointF(5, 7));
    path.lineTo(c + QPointF(-5, 7));
    path.closeSubpath();
    p.drawPath(path);
}

void folder(QPainter& p, const QRectF& r, const QColor& ink, bool)
{
    const QPointF c = r.center();
    p.setPen(QPen(ink, 1));
    p.setBrush(ink == kDimmed ? QColor(200, 196, 190) : QColor(232, 190, 80));
    p.drawRect(QRectF(c.x() - 7, c.y() - 4, 14, 10));
    p.drawRect(QRectF(c.x() - 7, c.y() - 6, 6, 2));
}

void disk(QPainter& p, const QRectF& r, const QColor& ink, bool)
{
    const QPointF c = r.center();
    p.setPen(Qt::NoPen);
    p.setBrush(ink == kDimmed ? ink : QColor(50, 70, 120));
    p.drawRect(QRectF(c.x() - 7, c.y() - 7, 14, 14));
    p.setBrush(QColor(236, 236, 230));
    p.drawRect(QRectF(c.x() - 4, c.y() - 7, 8, 5));
    p.drawRect(QRectF(c.x() - 5, c.y() + 1, 10, 6));
}

void printer(QPainter& p, const QRectF& r, const QColor& ink, bool)
{
    const QPointF c = r.center();
    p.setPen(QPen(ink, 1));
    p.setBrush(QColor(250, 250, 244));
    p.drawRect(QRectF(c.x() - 4, c.y() - 7, 8, 6));
    p.setBrush(ink == kDimmed ? QColor(190, 186, 180) : QColor(110, 110, 118));
    p.drawRect(QRectF(c.x() - 7, c.y() - 2, 14, 6));
    p.setBrush(QColor(250, 250, 244));
    p.drawRect(QRectF(c.x() - 4, c.y() + 3, 8, 4));
}

void arrow(QPainter& p, const QRectF& r, const QColor& ink, bool)
{
    const QPointF c = r.center();
    p.setPen(QPen(QColor(250, 250, 244), 0.8));
    p.setBrush(ink);
    QPainterPath path;
    path.moveTo(c + QPointF(-4, -7));
    path.lineTo(c + QPointF(5, 2));
    path.lineTo(c + QPointF(0, 2));
    path.lineTo(c + QPointF(3, 7));
    path.lineTo(c + QPointF(1, 8));
    path.lineTo(c + QPointF(-2, 3));
    path.lineTo(c + QPointF(-4, 5));
    path.closeSubpath();
    p.drawPath(path);
}

void pencil(QPainter& p, const QRectF& r, const QColor& ink, bool)
{
    const QPointF c = r.center();
    p.setPen(QPen(ink, 1));
    p.setBrush(ink == kDimmed ? QColor(200, 196, 190) : QColor(240, 200, 60));
    QPainterPath path;
    path.moveTo(c + QPointF(-6, 7));
    path.lineTo(c + QPointF(-5, 3));
    path.lineTo(c + QPointF(4, -6));
    path.lineTo(c + QPointF(7, -3));
    path.lineTo(c + QPointF(-2, 6));
    path.closeSubpath();
    p.drawPath(path);
}

void letter(QPainter& p, const QRectF& r, const QColor& ink, const char* text)
{
    QFont font = p.font();
    font.setPixelSize(int(r.height() * 0.7));
    font.setBold(true);
    p.setFont(font);
    p.setPen(ink);
    p.drawText(r, Qt::AlignCenter, QString::fromLatin1(text));
}

void hotKey(QPainter& p, const QRectF& r, const QColor& ink, bool)
{
    p.setPen(QPen(ink, 1));
    p.setBrush(QColor(250, 250, 244));
    const QPointF c = r.center();
    p.drawRoundedRect(QRectF(c.x() - 7, c.y() - 7, 14, 14), 2, 2);
    letter(p, QRectF(c.x() - 7, c.y() - 7, 14, 14), ink, "K");
}

void note(QPainter& p, const QRectF& r, const QColor& ink, bool)
{
    const QPointF c = r.center();
    p.setPen(QPen(ink, 1.4));
    p.drawLine(c + QPointF(2, 4), c + QPointF(2, -7));
    p.drawLine(c + QPointF(2, -7), c + QPointF(6, -3));
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QRectF(c.x() - 4, c.y() + 1, 7, 5));
}

void mixer(QPainter& p, const QRectF& r, const QColor& ink, bool)
{
    const QPointF c = r.center();
    p.setPen(QPen(ink, 1));
    for (int i = 0; i < 3; ++i) {
        const double x = c.x() - 5 + i * 5;
        p.drawLine(QPointF(x, c.y() - 7), QPointF(x, c.y() + 7));
    }
    p.setBrush(ink);
    const double knobs[3] = {2, -4, 4};
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(c.x() - 7 + i * 5, c.y() + knobs[i] - 1.5, 4, 3));
}

void inspector(QPainter& p, const QRectF& r, const QColor& ink, bool)
{
    const QPointF c = r.center();
    p.setPen(QPen(ink, 1));
    p.setBrush(QColor(250, 250, 244));
    p.drawEllipse(c, 7, 7);
    letter(p, QRectF(c.x() - 7, c.y() - 7, 14, 14), ink, "i");
}

void quantize(QPainter& p, const QRectF& r, const QColor& ink, bool lit)
{
    p.setPen(QPen(lit ? QColor(20, 120, 200) : ink, 1));
    const QPointF c = r.center();
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(c.x() - 6 + i * 4, c.y() - 5), QPointF(c.x() - 6 + i * 4, c.y() + 5));
    p.setPen(Qt::NoPen);
    p.setBrush(lit ? QColor(20, 120, 200) : ink);
    p.drawRect(QRectF(c.x() - 6, c.y() - 1.5, 4, 3));
    p.drawRect(QRectF(c.x() + 2, c.y() - 1.5, 4, 3));
}

void metronome(QPainter& p, const QRectF& r, const QColor& ink, bool lit)
{
    const QPointF c = r.center();
    p.setPen(QPen(ink, 1));
    p.setBrush(ink == kDimmed ? QColor(200, 196, 190) : QColor(150, 100, 50));
    QPainterPath path;
    path.moveTo(c + QPointF(-2, -7));
    path.lineTo(c + QPointF(2, -7));
    path.lineTo(c + QPointF(6, 7));
    path.lineTo(c + QPointF(-6, 7));
    path.closeSubpath();
    p.drawPath(path);
    p.setPen(QPen(lit ? QColor(240, 200, 60) : QColor(250, 250, 244), 1.4));
    p.drawLine(c + QPointF(0, 4), c + QPointF(lit ? 5 : 0, -6));
}

// The keys once each, then a colour cube without them, so only the keys' own pixels map to
// the keys.
const QList<QRgb>& colorTable()
{
    static const QList<QRgb> table = [] {
        QList<QRgb> colours{kFace.rgb(), kHighlight.rgb(), kShadow.rgb()};
        for (int r = 0; r < 6; ++r) {
            for (int g = 0; g < 6; ++g) {
                for (int b = 0; b < 6; ++b) {
                    const QRgb colour = qRgb(r * 51, g * 51, b * 51);
                    if (!colours.contains(colour))
                        colours.append(colour);
                }
            }
        }
        for (int grey = 8; grey < 256 && colours.size() < 256; grey += 12) {
            if (!colours.contains(qRgb(grey, grey, grey)))
                colours.append(qRgb(grey, grey, grey));
        }
        return colours;
    }();
    return table;
}

// ---- Faces ----------------------------------------------------------------------------

// State 0 raised, 1 sunken and lit, 2 raised and dimmed, 3 raised, dimmed and lit (the mark).
QImage paintButton(const Button& button, int state, int scale)
{
    QImage image(button.width * scale, button.height * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(button.face);
    QPainter p(&image);
    const bool down = state == 1;
    const QColor light = button.keyedEdges ? kHighlight : QColor(250, 250, 246);
    const QColor dark = button.keyedEdges ? kShadow : QColor(96, 96, 100);
    const QRectF box(0, 0, button.width, button.height);
    // The edge stays crisp so that the key colours are exact for the recolouring.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(down ? dark : light);
    p.drawRect(QRectF(0, 0, button.width, 1));
    p.drawRect(QRectF(0, 0, 1, button.height));
    p.setBrush(down ? light : dark);
    p.drawRect(QRectF(0, button.height - 1, button.width, 1));
    p.drawRect(QRectF(button.width - 1, 0, 1, button.height));
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF inner = box.adjusted(2, 2, -2, -2).translated(down ? 1 : 0, down ? 1 : 0);
    const QColor ink = state >= 2 ? kDimmed : kInk;
    button.symbol(p, inner, ink, state == 1 || state == 3);
    p.end();
    // The image cache recolours the keys in the colour table, so the picture goes out as an
    // indexed image whose keys are exact entries of its own.
    return image.convertToFormat(QImage::Format_Indexed8, colorTable(), Qt::ThresholdDither | Qt::AvoidDither);
}

const Button kButtons[] = {
    {"NEW", 24, 22, 3, page},
    {"OPEN", 24, 22, 3, folder},
    {"SAVE", 24, 22, 3, disk},
    {"PRINT", 24, 22, 3, printer},
    {"MODESELECT", 24, 22, 3, arrow},
    {"MODEEDIT", 24, 22, 3, pencil},
    {"MODEHOTKEY", 24, 22, 3, hotKey},
    {"TOOLMUSIC", 24, 22, 3, note},
    {"TOOLMIXER", 24, 22, 3, mixer},
    {"TOOLPROPERTIES", 24, 22, 3, inspector},
    {"LOOP", 24, 22, 4, loop},
    {"STEP", 24, 22, 3, step},
    {"RECORD", 24, 22, 3, record},
    {"PAUSE", 24, 22, 3, pause},
    {"STOP", 24, 22, 3, stop},
    {"PLAY", 24, 22, 3, play},
    {"PREVIOUS", 24, 22, 3, previous},
    {"NEXT", 24, 22, 3, next},
    {"REWIND", 24, 22, 3, rewind},
    {"FORWARD", 24, 22, 3, forward},
    {"QUANTIZE", 22, 16, 2, quantize, kShadow, false},
    {"METRO", 22, 16, 2, metronome, kFace, false},
};

std::vector<plat::ui::ImageResources::Entry> makeEntries()
{
    std::vector<plat::ui::ImageResources::Entry> entries;
    for (const Button& button : kButtons) {
        for (int state = 0; state < button.states; ++state) {
            entries.push_back({std::string(button.prefix) + std::to_string(state),
                               [&button, state](int scale) { return paintButton(button, state, scale); }});
        }
    }
    return entries;
}

const std::vector<plat::ui::ImageResources::Entry> kEntries = makeEntries();
const plat::ui::ImageResources::Registration registration("Knobset", kEntries);

}  // namespace
