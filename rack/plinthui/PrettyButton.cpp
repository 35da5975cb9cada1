#include "rack/plinthui/PlinthUi.h"

#include "rack/plinthui/ButtonCore.h"
#include "rack/plinthui/ControlIds.h"
#include "rack/plinthui/ControlModule.h"
#include "rack/plinthui/LookDescriptor.h"

#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/rackwindow/Window.h"

// PRTTBUTTON: one bitmap button.
namespace rack {

namespace {

using namespace plat::ui;

intptr_t create(Window* window, const CreateInfo& info)
{
    auto state = std::make_shared<PrettyButtonState>();
    state->owner = info.parent;
    ButtonState& button = state->button;
    button.commandId = info.id;
    if (info.createParam)
        button.caption = static_cast<const char*>(info.createParam);
    LookDescriptor::apply(info.text, button);
    button.state = kStateUp;
    window->setProperty(kButtonProperty, state);
    if (ToolTip* tips = ControlModule::instance().toolTip.get())
        tips->addTool(window, 0, std::nullopt, [window] {
            const auto s = window->property<PrettyButtonState>(kButtonProperty);
            return s ? ButtonCore::toolTipText(s->button) : std::string();
        });
    window->show(true);
    window->update();
    return 0;
}

void destroyed(Window* window, PrettyButtonState& state)
{
    ControlModule& module = ControlModule::instance();
    if (module.popup)
        ctl_ShowButtonInformation(nullptr, 0, 0, 0);
    module.echo.forget(window);
    if (module.heldButton == window) {
        module.heldButton = nullptr;
        module.echo.use(-1);
    }
    state.button.held = false;
    window->removeProperty(kButtonProperty);
}

}  // namespace

intptr_t Win_PrettyButton(Window* window, MessageId message, uintptr_t wParam, intptr_t lParam)
{
    if (message == kCreateMessage)
        return create(window, *reinterpret_cast<const CreateInfo*>(lParam));
    // A button without its block ignores everything and paints nothing.
    const std::shared_ptr<PrettyButtonState> state = window->property<PrettyButtonState>(kButtonProperty);
    if (!state)
        return message == kPaintMessage ? 0 : defWindowProc(window, message, wParam, lParam);
    ButtonState& button = state->button;
    ControlModule& module = ControlModule::instance();

    switch (message) {
    case kPaintMessage: {
        DrawContext dc = window->beginPaint();
        ButtonCore::paint(dc, button);
        return 0;
    }
    case kLeftButtonDownMessage:
        if (ButtonCore::press(window, state->owner, button) && button.autoRepeat) {
            module.heldButton = window;
            module.echo.use(+1);
        }
        return 0;
    case kMouseMoveMessage:
        ButtonCore::track(window, button, window->clientRect().contains(pointX(lParam), pointY(lParam)));
        return 0;
    case kLeftButtonUpMessage: {
        if (!button.held)
            return 0;
        const bool repeating = module.heldButton == window;
        ButtonCore::release(window, state->owner, button, repeating);
        if (repeating) {
            module.heldButton = nullptr;
            module.echo.use(-1);
        }
        return 0;
    }
    case kCommandMessage:
        if (wParam == kControlLook) {
            const char* descriptor = reinterpret_cast<const char*>(lParam);
            LookDescriptor::apply(descriptor ? descriptor : "", button);
            window->setText(button.descriptor);
            ButtonCore::repaint(window, button);
            return 0;
        }
        ButtonCore::command(window, button, -1, wParam, uintptr_t(lParam), lParam);
        return 0;
    case kEnableMessage:
        if (wParam == 0 && module.popup)
            ctl_ShowButtonInformation(nullptr, 0, 0, 0);
        ButtonCore::setEnabled(window, button, wParam != 0);
        return 0;
    case kMoveMessage:
    case kSetFocusMessage: ButtonCore::repaint(window, button); return 0;
    case kTimerMessage:
        if (wParam == ButtonCore::flashTimerId(-1))
            ButtonCore::flashStep(window, button, -1);
        return 0;
    case kDestroyMessage: destroyed(window, *state); return 0;
    default: return defWindowProc(window, message, wParam, lParam);
    }
}

}  // namespace rack
