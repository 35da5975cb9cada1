#include "interface/views/ToolTipProtocol.h"

#include "platform/core/Resources.h"
#include "platform/core/Trace.h"
#include "platform/ui/dialog/ItemId.h"

#include <QAbstractButton>
#include <QString>
#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

namespace tooltips {

int ToolHitTest(const QWidget* window, QPoint point, ToolInfo* info)
{
    const QList<QObject*>& children = window->children();
    // Qt keeps children bottom to top: the topmost is the last.
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        auto* child = qobject_cast<QWidget*>(*it);
        if (!child || child->isWindow())
            continue;
        const int id = plat::ui::itemId(child) & 0xFFFF;
        if (id == kStaticId || !child->isVisible() || !child->geometry().contains(point))
            continue;
        if (info) {
            info->window = window;
            info->tool = child;
            info->notButton = !qobject_cast<QAbstractButton*>(child);
        }
        return id;
    }
    return -1;
}

std::optional<std::string> ToolTipText(int id)
{
    if (id == 0)
        return std::nullopt;
    std::string text = plat::Resources::string(uint32_t(id));
    if (text.empty()) {
        plat::trace("Tool string for ID %d not found\n", id);
        return std::nullopt;
    }
    const size_t newline = text.find('\n');
    if (newline != std::string::npos)
        text.erase(0, newline + 1);
    // Counted in characters, so that a tip in another script is not cut shorter.
    if (QString::fromStdString(text).size() >= kMaxTipChars) {
        plat::trace("Tooltip for string ID %d too long -- must be 80 chars\n", id);
        return std::nullopt;
    }
    return text;
}

bool ShowToolTip(const QWidget* window, QPoint point, QPoint globalPoint)
{
    ToolInfo info;
    const int id = ToolHitTest(window, point, &info);
    const std::optional<std::string> text = id > 0 ? ToolTipText(id) : std::nullopt;
    if (!text) {
        QToolTip::hideText();
        return false;
    }
    const QPoint at = info.notButton ? info.tool->mapToGlobal(QPoint(info.tool->width() / 2, info.tool->height()))
                                     : globalPoint;
    QToolTip::showText(at, QString::fromStdString(*text), info.tool);
    return true;
}

bool HandleToolTipEvent(const QWidget* window, QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return false;
    const auto* help = static_cast<QHelpEvent*>(event);
    ShowToolTip(window, help->pos(), help->globalPos());
    return true;
}

}  // namespace tooltips
