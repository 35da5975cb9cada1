#include "rack/plinthui/ButtonCore.h"

#include "rack/plinthui/ControlIds.h"
#include "rack/plinthui/ControlModule.h"
#include "rack/plinthui/PlinthUiStrings.h"

#include "rack/plinthart/GraphicCache.h"

#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/rackwindow/Cursor.h"
#include "platform/ui/rackwindow/Window.h"

#include <algorithm>

namespace rack {

namespace {

using plat::ui::Brush;
using plat::ui::DrawContext;
using plat::ui::Window;

// The flash: 60 ms, the down face, 60 ms, then 16 highlight frames 11 ms apart, then the
// face of the button's state.
constexpr uint32_t kFlashWaitMs = 60;
constexpr uint32_t kFlashFrameMs = 11;
constexpr int kFlashFrames = 16;

int faceOfState(const ButtonState& button)
{
    switch (button.state) {
    case kStateDown: return button.faces[kFaceDown];
    case kStateDisabled: return button.faces[kFaceDisabled];
    default: return button.faces[kFaceUp];
    }
}

void paintCaption(DrawContext& dc, const ButtonState& button, bool down)
{
    if (button.caption.empty())
        return;
    int fontId = kFontMode;
    int y = 2;
    int baseX = 19;
    if (button.descriptor.substr(0, 2) != "!K") {
        const bool shortCaption = button.caption.size() < 7;
        fontId = shortCaption ? kFontProof : kFontTags;
        y = shortCaption ? 3 : 6;
        baseX = 12;
    }
    dc.setFont(GetGraphicFont(fontId));
    const int width = dc.textExtent(button.caption).width();
    // A caption of up to 24 pixels is centred in 32 pixels from the base.
    int x = width > 24 ? baseX : baseX + (32 - width) / 2;
    if (down)
        ++x;
    dc.setBackgroundMode(plat::ui::BackgroundMode::transparent);
    dc.setTextColor(0);
    dc.textOut(button.rect.x() + x, button.rect.y() + y, button.caption);
}

}  // namespace

void ButtonCore::paintFace(DrawContext& dc, const ButtonState& button, int faceId)
{
    ControlModule& module = ControlModule::instance();
    if (const plat::ui::Bitmap* face = faceId != 0 ? module.faces.get(faceId) : nullptr) {
        const plat::ui::Palette* previous = dc.selectPalette(GetGraphicPalette());
        dc.realizePalette();
        dc.blit(button.rect.x(), button.rect.y(), button.faceSize.width(), button.faceSize.height(), *face, 0, 0);
        dc.selectPalette(previous);
    }
    paintCaption(dc, button, faceId != 0 && faceId == button.faces[kFaceDown]);
    module.faces.flushIfFull();
}

void ButtonCore::paint(DrawContext& dc, const ButtonState& button)
{
    paintFace(dc, button, faceOfState(button));
}

void ButtonCore::repaint(Window* window, const ButtonState& button)
{
    DrawContext dc = window->drawContext();
    paint(dc, button);
}

void ButtonCore::paintFlashFrame(DrawContext& dc, const ButtonState& button, int frame)
{
    const QRect face(button.rect.topLeft(), button.faceSize);
    if (frame == 0) {
        const QRect ring = face.adjusted(1, 1, -1, -1);
        const Brush magenta = Brush::solid(0xFF00FF);
        dc.frameRect(ring, magenta);
        dc.frameRect(ring.adjusted(1, 1, -1, -1), magenta);
    }
    // A ring inset by the frame's number (at most half the face), its sides up to four
    // pixels wide: a yellow outline that closes in and thickens.
    const int half = std::min(face.width(), face.height()) / 2;
    const int inset = std::min(frame, half);
    const QRect ring = face.adjusted(inset, inset, -inset, -inset);
    const int thickness = std::min({frame + 1, 4, std::max(1, half - inset)});
    const Brush yellow = Brush::solid(0x00FFFF);
    for (int i = 0; i < thickness && ring.width() > 2 * i && ring.height() > 2 * i; ++i)
        dc.frameRect(ring.adjusted(i, i, -i, -i), yellow);
}

bool ButtonCore::press(Window* window, Window* owner, ButtonState& button)
{
    if (button.held || button.state == kStateDisabled)
        return false;
    plat::ui::Cursor::setShape(plat::ui::CursorShape::arrow);
    button.held = true;
    button.state = kStateDown;
    button.inside = true;
    window->setCapture();
    repaint(window, button);
    if (button.autoRepeat) {
        button.repeats = 0;
        notify(owner, button, kNotifyPress);
    }
    return true;
}

void ButtonCore::track(Window* window, ButtonState& button, bool inside)
{
    if (!button.held || inside == button.inside)
        return;
    button.inside = inside;
    if (button.state == kStateDown) {
        DrawContext dc = window->drawContext();
        paintFace(dc, button, button.faces[inside ? kFaceDown : kFaceUp]);
    }
}

void ButtonCore::release(Window* window, Window* owner, ButtonState& button, bool repeating)
{
    if (!button.held)
        return;
    plat::ui::Cursor::setShape(plat::ui::CursorShape::arrow);
    Window::releaseCapture();
    button.held = false;
    if (button.state != kStateDisabled)
        button.state = kStateUp;
    repaint(window, button);
    // A button disabled while it was held reports nothing.
    if (button.state != kStateDisabled) {
        if (repeating) {
            if (button.inside && button.repeats == 0)
                notify(owner, button, kNotifyRepeat);
            notify(owner, button, kNotifyRelease);
        } else if (button.inside) {
            notify(owner, button, kNotifyClick);
        }
    }
    button.inside = false;
}

bool ButtonCore::command(Window* window, ButtonState& button, int slot, uintptr_t code, uintptr_t value,
                         intptr_t lParam)
{
    ControlModule& module = ControlModule::instance();
    switch (code) {
    case kControlLatch: {
        if (button.faces[kFaceLatched] == 0)
            return true;
        const bool latch = value == kLatchToggle ? !button.latched : value == kLatchOn;
        if (latch != button.latched) {
            std::swap(button.faces[kFaceUp], button.faces[kFaceLatched]);
            button.latched = latch;
        }
        repaint(window, button);
        return true;
    }
    case kControlRepeatOn: button.autoRepeat = true; return true;
    case kControlRepeatOff: button.autoRepeat = false; return true;
    case kControlToolTip:
        if (slot < 0 && uintptr_t(lParam) > 0xFFFF) {
            button.toolTipText = reinterpret_cast<const char*>(lParam);
        } else {
            button.toolTipId = uint32_t(value);
            button.toolTipText.clear();
        }
        return true;
    case kControlEnable: setEnabled(window, button, value != 0); return true;
    case kControlBlinkOn:
        if (module.echo.startBlinking(window, slot))
            module.echo.use(+1);
        return true;
    case kControlBlinkOff:
        if (module.echo.stopBlinking(window, slot)) {
            module.echo.use(-1);
            repaint(window, button);
        }
        return true;
    case kControlFlash:
        button.flashStep = 0;
        window->setTimer(flashTimerId(slot), kFlashWaitMs);
        return true;
    default: return false;
    }
}

void ButtonCore::flashStep(Window* window, ButtonState& button, int slot)
{
    const uintptr_t timer = flashTimerId(slot);
    if (button.flashStep < 0) {
        window->killTimer(timer);
        return;
    }
    const int step = button.flashStep++;
    DrawContext dc = window->drawContext();
    paintFace(dc, button, button.faces[kFaceDown]);
    if (step == 0) {
        window->setTimer(timer, kFlashWaitMs);
    } else if (step <= kFlashFrames) {
        paintFlashFrame(dc, button, step - 1);
        if (step == 1)
            window->setTimer(timer, kFlashFrameMs);
    } else {
        paint(dc, button);
        button.flashStep = -1;
        window->killTimer(timer);
    }
}

void ButtonCore::setEnabled(Window* window, ButtonState& button, bool enabled)
{
    button.state = enabled ? kStateUp : kStateDisabled;
    repaint(window, button);
}

std::string ButtonCore::toolTipText(const ButtonState& button)
{
    if (!button.toolTipText.empty())
        return button.toolTipText;
    return button.toolTipId != 0 ? plinthUiString(button.toolTipId) : std::string();
}

void ButtonCore::notify(Window* owner, const ButtonState& button, intptr_t code)
{
    if (Window::isWindow(owner))
        owner->post(plat::ui::kCommandMessage, button.commandId, code);
}

}  // namespace rack
