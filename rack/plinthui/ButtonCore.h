#pragma once

#include "rack/plinthui/PlinthUiExport.h"

#include "rack/plinthui/ButtonState.h"

#include <cstdint>
#include <string>

namespace plat::ui {
class DrawContext;
class Window;
}  // namespace plat::ui

namespace rack {

// What plain buttons and strip slots have in common: painting a face, the mouse, the part
// of the command protocol that acts on one button, and the flash.
class PLINTHUI_API ButtonCore {
public:
    // The window timer of a flash: one per slot (slot -1 for a plain button).
    static uintptr_t flashTimerId(int slot) { return 0x4108 + uintptr_t(slot + 1); }

    // Paints one face (by id) at the button's place, with the caption; a face that does not
    // load is not drawn.
    static void paintFace(plat::ui::DrawContext& dc, const ButtonState& button, int faceId);
    // Paints the face of the button's state.
    static void paint(plat::ui::DrawContext& dc, const ButtonState& button);
    static void repaint(plat::ui::Window* window, const ButtonState& button);
    // The highlight frame i of the flash over the button.
    static void paintFlashFrame(plat::ui::DrawContext& dc, const ButtonState& button, int frame);

    // Presses the button (when not held nor disabled): it captures the mouse and shows its
    // down face; an auto-repeat button posts kNotifyPress. Answers whether it was pressed.
    static bool press(plat::ui::Window* window, plat::ui::Window* owner, ButtonState& button);
    // Follows the pointer while held: the down face inside, the up face outside.
    static void track(plat::ui::Window* window, ButtonState& button, bool inside);
    // Lets the held button go and posts what the release means (repeating: whether it was the
    // held auto-repeat button).
    static void release(plat::ui::Window* window, plat::ui::Window* owner, ButtonState& button, bool repeating);

    // The commands that act on one button or slot (latch, repeat, tool tip, enable, blink,
    // flash). value is the command's value; lParam is the whole parameter (a text pointer
    // for a tool tip). Answers false for other codes.
    static bool command(plat::ui::Window* window, ButtonState& button, int slot, uintptr_t code, uintptr_t value,
                        intptr_t lParam);
    // One step of a flash (its window timer fired).
    static void flashStep(plat::ui::Window* window, ButtonState& button, int slot);

    // Enabled (state up, up face) or disabled (state disabled, disabled face).
    static void setEnabled(plat::ui::Window* window, ButtonState& button, bool enabled);

    // The tool tip text of a button: its own text, or its string id's.
    static std::string toolTipText(const ButtonState& button);

    static void notify(plat::ui::Window* owner, const ButtonState& button, intptr_t code);
};

}  // namespace rack
