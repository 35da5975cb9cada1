#include "platform/ui/dialog/ControlNotice.h"

#include "platform/ui/dialog/ItemId.h"

#include <QPointer>
#include <QTimer>

namespace plat::ui {

namespace {

NoticeListener* listenerAbove(QWidget* control, QWidget** holder)
{
    for (QWidget* parent = control ? control->parentWidget() : nullptr; parent; parent = parent->parentWidget()) {
        if (auto* listener = dynamic_cast<NoticeListener*>(parent)) {
            *holder = parent;
            return listener;
        }
    }
    return nullptr;
}

}  // namespace

bool notifyParent(QWidget* control, int code)
{
    return notifyParent(control, itemId(control), code);
}

bool notifyParent(QWidget* control, int id, int code)
{
    QWidget* holder = nullptr;
    NoticeListener* listener = listenerAbove(control, &holder);
    if (!listener)
        return false;
    listener->onNotice(id, code, control);
    return true;
}

void postNotice(QWidget* control, int code)
{
    QPointer<QWidget> guarded(control);
    QTimer::singleShot(0, control, [guarded, code] {
        if (guarded)
            notifyParent(guarded, code);
    });
}

}  // namespace plat::ui
