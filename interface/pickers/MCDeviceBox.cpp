#include "interface/pickers/MCDeviceBox.h"

#include "interface/pickers/MCDeviceMenu.h"

#include "platform/ui/dialog/ItemId.h"

#include <QContextMenuEvent>

MCDeviceBox::MCDeviceBox(QWidget* parent) : QComboBox(parent), m_format(MCDeviceLabels::SavedFormat())
{
}

bool MCDeviceBox::SubclassDeviceBox(int id, QWidget* parent, int type, int format)
{
    if (!plat::ui::attachToItem(parent, id, this))
        return false;
    SetType(type, false);
    if (format != -1)
        SetFormat(format, false);
    LoadDevices();
    return true;
}

void MCDeviceBox::SetType(int type, bool reload)
{
    if (type < 0 || type > 4)
        return;
    m_type = type;
    if (reload) {
        const int selected = GetSelectedDevice();
        LoadDevices();
        SetSelectedDevice(selected);
    }
}

void MCDeviceBox::SetFormat(int format, bool reload)
{
    if (format != 0 && format != 1)
        return;
    m_format = format;
    if (reload) {
        const int selected = GetSelectedDevice();
        LoadDevices();
        SetSelectedDevice(selected);
    }
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
    const int count = MCDeviceLabels::Count(m_type);
    for (int device = 0; device < count; ++device) {
        addItem(QString::fromStdString(MCDeviceLabels::Label(m_type, m_format, device)));
        setItemData(device, device, mcdevice::kDeviceRole);
    }
    setCurrentIndex(-1);
}

void MCDeviceBox::contextMenuEvent(QContextMenuEvent* event)
{
    if (!m_contextMenu) {
        QComboBox::contextMenuEvent(event);
        return;
    }
    const int format = mcdevice::chooseFormat(m_format, event->globalPos());
    if (format < 0)
        return;
    SetFormat(format, true);
    MCDeviceLabels::SaveFormat(format);
}
