#pragma once

#include "platform/ui/PlatUiExport.h"

#include <QPoint>
#include <QRect>

#include <optional>

namespace plat::ui {

enum class CursorShape { arrow, wait, help, cross };

// The mouse pointer: its shape while the program is busy, its visibility, its position on
// the screen and the rectangle it is confined to.
class PLATUI_API Cursor {
public:
    // The wait shape shows over every window until the arrow is set again; the other shapes
    // only end a wait.
    static void setShape(CursorShape shape);
    static CursorShape shape();

    // Hides or shows the pointer: a display count that starts at 0, lowered by each hide and
    // raised by each show; the pointer shows while the count is 0 or more. Answers the new
    // count.
    static int show(bool visible);

    static QPoint position();
    static void setPosition(const QPoint& screenPoint);

    // Confines the pointer to a rectangle of the screen (none: free again). The windows keep
    // it inside as it moves.
    static void clip(const std::optional<QRect>& screenRect);
    static std::optional<QRect> clipRect();
    // point moved into the clip rectangle (as it is when there is none).
    static QPoint clipped(const QPoint& screenPoint);

private:
    static void apply();
};

}  // namespace plat::ui
