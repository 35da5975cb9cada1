#pragma once

#include "platform/ui/PlatUiExport.h"

#include <QWidget>

namespace plat::ui {

// Every control of a dialog carries the numeric id its dialog's description gives it, so that
// data exchange, notifications and tests find it by that id wherever the layout put it.
PLATUI_API void setItemId(QWidget* control, int id);
// The control's id; 0 when it has none.
PLATUI_API int itemId(const QWidget* control);
// The first control below parent (at any depth, in creation order) with that id; null when
// there is none.
PLATUI_API QWidget* itemWidget(const QWidget* parent, int id);

// Puts control in the place of the item id of parent (its layout slot, or its geometry when it
// has no layout), with the item's id, tool tip, enabled state and place in the tab order; the
// item is deleted. False when parent has no such item.
PLATUI_API bool attachToItem(QWidget* parent, int id, QWidget* control);

template <class Control>
Control* item(const QWidget* parent, int id)
{
    return dynamic_cast<Control*>(itemWidget(parent, id));
}

}  // namespace plat::ui
