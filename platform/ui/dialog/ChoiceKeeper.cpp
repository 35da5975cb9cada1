#include "platform/ui/dialog/ChoiceKeeper.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QMouseEvent>

namespace plat::ui {

namespace {

constexpr const char* kName = "plat_choice_keeper";

}  // namespace

ChoiceKeeper::ChoiceKeeper(QAbstractItemView& view) : QObject(&view), m_view(view), m_viewport(view.viewport())
{
    setObjectName(QLatin1String(kName));
    m_viewport->installEventFilter(this);
}

void ChoiceKeeper::keep(QAbstractItemView& view)
{
    if (!view.findChild<QObject*>(QLatin1String(kName), Qt::FindDirectChildrenOnly))
        new ChoiceKeeper(view);
}

bool ChoiceKeeper::eventFilter(QObject* watched, QEvent* event)
{
    // The type first: the viewport also hears the events of the view's own destruction, when
    // the view is no longer one to ask.
    if ((event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick) ||
        watched != m_viewport)
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
