#pragma once

#include <QRect>
#include <QSize>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace plat::ui {
class Window;
}

namespace rack {

// The states of a button or a strip slot.
inline constexpr int kStateUp = 1;
inline constexpr int kStateDown = 2;
inline constexpr int kStateDisabled = 3;

// The faces of a button, as bitmap ids of plinthui (0: none).
enum FaceIndex { kFaceUp = 0, kFaceDown = 1, kFaceDisabled = 2, kFaceLatched = 3 };

// One button: a plain button (PRTTBUTTON), or one slot of a strip (CMPSTBTTN).
struct ButtonState {
    uintptr_t commandId = 0;
    std::string caption;
    std::string descriptor;
    char family = 0;
    QSize faceSize;
    std::array<int, 4> faces{};
    // The tool tip: a string id, or a text of its own when one was given.
    uint32_t toolTipId = 0;
    std::string toolTipText;
    int state = kStateUp;
    // Where the face lies in the window: (0, 0) for a plain button, the slot's rectangle in a strip.
    QRect rect;
    bool inside = false;
    bool autoRepeat = false;
    int repeats = 0;
    bool held = false;
    bool latched = false;
    // The flash under way: its next step, -1 when none.
    int flashStep = -1;
};

// A plain button's block: the button and the window it reports to.
struct PrettyButtonState {
    plat::ui::Window* owner = nullptr;
    ButtonState button;
};

// A strip's block: its slots, the one held (-1 none), and the window it reports to.
struct CompositeButtonState {
    plat::ui::Window* owner = nullptr;
    uintptr_t commandId = 0;
    QSize size;
    int heldSlot = -1;
    bool held = false;
    std::vector<ButtonState> buttons;  // one per slot
};

}  // namespace rack
