#pragma once

#include "platform/ui/PlatUiExport.h"

#include "platform/ui/rackwindow/WindowMessage.h"

#include <QPoint>
#include <QRect>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace plat::ui {

class Window;

// Tool tips over windows: each tool is a whole window or a rectangle of its client area,
// with a text asked for when the tip is about to show. When the pointer rests on a tool for
// the delay, its text shows beside the pointer; it goes when the pointer leaves the tool or
// a button is pressed. An empty text shows no tip. The delay runs on the interface timers.
class PLATUI_API ToolTip {
public:
    using TextSource = std::function<std::string()>;

    ToolTip();
    ~ToolTip();
    ToolTip(const ToolTip&) = delete;
    ToolTip& operator=(const ToolTip&) = delete;

    void setDelay(uint32_t ms);
    uint32_t delay() const { return m_delay; }

    // Adds a tool (replacing the tool of the same window and id).
    void addTool(Window* window, uintptr_t id, std::optional<QRect> rect, TextSource text);
    void removeTool(const Window* window, uintptr_t id);
    void removeTools(const Window* window);

    // The text of the tool under point in window ("" for none).
    std::string textAt(const Window* window, const QPoint& point) const;
    // The tip shown now, "" when none.
    const std::string& shownText() const { return m_shown; }
    void hide();

    // The window layer reports each mouse message and the pointer's leaving a window.
    static void relayMouse(Window* window, MessageId message, const QPoint& point);
    static void relayLeave(const Window* window);
    static void windowDestroyed(const Window* window);

private:
    struct Tool {
        Window* window;
        uintptr_t id;
        std::optional<QRect> rect;
        TextSource text;
    };

    const Tool* toolAt(const Window* window, const QPoint& point) const;
    void onMouse(Window* window, MessageId message, const QPoint& point);
    void cancelTimer();

    std::vector<Tool> m_tools;
    uint32_t m_delay = 500;
    uint32_t m_timer = 0;
    // The tool the pointer rests on (window and id) and where.
    const Window* m_hoverWindow = nullptr;
    uintptr_t m_hoverId = 0;
    QPoint m_hoverPoint;
    std::string m_shown;
};

}  // namespace plat::ui
