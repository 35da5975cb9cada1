#pragma once

#include "preferences/PreferencesExport.h"

#include "preferences/wizard/MCWizardForm.h"

// The wizard's choice of what happens to MIDI that comes in: nothing (None), played as the
// selected or record track is set up (Automatic), or played on a device and channel chosen here
// (Manual), with a test note on that device.
class PREFERENCES_API CWizardPgThru : public MCWizardForm {
    PLAT_DECLARE_DYNCREATE(CWizardPgThru)
public:
    static constexpr int kTemplate = 8830;
    static constexpr int kNone = 8832, kAutomatic = 8833, kManual = 8834, kTest = 8836, kDevice = 8837,
                         kChannel = 8838, kDeviceLabel = 8839, kChannelLabel = 8840, kNoDevices = 8841;
    enum Mode { none = 0, automatic = 1, manual = 2 };
    static constexpr unsigned kTestDurationMs = 500;

    CWizardPgThru();
    std::string GetTitle() const override { return "Midi Thru Options"; }
    void InitForm() override;
    void SaveForm() override;
    void onNotice(int id, int code, QWidget* control) override;

    // The mode the thru values stand for.
    static int ModeOf(int enabled, int autoSetSelect, int autoSetRecord);
    int GetMode() const { return m_mode; }
    void OnTest();

protected:
    void DoDataExchange(plat::ui::DataExchange& dx) override;

private:
    void OnMode();

    int m_mode = automatic;
    int m_device = 0;
    int m_channel = 0;
};
