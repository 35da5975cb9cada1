#pragma once

#include "interface/InterfaceExport.h"

#include "platform/core/Object.h"

#include <QWidget>

// Palette content that is not a page of symbol buttons (a panel of its own in the palette
// window). The palette window is told whenever the current form changes.
class INTERFACE_API MCMusicForm : public QWidget, public plat::Object {
    PLAT_DECLARE_DYNCREATE(MCMusicForm)
public:
    // Sent to the palette window when the current form changes; the form comes with it.
    static constexpr int kFormChanged = 0x3111;
    static constexpr int kHelpIdBase = 0x20000;

    MCMusicForm();
    explicit MCMusicForm(int templateId);

    static MCMusicForm* GetMusicForm();
    // Nothing when both the new and the current form are null.
    static void SetMusicForm(MCMusicForm* form);

    // Places the form in parent with the item id id, at its own size, then InitForm.
    virtual bool Create(QWidget* parent, int id);
    virtual bool InitForm() { return true; }
    virtual void OnUpdate(long hint, plat::Object* object);
    // Shows the status text of the help id (the template's when none is given); 0 without one.
    virtual int OnCommandHelp(int helpId);
    virtual int OnHelpHitTest() const { return m_nTemplateID + kHelpIdBase; }

    int GetTemplateID() const { return m_nTemplateID; }

protected:
    bool event(QEvent* event) override;

private:
    int m_nTemplateID = 0;
};
