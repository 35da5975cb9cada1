#pragma once

#include "rack/plinthui/PlinthUiExport.h"

#include "platform/ui/rackwindow/WindowMessage.h"

#include <cstdint>

namespace plat::ui {
class Window;
}

namespace rack {

// The commands an owner sends a scroll control (kCommandMessage, lParam the value).
inline constexpr unsigned kScrollSetLength = 200;
inline constexpr unsigned kScrollAddData = 210;  // an event (lParam -> three int32), or a signal
inline constexpr unsigned kScrollEvents = 212;   // non-zero repaints, zero frees the events
inline constexpr unsigned kScrollSetPosition = 230;
inline constexpr unsigned kScrollSetEnd = 240;
inline constexpr unsigned kScrollSetSelectionStart = 241;
inline constexpr unsigned kScrollSetSelectionEnd = 242;
inline constexpr unsigned kScrollAddMarker = 243;
inline constexpr unsigned kScrollRemoveMarker = 244;  // a negative value removes all
inline constexpr unsigned kScrollGetLength = 300;
inline constexpr unsigned kScrollGetPosition = 310;
inline constexpr unsigned kScrollGetPosition2 = 320;
inline constexpr unsigned kScrollGetEnd = 330;
inline constexpr unsigned kScrollGetEndWidth = 340;
inline constexpr unsigned kScrollSetEndWidth = 342;
inline constexpr unsigned kScrollRedrawEdges = 400;
inline constexpr unsigned kScrollBackgroundColor = 500;
inline constexpr unsigned kScrollSignalColor = 510;
inline constexpr unsigned kScrollSelectionColor = 511;
inline constexpr unsigned kScrollBaselineColor = 520;
inline constexpr unsigned kScrollEndCapColor = 530;
inline constexpr unsigned kScrollMarkerColor = 531;

// The reports a scroll control sends its owner: kScrollReport with wParam one of these codes
// and lParam the position (or the value at the dragged edge).
inline constexpr plat::ui::MessageId kScrollReport = plat::ui::kUserMessage + 1;
inline constexpr uintptr_t kReportStepLeftCap = 110;
inline constexpr uintptr_t kReportStepBack = 111;
inline constexpr uintptr_t kReportStepRightCap = 115;
inline constexpr uintptr_t kReportStepForward = 116;
inline constexpr uintptr_t kReportLeftEdgeDone = 120;
inline constexpr uintptr_t kReportRangeDone = 130;
inline constexpr uintptr_t kReportRangeDragging = 134;
inline constexpr uintptr_t kReportRightEdgeDone = 140;
inline constexpr uintptr_t kReportLeftEdgeDragging = 160;
inline constexpr uintptr_t kReportRightEdgeDragging = 162;

// The two overview controls: EVNTSCROLL shows events as green bars in rows, SGNLSCROLL a
// level trace; both show a view range between two end caps that the user drags or steps,
// and up to 16 markers. They are created with a pointer to a colour (ColorRef) as their
// creation parameter, which all six colours start as.
class PLINTHUI_API ScrollControl {
public:
    static intptr_t proc(plat::ui::Window* window, plat::ui::MessageId message, uintptr_t wParam, intptr_t lParam,
                         bool signal);
    // A tick of the echo timer while a step area or end cap is held.
    static void echoStep(plat::ui::Window* window);
};

}  // namespace rack
