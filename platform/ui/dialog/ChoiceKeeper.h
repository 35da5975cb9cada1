#pragma once

#include "platform/ui/PlatUiExport.h"

#include <QObject>

class QAbstractItemView;
class QEvent;
class QWidget;

namespace plat::ui {

// A list of one choice (a device, a background, a template) keeps its choice under the mouse,
// as a list box does: a click below the last row, or a Control-click on the chosen row, leaves
// the row chosen and only gives the list the focus. Left to the item view, either click clears
// the selection, and the dialog would take "nothing chosen" as the user's answer. Code can still
// clear the selection.
class PLATUI_API ChoiceKeeper : public QObject {
public:
    // The view owns what keeps its choice; keeping it twice keeps it once.
    static void keep(QAbstractItemView& view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ChoiceKeeper(QAbstractItemView& view);

    QAbstractItemView& m_view;
    QWidget* const m_viewport;
};

}  // namespace plat::ui
