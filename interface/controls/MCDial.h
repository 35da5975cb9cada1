#pragma once

#include "interface/InterfaceExport.h"

#include "platform/ui/draw/ColorRef.h"

#include <QAbstractSlider>
#include <QPoint>
#include <QRect>

#include <cstdint>

class MCBitmap;

// A rotary knob drawn from an image of the image cache, its pointer swept from 30 degrees
// (the least value) to 330 (the most): unipolar 0 to 1, or bipolar -1 to 1. A drag turns it
// two degrees a pixel (right and up turn it clockwise), a double-click sends it to its sticky
// angle, and the keys and the wheel step it. The parent hears 0x3080 while it turns and 0x3081
// when it is let go or reset.
class INTERFACE_API MCDial : public QAbstractSlider {
public:
    static constexpr int kTurning = 0x3080;
    static constexpr int kReleased = 0x3081;
    static constexpr int kMinAngle = 30;
    static constexpr int kMaxAngle = 330;
    static constexpr uint32_t kDefaultImage = 11680;
    enum Style { line = 0, dot = 1 };

    explicit MCDial(QWidget* parent = nullptr);

    bool Create(QWidget* parent, int id);
    bool SubclassDial(int id, QWidget* parent, int mode);
    void SetMode(int mode) { m_mode = mode; }
    int GetMode() const { return m_mode; }
    double GetValue() const;
    void SetValue(double value);
    void SizeToContent();

    // The image (added to the image cache by its owner) and the part of it that is the knob;
    // an empty part means the whole image.
    bool SetImageInfo(uint32_t imageId, const QRect& part);
    void SetStyle(int style) { m_style = style; update(); }
    int GetStyle() const { return m_style; }
    void SetIndicator(int size, plat::ui::ColorRef color);
    // The angle a double-click goes to (limited to 30 to 330); the value is kept for callers.
    void SetStickyAngle(int angle, int value);
    int GetStickyAngle() const { return m_stickyAngle; }
    // 0 both axes, 1 across only, 2 up and down only, 3 no motion.
    void SetConstraint(int constraint) { m_constraint = constraint & 3; }
    int GetConstraint() const { return m_constraint; }

    int GetAngle() const { return value(); }
    void SetAngle(int angle);
    // The pointer's end for angle, from the pivot.
    QPoint Angle2XY(int angle) const;
    const QRect& ImagePart() const { return m_part; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    MCBitmap* image();
    void ensureImage();

    bool m_dragging = false;
    bool m_imageSet = false;
    int m_constraint = 0;
    int m_mode = 0;
    int m_style = dot;
    int m_indicatorSize = 1;
    int m_stickyAngle = 0;
    int m_stickyValue = 0;
    plat::ui::ColorRef m_indicatorColor = 0;
    QRect m_part;
    QPoint m_last;
    uint32_t m_imageId = 0;
};
