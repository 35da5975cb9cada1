#include "interface/pages/MCInspectorPage.h"

#include "interface/document/MCOpusDoc.h"
#include "interface/views/ToolTipProtocol.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/model/MCEventList.h"
#include "notabase/names/DisplayNames.h"
#include "platform/ui/dialog/ControlNotice.h"


PLAT_IMPLEMENT_SERIAL(MCInspectorPage, plat::Object, 1 | plat::kVersionableSchema)

MCInspectorPage::MCInspectorPage(QWidget* parent) : plat::ui::PropertyPage(parent) {}

QSize MCInspectorPage::GetSize()
{
    if (m_sizeDialog.isEmpty())
        m_sizeDialog = sizeHint().expandedTo(minimumSizeHint());
    return m_sizeDialog;
}

void MCInspectorPage::UpdateEvents()
{
    if (!m_pDocument || !m_pEventList)
        return;
    ECPerformance* performance = m_pDocument->GetBaseEvent();
    if (!performance)
        return;
    // The commands may change the selection the page points to: work on a copy.
    MCEventList events;
    events.AddEvents(*m_pEventList);
    MCCommandList commands;
    for (ECBase* element : events)
        UpdateEvent(element, commands);
    // A page whose values need no command leaves no empty step in the undo history.
    if (commands.IsEmpty())
        return;
    // Inside an undo step its caller opened (the sheet applying several pages) the commands
    // join that step.
    const bool ownStep = !performance->GetCommandMgr().GetUndoMode();
    // A mixed selection has no one type name: the title is then "Edit ".
    const int type = events.GetEventType();
    if (ownStep)
        MCCommandMgr::BeginUndo(performance, "Edit " + (type >= 0 ? GetEventString(type) : std::string()));
    commands.Apply(performance);
    if (ownStep)
        MCCommandMgr::EndUndo(performance);
    m_pDocument->SetModifiedFlag(1);
}

void MCInspectorPage::UpdateEvent(ECBase*, MCCommandList&) {}

void MCInspectorPage::SetModifiedFlag(bool modified)
{
    m_bModified = modified;
    setModified(modified);
}

void MCInspectorPage::OnUpdate(long, plat::Object*) {}

int MCInspectorPage::OnCommandHelp(int)
{
    return 1;
}

bool MCInspectorPage::OnQueryCancel()
{
    UpdatePage();
    updateData(false);
    SetModifiedFlag(false);
    return false;
}

bool MCInspectorPage::OnInitDialog()
{
    m_bModified = false;
    updateData(false);
    return true;
}

bool MCInspectorPage::onSetActive()
{
    if (!m_bInitialized)
        OnInitDialog();
    plat::ui::notifyParent(this, kPageActivated);
    return true;
}

bool MCInspectorPage::onApply()
{
    if (!updateData(true))
        return false;
    if (!IsModified())
        return true;
    UpdateEvents();
    SetModifiedFlag(false);
    return true;
}

void MCInspectorPage::ShowChildWindows()
{
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->show();
}

void MCInspectorPage::EnableChildWindows(bool enable)
{
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setEnabled(enable);
    update();
}

void MCInspectorPage::doDataExchange(plat::ui::DataExchange& exchange)
{
    if (!m_bInitialized)
        m_bInitialized = InitPage();
    DoDataExchange(exchange);
}

void MCInspectorPage::DoDataExchange(plat::ui::DataExchange&) {}

bool MCInspectorPage::event(QEvent* event)
{
    return tooltips::HandleToolTipEvent(this, event) || plat::ui::PropertyPage::event(event);
}
