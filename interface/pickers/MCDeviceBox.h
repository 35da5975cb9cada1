#pragma once

#include "interface/InterfaceExport.h"

#include "interface/pickers/MCDeviceLabels.h"

#include <QComboBox>

#include <string>

// A drop-down list of the devices of one kind (MIDI inputs, MIDI outputs for instruments or drums,
// wave inputs, wave outputs), each labelled by its letter and either its own name or its
// instrument map's; each entry carries the device index. The context menu switches the labels
// and remembers the choice for every picker made afterwards.
class INTERFACE_API MCDeviceBox : public QComboBox {
public:
    explicit MCDeviceBox(QWidget* parent = nullptr);

    // Takes the item's place, sets the type and (unless -1) the format, and lists the devices.
    bool SubclassDeviceBox(int id, QWidget* parent, int type, int format);
    int GetType() const { return m_type; }
    void SetType(int type, bool reload = true);
    int GetFormat() const { return m_format; }
    void SetFormat(int format, bool reload = true);
    bool IsContextMenuEnabled() const { return m_contextMenu; }
    void EnableContextMenu(bool enable) { m_contextMenu = enable; }
    int GetSelectedDevice() const;
    void SetSelectedDevice(int device);
    void LoadDevices();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool m_contextMenu = true;
    int m_type = MCDeviceLabels::midiOutInstruments;
    int m_format;
};
