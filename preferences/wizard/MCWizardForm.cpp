#include "preferences/wizard/MCWizardForm.h"

#include "preferences/core/PrefsModule.h"

#include <QEvent>

PLAT_IMPLEMENT_DYNAMIC(MCWizardForm, plat::Object)

MCWizardForm::MCWizardForm(int templateId) : m_templateId(templateId) {}

bool MCWizardForm::Create(QWidget* parent)
{
    if (!parent)
        return false;
    setParent(parent);
    hide();
    InitForm();
    return true;
}

bool MCWizardForm::UpdateData(bool save)
{
    plat::ui::DataExchange exchange(this, save);
    try {
        DoDataExchange(exchange);
    } catch (const plat::ui::DataExchangeFailure&) {
        return false;
    }
    return true;
}

void MCWizardForm::DoDataExchange(plat::ui::DataExchange&) {}

void MCWizardForm::onNotice(int, int, QWidget*) {}

bool MCWizardForm::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip)
        return PrefsModule::ToolTipEvent(this, event);
    return QWidget::event(event);
}
