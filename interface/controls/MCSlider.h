#pragma once

#include "interface/InterfaceExport.h"

#include <QAbstractSlider>
#include <QPoint>
#include <QRect>

#include <cstdint>

class MCBitmap;

// A fader: a thumb image moving along a track image (both from the image cache), holding a
// value from 0 to 1: vertical, 0 at the top of the travel; horizontal, 0 at the left. The
// thumb's hot spot follows the pointer; a click jumps the thumb there. The keys and the wheel
// step it. The parent hears 0x3090 while it moves and 0x3091 when it is let go.
class INTERFACE_API MCSlider : public QAbstractSlider {
public:
    static constexpr int kMoving = 0x3090;
    static constexpr int kReleased = 0x3091;
    static constexpr uint32_t kDefaultTrack = 11692;
    static constexpr uint32_t kDefaultThumb = 11693;
    enum Mode { vertical = 0, horizontal = 1 };

    explicit MCSlider(QWidget* parent = nullptr);

    bool Create(QWidget* parent, int id);
    bool SubclassSlider(int id, QWidget* parent, int mode);
    void SetMode(int mode) { m_mode = mode; update(); }
    int GetMode() const { return m_mode; }
    double GetValue() const { return m_value; }
    // Moves the thumb (a value outside 0 to 1 is limited to it); before the images are there
    // the value waits for the first paint.
    void SetValue(double value);
    void SizeToContent();

    // The track and thumb images (added to the image cache by their owner), where the thumb
    // travels on the track, and the thumb's hot spot.
    bool SetImageInfo(uint32_t trackId, uint32_t thumbId, const QRect& track, const QPoint& hotSpot);

    // The thumb's top left for value (with raw false, its hot spot); (0, 0) without a thumb.
    QPoint Value2XY(double value, bool raw) const;
    // The value of a pointer position; 0 without a thumb.
    double XY2Value(const QPoint& point) const;
    // The part of the last thumb area the current one leaves, enlarged by one pixel.
    const QRect& InvalidRect() const { return m_invalid; }
    QRect ThumbRect() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    MCBitmap* track() const;
    MCBitmap* thumb() const;
    void ensureImages();
    void follow(const QPoint& at);
    // Moves the thumb to v; byUser tells the value to the signals, as a drag does.
    void place(double v, bool byUser);

    bool m_painted = false;
    bool m_imagesSet = false;
    bool m_dragging = false;
    int m_mode = vertical;
    double m_value = 0.5;
    QRect m_track;
    QRect m_invalid;
    QPoint m_hotSpot;
    QPoint m_thumbPosition;
    uint32_t m_trackId = 0;
    uint32_t m_thumbId = 0;
};
