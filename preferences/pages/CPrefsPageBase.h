#pragma once

#include "preferences/PreferencesExport.h"

#include "interface/pages/MCPrefsPage.h"
#include "platform/ui/dialog/ControlNotice.h"

// What the preference pages of this library share: the page's dialog initialisation on its
// first activation (where each page attaches its controls and reads its settings), the
// initialised flag their data exchange waits for, the tips of their controls from this
// library's strings, and the notices of the Interface's controls.
class PREFERENCES_API CPrefsPageBase : public MCPrefsPage, public plat::ui::NoticeListener {
    PLAT_DECLARE_DYNAMIC(CPrefsPageBase)
public:
    // title: the page's tab.
    explicit CPrefsPageBase(const char* title, QWidget* parent = nullptr);

    bool onSetActive() override;
    bool IsInitialised() const { return m_initialised; }
    // Runs the dialog initialisation now when it has not run.
    void EnsureInitialised();

    void onNotice(int id, int code, QWidget* control) override;

protected:
    // Attaches the controls and loads the settings; the base only marks the page initialised.
    virtual void OnInitDialog() { m_initialised = true; }
    bool event(QEvent* event) override;

    bool m_initialised = false;
};
