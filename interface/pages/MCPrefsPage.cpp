#include "interface/pages/MCPrefsPage.h"

#include "interface/views/ToolTipProtocol.h"


PLAT_IMPLEMENT_DYNCREATE(MCPrefsPage, plat::Object)

MCPrefsPage::MCPrefsPage(QWidget* parent) : plat::ui::PropertyPage(parent) {}

void MCPrefsPage::OnOK()
{
    SavePrefs();
    setModified(false);
}

bool MCPrefsPage::onApply()
{
    OnOK();
    return true;
}

void MCPrefsPage::doDataExchange(plat::ui::DataExchange&) {}

bool MCPrefsPage::event(QEvent* event)
{
    return tooltips::HandleToolTipEvent(this, event) || plat::ui::PropertyPage::event(event);
}
