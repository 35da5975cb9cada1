#include "interface/pickers/MCDeviceList.h"

#include "interface/pickers/MCDeviceMenu.h"

#include "platform/ui/dialog/ItemId.h"

#include <QContextMenuEvent>

MCDeviceList::MCDeviceList(QWidget* parent) : QListWidget(parent), m_format(MCDeviceLabels::SavedFormat())
{
    setSelectionMode(QAbstractItemView::SingleSelection);
}

bool MCDeviceList::SubclassDeviceList(int id, QWidget* parent, int type, int format)
{
    if (!plat::ui::attachToItem(parent, id, this))
        return false;
    SetType(type, false);
    if (format != -1)
        SetFormat(format, false);
    LoadDevices();
    return true;
}

void MCDeviceList::SetType(int type, bool reload)
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

void MCDeviceList::SetFormat(int format, bool reload)
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
    const int count = MCDeviceLabels::Count(m_type);
    for (int device = 0; device < count; ++device) {
        auto* entry = new QListWidgetItem(QString::fromStdString(MCDeviceLabels::Label(m_type, m_format, device)), this);
        entry->setData(mcdevice::kDeviceRole, device);
    }
}

void MCDeviceList::contextMenuEvent(QContextMenuEvent* event)
{
    if (!m_contextMenu) {
        QListWidget::contextMenuEvent(event);
        return;
    }
    const int format = mcdevice::chooseFormat(m_format, event->globalPos());
    if (format < 0)
        return;
    SetFormat(format, true);
    MCDeviceLabels::SaveFormat(format);
}
