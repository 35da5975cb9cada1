#include "interface/pages/MCInspectorForm.h"

#include "interface/pages/MCInspectorPage.h"
#include "interface/views/ToolTipProtocol.h"
#include "platform/core/Strings.h"
#include "platform/ui/dialog/DataExchange.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"


PLAT_IMPLEMENT_DYNCREATE(MCInspectorForm, plat::Object)

MCInspectorForm::MCInspectorForm() = default;

MCInspectorForm::MCInspectorForm(MCInspectorPage* page, int templateId) : m_nTemplateID(templateId), m_pPage(page) {}

bool MCInspectorForm::Create(QWidget* area, MCInspectorPage* page, int id)
{
    if (!area)
        return false;
    m_pPage = page;
    setParent(area);
    plat::ui::setItemId(this, id);
    hide();
    return true;
}

bool MCInspectorForm::InitForm()
{
    m_pDocument = m_pPage ? m_pPage->GetDocument() : nullptr;
    m_pEventList = m_pPage ? m_pPage->GetEventList() : nullptr;
    return true;
}

void MCInspectorForm::UpdateForm()
{
    if (!m_pPage)
        return;
    m_pDocument = m_pPage->GetDocument();
    m_pEventList = m_pPage->GetEventList();
}

void MCInspectorForm::UpdateEvent(ECBase*, MCCommandList&) {}

bool MCInspectorForm::IsModified() const
{
    return m_pPage && m_pPage->IsModified();
}

void MCInspectorForm::SetModifiedFlag(bool modified)
{
    if (m_pPage)
        m_pPage->SetModifiedFlag(modified);
}

void MCInspectorForm::OnUpdate(long, plat::Object*) {}

int MCInspectorForm::OnCommandHelp(int helpId)
{
    if (helpId == 0 && m_nTemplateID != 0)
        helpId = m_nTemplateID + kHelpIdBase;
    if (helpId == 0)
        return 0;
    plat::ui::ModalHooks::help(plat::format("%d", helpId));
    return 1;
}

void MCInspectorForm::DoDataExchange(plat::ui::DataExchange&) {}

bool MCInspectorForm::UpdateData(bool save)
{
    plat::ui::DataExchange exchange(this, save);
    try {
        DoDataExchange(exchange);
    } catch (const plat::ui::DataExchangeFailure&) {
        return false;
    }
    return true;
}

bool MCInspectorForm::event(QEvent* event)
{
    return tooltips::HandleToolTipEvent(this, event) || QWidget::event(event);
}
