#pragma once

#include "interface/InterfaceExport.h"

#include "platform/core/Object.h"
#include "platform/ui/dialog/PropertyPage.h"

// The base of the preference sheets' pages. A page reads its settings when it is made
// (LoadPrefs, called by the derived page) and writes them when the sheet is confirmed: OK and
// Apply both run OnOK, which saves first. Cancel writes nothing. The sheet owns the pages.
class INTERFACE_API MCPrefsPage : public plat::ui::PropertyPage, public plat::Object {
    PLAT_DECLARE_DYNCREATE(MCPrefsPage)
public:
    explicit MCPrefsPage(QWidget* parent = nullptr);

    virtual void LoadPrefs() {}
    virtual void SavePrefs() {}
    // Saves the page's settings, then the page is unchanged.
    virtual void OnOK();

    bool onApply() override;

protected:
    void doDataExchange(plat::ui::DataExchange& exchange) override;
    bool event(QEvent* event) override;
};
