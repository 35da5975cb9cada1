#include "interface/pickers/MCDeviceBox.h"

#include "interface/pickers/MCDeviceMenu.h"

MCDeviceBox::MCDeviceBox(QWidget* parent) : MCDevicePicker(parent)
{
}

int MCDeviceBox::GetSelectedDevice() const
{
    return currentIndex() < 0 ? -1 : currentData(mcdevice::kDeviceRole).toInt();
}

void MCDeviceBox::SetSelectedDevice(int device)
{
    setCurrentIndex(findData(device, mcdevice::kDeviceRole));
}

void MCDeviceBox::LoadDevices()
{
    clear();
    const int count = MCDeviceLabels::Count(GetType());
    for (int device = 0; device < count; ++device) {
        addItem(QString::fromStdString(MCDeviceLabels::Label(GetType(), GetFormat(), device)));
        setItemData(device, device, mcdevice::kDeviceRole);
    }
    setCurrentIndex(-1);
}

