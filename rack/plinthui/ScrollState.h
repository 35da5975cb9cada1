#pragma once

#include "platform/ui/draw/ColorRef.h"

#include <cstdint>
#include <vector>

namespace plat::ui {
class Window;
}

namespace rack {

// How a scroll control is being dragged or pressed.
enum ScrollDrag : int {
    kDragNone = 0,
    kDragLeftEdge = 1,
    kDragRightEdge = 3,
    kStepBack = 5,
    kStepForward = 6,
    kDragRange = 7,
    kLeftEndCap = 9,
    kRightEndCap = 11,
    kHelpShown = 12,
};

// An event of an event overview: its start and length (the first value is the owner's).
struct ScrollEvent {
    int32_t tag;
    int32_t start;
    int32_t length;
};

// The block of a scroll control (EVNTSCROLL or SGNLSCROLL).
struct ScrollState {
    static constexpr size_t kMaxMarkers = 16;

    plat::ui::Window* owner = nullptr;
    bool signal = false;
    int width = 0;
    int height = 0;
    std::vector<ScrollEvent> events;
    std::vector<int8_t> samples;
    int32_t length = 0;
    int32_t position = 0;
    int32_t end = 0;
    int32_t previousLength = 0;
    int32_t previousPosition = 0;
    int32_t previousEnd = 0;
    int32_t selectionStart = 0;
    int32_t selectionEnd = 0;
    plat::ui::ColorRef background = 0;
    plat::ui::ColorRef signalPen = 0;
    plat::ui::ColorRef baselinePen = 0;
    plat::ui::ColorRef endCaps = 0;
    plat::ui::ColorRef selection = 0;
    plat::ui::ColorRef markerColor = 0;
    int endWidth = 8;
    int drag = kDragNone;
    int lastX = 0;
    int moved = 0;
    int leftEdge = -1;
    int rightEdge = -1;
    bool stepPressed = false;
    std::vector<int32_t> markers;  // ascending, without duplicates

    bool hasEvents() const { return signal ? !samples.empty() : !events.empty(); }
};

}  // namespace rack
