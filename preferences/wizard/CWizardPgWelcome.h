#pragma once

#include "preferences/PreferencesExport.h"

#include "preferences/wizard/MCWizardForm.h"

// The greeting of the wizard's first run: what the wizard is about to set up.
class PREFERENCES_API CWizardPgWelcome : public MCWizardForm {
    PLAT_DECLARE_DYNCREATE(CWizardPgWelcome)
public:
    static constexpr int kTemplate = 8815;

    CWizardPgWelcome();
    std::string GetTitle() const override { return "Welcome!"; }
};
