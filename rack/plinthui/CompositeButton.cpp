#include "rack/plinthui/PlinthUi.h"

#include "rack/plinthui/ButtonCore.h"
#include "rack/plinthui/ControlIds.h"
#include "rack/plinthui/ControlModule.h"
#include "rack/plinthui/LookDescriptor.h"

#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/rackwindow/Window.h"

// CMPSTBTTN: a strip of bitmap slots, each a button of its own with a command id that the
// owner gives it.
namespace rack {

namespace {

using namespace plat::ui;

constexpr int kSlotStep = 41;
constexpr QSize kSlotSize(34, 24);
constexpr QSize kStripSize(280, 24);

intptr_t create(Window* window, const CreateInfo& info)
{
    auto state = std::make_shared<CompositeButtonState>();
    state->owner = info.parent;
    state->commandId = info.id;
    state->size = kStripSize;
    const std::vector<std::string_view> looks = LookDescriptor::stripSlots(info.text);
    state->buttons.resize(looks.size());
    ToolTip* tips = ControlModule::instance().toolTip.get();
    for (size_t i = 0; i < looks.size(); ++i) {
        ButtonState& slot = state->buttons[i];
        slot.rect = QRect(QPoint(kSlotStep * int(i), 0), kSlotSize);
        LookDescriptor::apply(looks[i], slot);
        if (tips)
            tips->addTool(window, i + 1, slot.rect, [window, i] {
                const auto s = window->property<CompositeButtonState>(kStripProperty);
                return s && i < s->buttons.size() ? ButtonCore::toolTipText(s->buttons[i]) : std::string();
            });
    }
    window->setProperty(kStripProperty, state);
    window->show(true);
    window->update();
    return 0;
}

// The slot that the owner names by its command id; -1 when none has it, and such a command
// is ignored rather than acting on the first slot.
int slotById(const CompositeButtonState& state, int64_t id)
{
    for (size_t i = 0; i < state.buttons.size(); ++i)
        if (int64_t(state.buttons[i].commandId) == id)
            return int(i);
    return -1;
}

// The slot whose rectangle holds the point; -1 in the gaps between slots, so a click that
// misses every key presses none.
int slotAt(const CompositeButtonState& state, int x, int y)
{
    for (int i = int(state.buttons.size()) - 1; i >= 0; --i)
        if (state.buttons[size_t(i)].rect.contains(x, y))
            return i;
    return -1;
}

void paintAll(Window* window, CompositeButtonState& state)
{
    DrawContext dc = window->beginPaint();
    for (const ButtonState& slot : state.buttons)
        ButtonCore::paint(dc, slot);
}

intptr_t command(Window* window, CompositeButtonState& state, uintptr_t code, intptr_t lParam)
{
    ControlModule& module = ControlModule::instance();
    const unsigned value = loWord(uintptr_t(lParam));
    const unsigned slotId = hiWord(uintptr_t(lParam));
    switch (code) {
    case kControlSlotId:
        if (value < state.buttons.size())
            state.buttons[value].commandId = slotId;
        return 0;
    case kControlSlotTarget:
        if (value == kSlotTargetValue)
            module.pendingSlotId = slotId;
        return 0;
    case kControlLook: {
        const int slot = slotById(state, module.pendingSlotId);
        module.pendingSlotId = -1;
        const char* descriptor = reinterpret_cast<const char*>(lParam);
        if (slot < 0 || !descriptor)
            return 0;
        LookDescriptor::apply(descriptor, state.buttons[size_t(slot)]);
        ButtonCore::repaint(window, state.buttons[size_t(slot)]);
        return 0;
    }
    default: {
        const int slot = slotById(state, slotId);
        if (slot >= 0)
            ButtonCore::command(window, state.buttons[size_t(slot)], slot, code, value, lParam);
        return 0;
    }
    }
}

void destroyed(Window* window, CompositeButtonState& state)
{
    ControlModule& module = ControlModule::instance();
    if (module.popup)
        ctl_ShowButtonInformation(nullptr, 0, 0, 0);
    module.echo.forget(window);
    if (module.heldStrip == window) {
        module.heldStrip = nullptr;
        module.echo.use(-1);
    }
    state.held = false;
    window->removeProperty(kStripProperty);
}

}  // namespace

intptr_t Win_CompositeButton(Window* window, MessageId message, uintptr_t wParam, intptr_t lParam)
{
    if (message == kCreateMessage)
        return create(window, *reinterpret_cast<const CreateInfo*>(lParam));
    const std::shared_ptr<CompositeButtonState> state = window->property<CompositeButtonState>(kStripProperty);
    if (!state)
        return message == kPaintMessage ? 0 : defWindowProc(window, message, wParam, lParam);
    ControlModule& module = ControlModule::instance();

    switch (message) {
    case kPaintMessage: paintAll(window, *state); return 0;
    case kLeftButtonDownMessage: {
        if (state->held)
            return 0;
        const int slot = slotAt(*state, pointX(lParam), pointY(lParam));
        if (slot < 0 || !ButtonCore::press(window, state->owner, state->buttons[size_t(slot)]))
            return 0;
        state->held = true;
        state->heldSlot = slot;
        if (state->buttons[size_t(slot)].autoRepeat) {
            module.heldStrip = window;
            module.echo.use(+1);
        }
        return 0;
    }
    case kMouseMoveMessage:
        if (state->held && state->heldSlot >= 0) {
            ButtonState& slot = state->buttons[size_t(state->heldSlot)];
            ButtonCore::track(window, slot, slot.rect.contains(pointX(lParam), pointY(lParam)));
        }
        return 0;
    case kLeftButtonUpMessage: {
        if (!state->held || state->heldSlot < 0)
            return 0;
        const bool repeating = module.heldStrip == window;
        ButtonState& slot = state->buttons[size_t(state->heldSlot)];
        state->held = false;
        state->heldSlot = -1;
        ButtonCore::release(window, state->owner, slot, repeating);
        if (repeating) {
            module.heldStrip = nullptr;
            module.echo.use(-1);
        }
        return 0;
    }
    case kCommandMessage: return command(window, *state, wParam, lParam);
    case kEnableMessage:
        if (wParam == 0 && module.popup)
            ctl_ShowButtonInformation(nullptr, 0, 0, 0);
        for (ButtonState& slot : state->buttons)
            ButtonCore::setEnabled(window, slot, wParam != 0);
        return 0;
    case kMoveMessage:
    case kSetFocusMessage:
        window->invalidate(false);
        window->update();
        return 0;
    case kTimerMessage:
        for (size_t i = 0; i < state->buttons.size(); ++i)
            if (wParam == ButtonCore::flashTimerId(int(i)))
                ButtonCore::flashStep(window, state->buttons[i], int(i));
        return 0;
    case kDestroyMessage: destroyed(window, *state); return 0;
    default: return defWindowProc(window, message, wParam, lParam);
    }
}

}  // namespace rack
