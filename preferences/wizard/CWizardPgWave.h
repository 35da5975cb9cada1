#pragma once

#include "preferences/PreferencesExport.h"

#include "preferences/wizard/MCWizardForm.h"

// The wizard's choice of the sound output that plays audio tracks and its format, with a test
// sound. The format is set on the outputs when the wizard finishes, and by a test; cancelling
// after a test puts the format in use before back.
class PREFERENCES_API CWizardPgWave : public MCWizardForm {
    PLAT_DECLARE_DYNCREATE(CWizardPgWave)
public:
    static constexpr int kTemplate = 8870;
    static constexpr int kTest = 8872, kDevice = 8873, kFormat = 8874, kNoDevices = 8875;

    CWizardPgWave();
    std::string GetTitle() const override { return "Digital Audio Options"; }
    void InitForm() override;
    void SaveForm() override;
    void CancelForm() override;
    void onNotice(int id, int code, QWidget* control) override;

    void OnTest();
    int GetFormat() const { return m_format; }
    int GetDevice() const { return m_device; }

protected:
    void DoDataExchange(plat::ui::DataExchange& dx) override;

private:
    int m_device = 0;
    int m_format = 9;
    int m_loadedFormat = 9;
    bool m_tested = false;
};
