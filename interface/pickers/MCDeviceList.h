#pragma once

#include "interface/InterfaceExport.h"

#include "interface/pickers/MCDeviceLabels.h"
#include "interface/pickers/MCDevicePicker.h"

#include <QListWidget>

#include <string>

// A list of the devices of one kind (MIDI inputs, MIDI outputs for instruments or drums,
// wave inputs, wave outputs), each labelled by its letter and either its own name or its
// instrument map's; each entry carries the device index. The context menu switches the labels
// and remembers the choice for every picker made afterwards.
class INTERFACE_API MCDeviceList : public MCDevicePicker<QListWidget> {
public:
    explicit MCDeviceList(QWidget* parent = nullptr);

    // The device's instrument map (kind 1) or drum map (kind 2), and its file.
    static std::string GetInstrument(int mapKind, int device) { return MCDeviceLabels::GetInstrument(mapKind, device); }
    static std::string GetInstrumentFile(int mapKind, int device)
    {
        return MCDeviceLabels::GetInstrumentFile(mapKind, device);
    }

    // Takes the item's place, sets the type and (unless -1) the format, and lists the devices.
    bool SubclassDeviceList(int id, QWidget* parent, int type, int format) { return Attach(id, parent, type, format); }
    int GetSelectedDevice() const override;
    void SetSelectedDevice(int device) override;
    void LoadDevices() override;
};
