#pragma once

#include "preferences/PreferencesExport.h"

#include "preferences/wizard/MCWizardForm.h"

class MCDeviceList;

// The wizard's choice of the MIDI output that plays music, with a test note and the device's
// properties.
class PREFERENCES_API CWizardPgMidiPlay : public MCWizardForm {
    PLAT_DECLARE_DYNCREATE(CWizardPgMidiPlay)
public:
    static constexpr int kTemplate = 8820;
    static constexpr int kDevice = 8822, kTest = 8823, kProperties = 8824, kNoDevices = 8825;
    static constexpr unsigned kTestDurationMs = 500;

    CWizardPgMidiPlay();
    std::string GetTitle() const override { return "Midi Playback Device"; }
    void InitForm() override;
    void SaveForm() override;
    void onNotice(int id, int code, QWidget* control) override;

    void OnTest();
    void OnProperties();
    int GetDevice() const { return m_device; }

protected:
    void DoDataExchange(plat::ui::DataExchange& dx) override;

private:
    MCDeviceList* m_devices = nullptr;
    int m_device = 0;
};
