#pragma once

#include "interface/pickers/MCDeviceLabels.h"
#include "interface/pickers/MCDeviceMenu.h"

#include "platform/ui/dialog/ItemId.h"

#include <QContextMenuEvent>
#include <QWidget>

// What the device pickers share over their list control (a drop-down or a list): the kind of
// devices listed and the format of their labels, the device chosen kept when either changes,
// and the context menu that switches the labels and remembers the choice for every picker
// made afterwards. The control lists, reads and chooses the devices itself.
template <class Control>
class MCDevicePicker : public Control {
public:
    explicit MCDevicePicker(QWidget* parent) : Control(parent), m_format(MCDeviceLabels::SavedFormat()) {}

    int GetType() const { return m_type; }
    void SetType(int type, bool reload = true)
    {
        if (type < 0 || type > 4)
            return;
        m_type = type;
        if (reload)
            Reload();
    }
    int GetFormat() const { return m_format; }
    void SetFormat(int format, bool reload = true)
    {
        if (format != 0 && format != 1)
            return;
        m_format = format;
        if (reload)
            Reload();
    }
    bool IsContextMenuEnabled() const { return m_contextMenu; }
    void EnableContextMenu(bool enable) { m_contextMenu = enable; }

    virtual int GetSelectedDevice() const = 0;
    virtual void SetSelectedDevice(int device) = 0;
    virtual void LoadDevices() = 0;

protected:
    // Takes the item's place, sets the type and (unless -1) the format, and lists the devices.
    bool Attach(int id, QWidget* parent, int type, int format)
    {
        if (!plat::ui::attachToItem(parent, id, this))
            return false;
        SetType(type, false);
        if (format != -1)
            SetFormat(format, false);
        LoadDevices();
        return true;
    }

    void contextMenuEvent(QContextMenuEvent* event) override
    {
        if (!m_contextMenu) {
            Control::contextMenuEvent(event);
            return;
        }
        const int format = mcdevice::chooseFormat(m_format, event->globalPos());
        if (format < 0)
            return;
        SetFormat(format, true);
        MCDeviceLabels::SaveFormat(format);
    }

private:
    void Reload()
    {
        const int selected = GetSelectedDevice();
        LoadDevices();
        SetSelectedDevice(selected);
    }

    bool m_contextMenu = true;
    int m_type = MCDeviceLabels::midiOutInstruments;
    int m_format;
};
