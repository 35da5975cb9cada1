#pragma once

#include "interface/InterfaceExport.h"

#include "platform/ui/dialog/ExchangeDialog.h"

#include <string>

class MCInstrumentList;

// A MIDI output device's name, driver version and kind, and the instrument definitions that
// name its programs (instrument map) and drum notes (drum map), which the user chooses.
class INTERFACE_API MCDeviceProperties : public plat::ui::ExchangeDialog {
public:
    static constexpr int kName = 11781, kVersion = 11782, kTechnology = 11783, kInstruments = 11786, kDrums = 11787;

    explicit MCDeviceProperties(QWidget* parent = nullptr);

    // Shows the device and lets the user choose its maps; the dialog's result, or
    // QDialog::Rejected without showing anything when the device cannot be asked.
    int DoDevice(int device);

    void accept() override;

    const std::string& DeviceName() const { return m_name; }
    const std::string& VersionText() const { return m_version; }
    const std::string& TechnologyText() const { return m_technology; }

protected:
    void doDataExchange(plat::ui::DataExchange& exchange) override;

private:
    int m_device = -1;
    bool m_initialised = false;
    std::string m_name;
    std::string m_version;
    std::string m_technology;
    std::string m_instrumentMap;
    std::string m_drumMap;
    MCInstrumentList* m_instruments;
    MCInstrumentList* m_drums;
};
