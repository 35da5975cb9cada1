#include "platform/ui/dialog/ItemId.h"

#include <QLabel>
#include <QLayout>
#include <QVariant>

namespace plat::ui {

namespace {

constexpr const char* kItemIdProperty = "plat.itemId";
constexpr const char* kGroupProperty = "plat.groupStart";

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

void setGroupStart(QWidget* control, bool start)
{
    control->setProperty(kGroupProperty, start);
}

bool isGroupStart(const QWidget* control)
{
    return control && control->property(kGroupProperty).toBool();
}

bool attachToItem(QWidget* parent, int id, QWidget* control)
{
    QWidget* placeholder = itemWidget(parent, id);
    if (!placeholder || placeholder == control)
        return placeholder != nullptr;
    QWidget* holder = placeholder->parentWidget();
    control->setParent(holder);
    setItemId(control, id);
    if (!placeholder->toolTip().isEmpty())
        control->setToolTip(placeholder->toolTip());
    control->setEnabled(placeholder->isEnabled());
    setGroupStart(control, isGroupStart(placeholder));
    bool placed = false;
    if (holder && holder->layout()) {
        QLayoutItem* old = holder->layout()->replaceWidget(placeholder, control, Qt::FindChildrenRecursively);
        placed = old != nullptr;
        delete old;
    }
    if (!placed)
        control->setGeometry(placeholder->geometry());
    QWidget::setTabOrder(placeholder, control);
    // A label that named the placeholder names the control: its mnemonic goes there.
    for (QLabel* label : placeholder->window()->findChildren<QLabel*>()) {
        if (label->buddy() == placeholder)
            label->setBuddy(control);
    }
    control->setVisible(!placeholder->isHidden());
    setItemId(placeholder, 0);
    delete placeholder;
    return true;
}

}  // namespace plat::ui
