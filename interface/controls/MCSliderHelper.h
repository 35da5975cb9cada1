#pragma once

#include <QAbstractSlider>

#include <cstdint>
#include <functional>

class MCBitmap;
class QMouseEvent;
class QPainter;

// What the sliders drawn from images of the image cache (the dial and the fader) do alike:
// they are made as dialog items, take their images at the screen's scale, tell their parent
// two notices (one while they move, one when they are let go) and draw the same focus frame.
class MCSliderHelper {
public:
    // Keys and the wheel move the slider as a drag does, and let it go at once: refresh brings
    // the control up to its new position, then the parent hears moving and released.
    static void TellStepsToParent(QAbstractSlider& slider, int moving, int released, std::function<void()> refresh);
    // Makes control a child of parent with the item id; false without a parent.
    static bool Create(QWidget& control, QWidget* parent, int id);
    // Adds one of this library's images to the image cache at the control's scale, with the
    // system's key colours; the caller has switched to this library's resources.
    static void AddDefaultImage(const QWidget& control, uint32_t id);
    // The image at the control's scale, else the one at the plain scale; null when neither is
    // in the cache.
    static MCBitmap* Image(const QWidget& control, uint32_t id);
    // Ends a drag on the release of the left button and tells the parent released; the event
    // is ignored when it is another button or nothing was dragged.
    static void EndDrag(QAbstractSlider& slider, QMouseEvent& event, bool& dragging, int released);
    // The dotted frame around a control that has the focus.
    static void DrawFocus(QPainter& painter, const QWidget& control);
};
