#pragma once

#include "interface/InterfaceExport.h"

#include "interface/pickers/MCDeviceLabels.h"
#include "interface/pickers/MCDevicePicker.h"

#include <QComboBox>

#include <string>

// A drop-down list of the devices of one kind (MIDI inputs, MIDI outputs for instruments or drums,
// wave inputs, wave outputs), each labelled by its letter and either its own name or its
// instrument map's; each entry carries the device index. The context menu switches the labels
// and remembers the choice for every picker made afterwards.
class INTERFACE_API MCDeviceBox : public MCDevicePicker<QComboBox> {
public:
    explicit MCDeviceBox(QWidget* parent = nullptr);

    // Takes the item's place, sets the type and (unless -1) the format, and lists the devices.
    bool SubclassDeviceBox(int id, QWidget* parent, int type, int format) { return Attach(id, parent, type, format); }
    int GetSelectedDevice() const override;
    void SetSelectedDevice(int device) override;
    void LoadDevices() override;
};
