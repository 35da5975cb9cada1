#include "interface/pickers/MCDeviceList.h"

#include "interface/pickers/MCDeviceMenu.h"
#include "platform/ui/dialog/ChoiceKeeper.h"

MCDeviceList::MCDeviceList(QWidget* parent) : MCDevicePicker(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    plat::ui::ChoiceKeeper::keep(*this);
}

int MCDeviceList::GetSelectedDevice() const
{
    const QListWidgetItem* selected = currentItem();
    return selected && selected->isSelected() ? selected->data(mcdevice::kDeviceRole).toInt() : -1;
}

void MCDeviceList::SetSelectedDevice(int device)
{
    for (int i = 0; i < count(); ++i) {
        if (item(i)->data(mcdevice::kDeviceRole).toInt() == device) {
            setCurrentRow(i);
            return;
        }
    }
    clearSelection();
    setCurrentItem(nullptr);
}

void MCDeviceList::LoadDevices()
{
    clear();
    const int count = MCDeviceLabels::Count(GetType());
    for (int device = 0; device < count; ++device) {
        auto* entry = new QListWidgetItem(QString::fromStdString(MCDeviceLabels::Label(GetType(), GetFormat(), device)), this);
        entry->setData(mcdevice::kDeviceRole, device);
    }
}

