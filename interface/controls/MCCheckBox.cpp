#include "interface/controls/MCCheckBox.h"

#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ItemId.h"

MCCheckBox::MCCheckBox(QWidget* parent) : QCheckBox(parent)
{
    connect(this, &QAbstractButton::clicked, this, [this] { plat::ui::notifyParent(this, 0); });
}

bool MCCheckBox::SubclassCheckBox(int id, QWidget* parent)
{
    auto* item = dynamic_cast<QAbstractButton*>(plat::ui::itemWidget(parent, id));
    if (item) {
        setText(item->text());
        setChecked(item->isChecked());
    }
    if (!plat::ui::attachToItem(parent, id, this))
        return false;
    SetIndeterminate(m_indeterminate);
    return true;
}

void MCCheckBox::SetIndeterminate(bool indeterminate)
{
    m_indeterminate = indeterminate;
    setTristate(indeterminate);
}
