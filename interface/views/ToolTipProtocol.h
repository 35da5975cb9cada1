#pragma once

#include "interface/InterfaceExport.h"

#include <QPoint>

#include <optional>
#include <string>

class QEvent;
class QWidget;

// How the Interface's bars, pages and forms find the tool tip for the control under the
// pointer: the control's item id names a string; the part after its first newline is the tip
// (the part before it is the status-bar prompt).
namespace tooltips {

// Statics carry this id and never get a tip.
constexpr int kStaticId = 0xFFFF;
// Tips of this many characters or more are not shown.
constexpr int kMaxTipChars = 80;

struct ToolInfo {
    const QWidget* window = nullptr;
    QWidget* tool = nullptr;
    // Not a button: the tip is centred below the control instead of following the pointer.
    bool notButton = false;
};

// The id (low 16 bits) of the topmost visible child of window with an id other than the
// static one whose rectangle holds point (window coordinates); -1 when none does.
INTERFACE_API int ToolHitTest(const QWidget* window, QPoint point, ToolInfo* info);

// The tip for control id id from the current string table; nothing for id 0, a missing
// string or a tip of kMaxTipChars characters or more (the last two are traced).
INTERFACE_API std::optional<std::string> ToolTipText(int id);

// Shows the tip for the control at point of window (a tool-tip event's position); false when
// there is none, and any tip shown is hidden.
INTERFACE_API bool ShowToolTip(const QWidget* window, QPoint point, QPoint globalPoint);

// For a window's event(): a tool-tip event is answered with the tip of the control under the
// pointer (true: the event is taken); any other event is left to the window (false).
INTERFACE_API bool HandleToolTipEvent(const QWidget* window, QEvent* event);

}  // namespace tooltips
