#pragma once

#include "rack/plinthart/PlinthArtExport.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

class QPainter;

namespace rack::art {

// The pictograms on the rack's keys.
enum class Glyph {
    none, play, playLoop, record, pause, stop, previous, next, scanBack, scanForward, eject, loop, list, setup,
    mixer, wave, midi, cd,
};

// How a key looks: at rest, pressed, greyed, or lit (held down by its function).
enum class KeyLook { up, down, disabled, latched };

// The drawing of the rack's artwork: a graphite panel, silver keys with dark pictograms,
// black display glass with cyan segment digits and amber lights. Both rack libraries paint
// their resources with it, so every part of the rack looks the same.
class PLINTHART_API ArtKit {
public:
    static QColor panelColor();
    static QColor labelColor();
    static QColor digitColor();
    static QColor accentColor(Glyph glyph);

    // A new opaque image filled with fill.
    static QImage canvas(int width, int height, QColor fill);

    // Brushed graphite over rect, the same grain for the same seed.
    static void panel(QPainter& painter, const QRect& rect, uint32_t seed);
    // A one-pixel light and shadow border: raised (light above) or sunk (shadow above).
    static void bevel(QPainter& painter, const QRect& rect, bool raised);
    // A recess in the panel that keys sit in.
    static void well(QPainter& painter, const QRect& rect);
    // Black display glass with a sunk rim.
    static void glass(QPainter& painter, const QRect& rect);
    // Small capitals printed on the panel.
    static void print(QPainter& painter, const QRect& rect, const QString& text, int pixelSize,
                      Qt::Alignment alignment, QColor color);
    // Slots of a ventilation grille across rect.
    static void grille(QPainter& painter, const QRect& rect);

    // A seven-segment digit filling cell (digit -1: all segments dark), the dark segments
    // faintly visible.
    static void segmentDigit(QPainter& painter, const QRect& cell, int digit, QColor lit, QColor dark);
    // The two dots of a clock colon, in a cell two pixels wide.
    static void colon(QPainter& painter, const QRect& cell, QColor color);
    // A round lamp.
    static void lamp(QPainter& painter, const QRect& rect, QColor hue, bool lit);
    // A column of level segments (green, then yellow, then red at the top).
    static void levelColumn(QPainter& painter, const QRect& rect, bool lit);

    // A silver key cap in rect with its pictogram or label (the label in place of a
    // pictogram when glyph is none). A lit key shows its accent colour.
    static void key(QPainter& painter, const QRect& rect, KeyLook look, Glyph glyph, const QString& label = {});
    static void glyph(QPainter& painter, const QRect& rect, Glyph glyph, QColor color);
};

}  // namespace rack::art
