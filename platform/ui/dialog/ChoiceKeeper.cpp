#include "platform/ui/dialog/ChoiceKeeper.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QMouseEvent>

namespace plat::ui {

namespace {

constexpr const char* kName = "plat_choice_keeper";

}  // namespace

ChoiceKeeper::ChoiceKeeper(QAbstractItemView& view) : QObject(&view), m_view(view)
{
    setObjectName(QLatin1String(kName));
    view.viewport()->installEventFilter(this);
}

void ChoiceKeeper::keep(QAbstractItemView& view)
{
    if (!view.findChild<QObject*>(QLatin1String(kName), Qt::FindDirectChildrenOnly))
        new ChoiceKeeper(view);
}

bool ChoiceKeeper::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_view.viewport() ||
        (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick))
        return false;
    const QItemSelectionModel* selection = m_view.selectionModel();
    if (m_view.selectionMode() != QAbstractItemView::SingleSelection || !selection || !selection->hasSelection())
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QModelIndex row = m_view.indexAt(mouse->position().toPoint());
    const bool clearing = !row.isValid() || ((mouse->modifiers() & Qt::ControlModifier) && selection->isSelected(row));
    if (!clearing)
        return false;
    if (m_view.focusPolicy() & Qt::ClickFocus)
        m_view.setFocus(Qt::MouseFocusReason);
    return true;
}

}  // namespace plat::ui
