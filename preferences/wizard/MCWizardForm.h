#pragma once

#include "preferences/PreferencesExport.h"

#include "platform/core/Object.h"
#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/DataExchange.h"

#include <QWidget>

#include <string>

// One step of the device wizard: a form of controls that the wizard shows in its form area
// with the form's title above it. A form reads its settings when it is made (InitForm) and
// writes them when the wizard finishes (SaveForm); the wizard moves the data of every form in
// one direction at once. Its controls give tips from the library's strings.
class PREFERENCES_API MCWizardForm : public QWidget, public plat::Object, public plat::ui::NoticeListener {
    PLAT_DECLARE_DYNAMIC(MCWizardForm)
public:
    // templateId: the form's dialog template, which names it.
    explicit MCWizardForm(int templateId);

    int GetTemplateId() const { return m_templateId; }

    // Becomes a hidden child of parent and initialises itself; false without a parent.
    virtual bool Create(QWidget* parent);
    // The title shown above the form.
    virtual std::string GetTitle() const { return {}; }
    // Reads the form's settings and attaches its controls.
    virtual void InitForm() {}
    // Writes the form's settings.
    virtual void SaveForm() {}
    // The wizard was cancelled: whatever a test changed on the devices goes back.
    virtual void CancelForm() {}

    // Moves the data to the controls (save false) or back, checking it; false when a check
    // failed (the user was told, the focus is on the control).
    bool UpdateData(bool save);

    void onNotice(int id, int code, QWidget* control) override;

protected:
    virtual void DoDataExchange(plat::ui::DataExchange& dx);
    bool event(QEvent* event) override;

private:
    int m_templateId;
};
