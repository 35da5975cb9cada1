#pragma once

#include "interface/InterfaceExport.h"

#include <string>

// What the device box and list share: the devices of a picker's type and their labels, the
// per-device instrument and drum maps, and the user's choice of labels.
class INTERFACE_API MCDeviceLabels {
public:
    enum Type { midiIn = 0, midiOutInstruments = 1, midiOutDrums = 2, waveIn = 3, waveOut = 4 };
    enum Format { deviceNames = 0, instrumentNames = 1 };
    static constexpr int kMenuId = 11605;
    static constexpr int kShowInstruments = 38400, kShowDevices = 38401;

    // The number of devices of the type the device manager reports (0 without one).
    static int Count(int type);
    // "A)  name" for device index: the device's name, or the name of its map.
    static std::string Label(int type, int format, int device);
    // The user's label format ("Settings\Interface\Device" "Format").
    static int SavedFormat();
    static void SaveFormat(int format);
    // The device's instrument map (kind 1) or drum map (kind 2); "" for another kind.
    static std::string GetInstrument(int mapKind, int device);
    static std::string GetInstrumentFile(int mapKind, int device);
    static void SetInstrument(int mapKind, int device, const std::string& name);
};
