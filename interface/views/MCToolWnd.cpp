#include "interface/views/MCToolWnd.h"

#include "interface/views/ToolTipProtocol.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Resources.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/resource/ImageResources.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPixmap>

MCToolWnd::MCToolWnd(QWidget* owner) : QWidget(nullptr, Qt::Tool), m_owner(owner) {}

bool MCToolWnd::InitToolLayout(QWidget* parent, int id)
{
    setParent(parent, Qt::Tool | Qt::WindowContextHelpButtonHint);
    plat::ui::setItemId(this, id);
    setWindowTitle(QString::fromStdString(plat::Resources::string(uint32_t(id))));
    if (const auto image = plat::ui::ImageResources::find(uint32_t(id)))
        setWindowIcon(QIcon(QPixmap::fromImage(*image)));
    hide();
    return true;
}

QPoint MCToolWnd::GetDefaultPosition(const char* section) const
{
    const int x = LoadIntPreference(section, "x", -1);
    const int y = LoadIntPreference(section, "y", -1);
    if (x != -1 && y != -1)
        return {x, y};
    if (!m_owner)
        return {0, 0};
    const QRect owner = m_owner->isWindow()
                            ? m_owner->frameGeometry()
                            : QRect(m_owner->mapToGlobal(QPoint(0, 0)), m_owner->size());
    return {owner.x() + owner.width() - kFrameWidth - frameGeometry().width() - kEdge, owner.y() + kEdge};
}

void MCToolWnd::LoadPrefs(const char* section)
{
    if (!parentWidget())
        return;
    hide();
    move(GetDefaultPosition(section));
    show();
}

void MCToolWnd::SavePrefs(const char* section) const
{
    const QPoint at = frameGeometry().topLeft();
    SaveIntPreference(section, "x", at.x());
    SaveIntPreference(section, "y", at.y());
}

bool MCToolWnd::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        tooltips::ShowToolTip(this, help->pos(), help->globalPos());
        return true;
    }
    return QWidget::event(event);
}

bool MCToolWnd::triggerFrameShortcut(const QKeyEvent* event) const
{
    const QWidget* frame = parentWidget() ? parentWidget()->window() : nullptr;
    if (!frame)
        return false;
    const QKeySequence pressed(event->keyCombination());
    for (QAction* action : frame->findChildren<QAction*>()) {
        if (action->isEnabled() && action->shortcuts().contains(pressed)) {
            action->trigger();
            return true;
        }
    }
    return false;
}

void MCToolWnd::keyPressEvent(QKeyEvent* event)
{
    // The frame's shortcuts work while a tool window has the focus, as its keys come first.
    if (triggerFrameShortcut(event)) {
        event->accept();
        return;
    }
    // A system key (Alt with another key) belongs to the owner's menus; Alt alone stays here.
    // Without an owner it is left to the window.
    if (m_owner && (event->modifiers() & Qt::AltModifier) && event->key() != Qt::Key_Alt) {
        QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(), event->isAutoRepeat(),
                       ushort(event->count()));
        m_owner->setFocus(Qt::OtherFocusReason);
        QApplication::sendEvent(m_owner, &copy);
        event->setAccepted(copy.isAccepted());
        return;
    }
    QWidget::keyPressEvent(event);
}
