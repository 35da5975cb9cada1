#include "platform/ui/rackwindow/ToolTip.h"

#include "platform/ui/timer/UiTimers.h"
#include "platform/ui/rackwindow/Window.h"

#include <QToolTip>

#include <algorithm>

namespace plat::ui {

namespace {

std::vector<ToolTip*>& instances()
{
    static std::vector<ToolTip*> all;
    return all;
}

}  // namespace

ToolTip::ToolTip()
{
    instances().push_back(this);
}

ToolTip::~ToolTip()
{
    cancelTimer();
    hide();
    auto& all = instances();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void ToolTip::setDelay(uint32_t ms)
{
    m_delay = std::max<uint32_t>(ms, 1);
}

void ToolTip::addTool(Window* window, uintptr_t id, std::optional<QRect> rect, TextSource text)
{
    removeTool(window, id);
    m_tools.push_back(Tool{window, id, rect, std::move(text)});
}

void ToolTip::removeTool(const Window* window, uintptr_t id)
{
    std::erase_if(m_tools, [&](const Tool& tool) { return tool.window == window && tool.id == id; });
    if (m_hoverWindow == window && m_hoverId == id) {
        cancelTimer();
        hide();
        m_hoverWindow = nullptr;
    }
}

void ToolTip::removeTools(const Window* window)
{
    std::erase_if(m_tools, [&](const Tool& tool) { return tool.window == window; });
    if (m_hoverWindow == window) {
        cancelTimer();
        hide();
        m_hoverWindow = nullptr;
    }
}

const ToolTip::Tool* ToolTip::toolAt(const Window* window, const QPoint& point) const
{
    // A rectangle tool is more precise than a whole-window tool, so it is looked for first.
    const Tool* whole = nullptr;
    for (const Tool& tool : m_tools) {
        if (tool.window != window)
            continue;
        if (!tool.rect)
            whole = whole ? whole : &tool;
        else if (tool.rect->contains(point))
            return &tool;
    }
    return whole && window->clientRect().contains(point) ? whole : nullptr;
}

std::string ToolTip::textAt(const Window* window, const QPoint& point) const
{
    const Tool* tool = toolAt(window, point);
    return tool && tool->text ? tool->text() : std::string();
}

void ToolTip::hide()
{
    if (!m_shown.empty())
        QToolTip::hideText();
    m_shown.clear();
}

void ToolTip::cancelTimer()
{
    if (m_timer != 0)
        UiTimers::service().kill(m_timer);
    m_timer = 0;
}

void ToolTip::onMouse(Window* window, MessageId message, const QPoint& point)
{
    const Tool* tool = toolAt(window, point);
    if (message != kMouseMoveMessage || !tool) {
        // A press, or a pointer off every tool, ends the tip; a press keeps it from coming back
        // until the pointer moves on to another tool.
        cancelTimer();
        hide();
        m_hoverWindow = tool && message != kMouseMoveMessage ? window : nullptr;
        m_hoverId = tool ? tool->id : 0;
        return;
    }
    if (m_hoverWindow == window && m_hoverId == tool->id)
        return;
    cancelTimer();
    hide();
    m_hoverWindow = window;
    m_hoverId = tool->id;
    m_hoverPoint = point;
    m_timer = UiTimers::service().setOneShot(m_delay, 1, [this, window] {
        m_timer = 0;
        if (!Window::isWindow(window))
            return;
        const std::string text = textAt(window, m_hoverPoint);
        if (text.empty())
            return;
        m_shown = text;
        QToolTip::showText(window->clientToScreen(m_hoverPoint) + QPoint(0, 20), QString::fromStdString(text),
                           window->widget());
    });
}

void ToolTip::relayMouse(Window* window, MessageId message, const QPoint& point)
{
    for (ToolTip* tip : instances())
        tip->onMouse(window, message, point);
}

void ToolTip::relayLeave(const Window* window)
{
    for (ToolTip* tip : instances()) {
        if (tip->m_hoverWindow != window)
            continue;
        tip->cancelTimer();
        tip->hide();
        tip->m_hoverWindow = nullptr;
    }
}

void ToolTip::windowDestroyed(const Window* window)
{
    for (ToolTip* tip : instances())
        tip->removeTools(window);
}

}  // namespace plat::ui
