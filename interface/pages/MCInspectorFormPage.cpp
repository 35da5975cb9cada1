#include "interface/pages/MCInspectorFormPage.h"

#include "interface/pages/MCInspectorForm.h"
#include "platform/ui/dialog/DataExchange.h"
#include "platform/ui/dialog/ItemId.h"

#include <QLayout>
#include <QVBoxLayout>

PLAT_IMPLEMENT_DYNCREATE(MCInspectorFormPage, MCInspectorPage)

MCInspectorFormPage::MCInspectorFormPage(QWidget* parent) : MCInspectorPage(parent) {}

MCInspectorFormPage::~MCInspectorFormPage()
{
    RemoveAllForms();
}

MCInspectorForm* MCInspectorFormPage::GetForm(int index) const
{
    if (index < 0 || index >= int(m_arrayForms.size()))
        return nullptr;
    return m_arrayForms[size_t(index)].get();
}

void MCInspectorFormPage::SetForm(int index, std::unique_ptr<MCInspectorForm> form)
{
    if (index < 0)
        return;
    if (index >= int(m_arrayForms.size()))
        m_arrayForms.resize(size_t(index) + 1);
    if (form)
        form->SetPage(this);
    m_arrayForms[size_t(index)] = std::move(form);
}

QWidget* MCInspectorFormPage::GetFormArea() const
{
    // The placeholder, a control laid out with the page's other controls, holds the forms;
    // without one they take the whole page.
    if (m_nPlaceholderID != 0)
        if (QWidget* placeholder = plat::ui::itemWidget(this, m_nPlaceholderID))
            return placeholder;
    return const_cast<MCInspectorFormPage*>(this);
}

void MCInspectorFormPage::CreateForms()
{
    QWidget* area = GetFormArea();
    if (!area->layout())
        new QVBoxLayout(area);
    area->layout()->setContentsMargins(0, 0, 0, 0);
    for (size_t i = 0; i < m_arrayForms.size(); ++i) {
        MCInspectorForm* form = m_arrayForms[i].get();
        if (!form || form->parentWidget() == area)
            continue;
        form->Create(area, this, kFirstFormId + int(i));
        area->layout()->addWidget(form);
        form->InitForm();
    }
}

void MCInspectorFormPage::DisplayForm(int index)
{
    if (MCInspectorForm* shown = GetForm(m_nShownForm); shown && m_nShownForm != index)
        shown->hide();
    m_nShownForm = index;
    if (index < 0)
        return;
    CreateForms();
    if (MCInspectorForm* form = GetForm(index))
        form->show();
}

void MCInspectorFormPage::DestroyForms()
{
    for (const auto& form : m_arrayForms) {
        if (form && form->parentWidget()) {
            form->hide();
            form->setParent(nullptr);
        }
    }
    m_nShownForm = -1;
}

void MCInspectorFormPage::RemoveAllForms()
{
    DestroyForms();
    m_arrayForms.clear();
}

bool MCInspectorFormPage::InitPage()
{
    QWidget* area = GetFormArea();
    m_rectForm = area == this ? rect() : area->geometry();
    CreateForms();
    return true;
}

void MCInspectorFormPage::SetDocument(MCOpusDoc* document)
{
    MCInspectorPage::SetDocument(document);
    for (const auto& form : m_arrayForms)
        if (form)
            form->SetDocument(document);
}

void MCInspectorFormPage::SetEventList(MCEventList* events)
{
    MCInspectorPage::SetEventList(events);
    for (const auto& form : m_arrayForms)
        if (form)
            form->SetEventList(events);
}

void MCInspectorFormPage::UpdatePage()
{
    if (MCInspectorForm* form = GetForm(m_nCurForm))
        form->UpdateForm();
}

void MCInspectorFormPage::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    if (MCInspectorForm* form = GetForm(m_nCurForm))
        form->UpdateEvent(event, commands);
}

void MCInspectorFormPage::PostNcDestroy()
{
    m_nShownForm = -1;
    m_nCurForm = -1;
    MCInspectorPage::PostNcDestroy();
}

int MCInspectorFormPage::OnCommandHelp(int)
{
    // The shown form answers with its own help id.
    MCInspectorForm* form = GetForm(m_nShownForm);
    return form ? form->OnCommandHelp(0) : 0;
}

int MCInspectorFormPage::OnHelpHitTest() const
{
    const MCInspectorForm* form = GetForm(m_nShownForm);
    return form ? form->OnHelpHitTest() : 0;
}

void MCInspectorFormPage::DoDataExchange(plat::ui::DataExchange& exchange)
{
    MCInspectorPage::DoDataExchange(exchange);
    if (!exchange.saving())
        DisplayForm(m_nCurForm);
    if (MCInspectorForm* form = GetForm(m_nCurForm))
        form->DoDataExchange(exchange);
}
