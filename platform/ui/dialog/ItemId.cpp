#include "platform/ui/dialog/ItemId.h"

#include <QVariant>

namespace plat::ui {

namespace {

constexpr const char* kItemIdProperty = "plat.itemId";

}  // namespace

void setItemId(QWidget* control, int id)
{
    control->setProperty(kItemIdProperty, id);
}

int itemId(const QWidget* control)
{
    return control ? control->property(kItemIdProperty).toInt() : 0;
}

QWidget* itemWidget(const QWidget* parent, int id)
{
    if (!parent || id == 0)
        return nullptr;
    for (QWidget* child : parent->findChildren<QWidget*>()) {
        if (itemId(child) == id)
            return child;
    }
    return nullptr;
}

}  // namespace plat::ui
