#pragma once

#include "platform/ui/PlatUiExport.h"

#include <QWidget>

namespace plat::ui {

// What a window that holds controls implements to hear from them: the control's item id and
// a notification code (0 for a button's click). A control notifies the nearest window above
// it that listens.
class PLATUI_API NoticeListener {
public:
    virtual ~NoticeListener() = default;
    virtual void onNotice(int id, int code, QWidget* control) = 0;
};

// Tells the listener above control at once, with the control's own id; false when there is
// none.
PLATUI_API bool notifyParent(QWidget* control, int code);
// The same with another id (a command picked from a control's menu).
PLATUI_API bool notifyParent(QWidget* control, int id, int code);
// Tells it at the next turn of the event loop, unless the control or the listener is gone by
// then.
PLATUI_API void postNotice(QWidget* control, int code);

}  // namespace plat::ui
