#include "app/core/CDialogToolTips.h"

#include "platform/core/Resources.h"
#include "platform/ui/dialog/ItemId.h"

#include <QHelpEvent>
#include <QPushButton>
#include <QToolTip>
#include <QWidget>

namespace {
constexpr qsizetype kLongestTip = 79;
}

CDialogToolTips::CDialogToolTips(QWidget* dialog) : QObject(dialog), m_dialog(dialog) {}

void CDialogToolTips::Install(QWidget* dialog)
{
    dialog->installEventFilter(new CDialogToolTips(dialog));
}

QString CDialogToolTips::TextFor(int controlId)
{
    if (controlId <= 0)
        return {};
    QString text = QString::fromStdString(plat::Resources::string(static_cast<uint32_t>(controlId)));
    const qsizetype lineBreak = text.indexOf('\n');
    if (lineBreak >= 0)
        text = text.mid(lineBreak + 1);
    if (text.size() > kLongestTip)
        return {};
    return text;
}

bool CDialogToolTips::eventFilter(QObject* watched, QEvent* event)
{
    // A control's own tip answers before the event reaches the dialog, so only controls
    // without one come here.
    if (watched != m_dialog || event->type() != QEvent::ToolTip)
        return false;
    const auto* help = static_cast<QHelpEvent*>(event);
    QWidget* control = m_dialog->childAt(help->pos());
    while (control && control != m_dialog && (!control->isVisible() || plat::ui::itemId(control) == 0))
        control = control->parentWidget();
    const QString text = control && control != m_dialog ? TextFor(plat::ui::itemId(control)) : QString();
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    // A push button's tip follows the pointer; any other control's stands centred below it.
    const QPoint where = qobject_cast<QPushButton*>(control)
                             ? help->globalPos()
                             : control->mapToGlobal(QPoint(control->width() / 2, control->height()));
    QToolTip::showText(where, text, control, control->rect());
    return true;
}
