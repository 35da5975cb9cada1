#include "rack/plinthui/EchoTimer.h"

#include "rack/plinthui/ButtonState.h"
#include "rack/plinthui/ControlIds.h"
#include "rack/plinthui/ControlModule.h"
#include "rack/plinthui/PlinthUi.h"
#include "rack/plinthui/ScrollControl.h"
#include "rack/plinthui/ButtonCore.h"

#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/timer/UiTimers.h"
#include "platform/ui/rackwindow/Window.h"

namespace rack {

namespace {

using plat::ui::Window;

// The button of an entry: the plain button, or the strip's slot.
ButtonState* buttonOf(Window* window, int slot)
{
    if (slot < 0) {
        const auto state = window->property<PrettyButtonState>(kButtonProperty);
        return state ? &state->button : nullptr;
    }
    const auto strip = window->property<CompositeButtonState>(kStripProperty);
    return strip && size_t(slot) < strip->buttons.size() ? &strip->buttons[size_t(slot)] : nullptr;
}

}  // namespace

void EchoTimer::use(int delta)
{
    m_users = std::max(0, m_users + delta);
    if (m_users > 0 && m_timer == 0) {
        m_ticks = 0;
        m_timer = plat::ui::UiTimers::set(kEchoPeriodMs, but_EchoTimer);
    } else if (m_users == 0 && m_timer != 0) {
        plat::ui::UiTimers::kill(m_timer);
        m_timer = 0;
    }
}

bool EchoTimer::startBlinking(Window* window, int slot)
{
    if (isBlinking(window, slot))
        return false;
    for (Entry& entry : m_entries) {
        if (entry.window == nullptr) {
            entry = Entry{window, slot};
            return true;
        }
    }
    return false;
}

bool EchoTimer::stopBlinking(Window* window, int slot)
{
    for (Entry& entry : m_entries) {
        if (entry.window == window && entry.slot == slot) {
            entry = Entry{};
            return true;
        }
    }
    return false;
}

void EchoTimer::forget(const Window* window)
{
    for (Entry& entry : m_entries) {
        if (entry.window == window) {
            entry = Entry{};
            use(-1);
        }
    }
}

bool EchoTimer::isBlinking(const Window* window, int slot) const
{
    for (const Entry& entry : m_entries)
        if (entry.window == window && entry.slot == slot)
            return true;
    return false;
}

void EchoTimer::reset()
{
    m_entries.fill(Entry{});
    m_users = 0;
    m_phase = false;
    if (m_timer != 0)
        plat::ui::UiTimers::kill(m_timer);
    m_timer = 0;
}

void EchoTimer::tick()
{
    ControlModule& module = ControlModule::instance();
    if (++m_ticks % kTicksPerPhase == 0) {
        m_phase = !m_phase;
        for (Entry& entry : m_entries) {
            if (entry.window == nullptr)
                continue;
            if (!Window::isWindow(entry.window)) {
                entry = Entry{};
                use(-1);
                continue;
            }
            ButtonState* button = buttonOf(entry.window, entry.slot);
            if (!button || button->state != kStateUp)
                continue;
            const int latched = button->faces[kFaceLatched];
            plat::ui::DrawContext dc = entry.window->drawContext();
            ButtonCore::paintFace(dc, *button, m_phase && latched != 0 ? latched : button->faces[kFaceUp]);
        }
    }
    for (Window* scroll : module.pressedScrolls)
        if (Window::isWindow(scroll))
            ScrollControl::echoStep(scroll);
    if (Window* held = module.heldButton; Window::isWindow(held)) {
        if (const auto state = held->property<PrettyButtonState>(kButtonProperty); state && state->button.inside) {
            ButtonCore::notify(state->owner, state->button, kNotifyRepeat);
            ++state->button.repeats;
        }
    }
    if (Window* strip = module.heldStrip; Window::isWindow(strip)) {
        const auto state = strip->property<CompositeButtonState>(kStripProperty);
        if (state && state->heldSlot >= 0 && size_t(state->heldSlot) < state->buttons.size()) {
            ButtonState& slot = state->buttons[size_t(state->heldSlot)];
            if (slot.inside) {
                ButtonCore::notify(state->owner, slot, kNotifyRepeat);
                ++slot.repeats;
            }
        }
    }
}

void but_EchoTimer()
{
    ControlModule::instance().echo.tick();
}

}  // namespace rack
