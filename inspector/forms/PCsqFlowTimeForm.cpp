#include "inspector/forms/PCsqFlowTimeForm.h"

#include "inspector/pages/PCsqPageCommand.h"
#include "interface/controls/MCCheckBox.h"
#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCTimeEdit.h"
#include "notabase/commands/CCEditData.h"
#include "notabase/commands/CCEditDataItem.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "platform/ui/dialog/DataExchange.h"
#include "platform/ui/dialog/ItemId.h"
#include "sequencer/data/DCsqFlowControl.h"

#include <QGridLayout>
#include <QLabel>

PLAT_IMPLEMENT_DYNCREATE(PCsqFlowTimeForm, MCInspectorForm)

PCsqFlowTimeForm::PCsqFlowTimeForm() : MCInspectorForm(nullptr, kTemplate)
{
    Build();
}

PCsqFlowTimeForm::PCsqFlowTimeForm(MCInspectorPage* page, int templateId) : MCInspectorForm(page, templateId)
{
    Build();
}

void PCsqFlowTimeForm::Build()
{
    m_layout = new QGridLayout(this);
    m_timeEdit = new MCTimeEdit(this);
    m_timeEdit->Create(this, kTime, MCSpinEdit::kVisibleSpin);
    m_timeEdit->setToolTip("Time of the mark");
    m_ignoreBox = new MCCheckBox(this);
    m_ignoreBox->setText("Ignore for performance");
    plat::ui::setItemId(m_ignoreBox, kIgnore);
    m_layout->addWidget(new QLabel("Time", this), 0, 0);
    m_layout->addWidget(m_timeEdit, 0, 1, 1, 2);
    m_layout->addWidget(m_ignoreBox, 2, 0, 1, 3);
    m_layout->setColumnStretch(1, 1);
    m_layout->setRowStretch(3, 1);
}

bool PCsqFlowTimeForm::InitForm()
{
    MCInspectorForm::InitForm();
    m_timeEdit->SetTimeFormat(1);
    return true;
}

void PCsqFlowTimeForm::MarkChanged(int field)
{
    m_fields.Set(field, stateChanged);
    SetModifiedFlag(true);
}

void PCsqFlowTimeForm::onNotice(int id, int code, QWidget*)
{
    if (id == kTime && code == MCTimeEdit::kNotice) {
        m_time = m_timeEdit->GetTimeValue();
        MarkChanged(fieldTime);
    } else if (id == kIgnore && code == 0) {
        MarkChanged(fieldIgnore);
    }
}

void PCsqFlowTimeForm::DoDataExchange(plat::ui::DataExchange& exchange)
{
    MCInspectorForm::DoDataExchange(exchange);
    // The page's forms have the same control ids: each looks in its own controls.
    plat::ui::DataExchange own(this, exchange.saving());
    DDX_MCTimeEdit(own, kTime, m_time);
    own.check(kIgnore, m_ignore);
    if (own.saving() && m_ignore == ignoreMixed)
        m_fields.Set(fieldIgnore, UntouchedIgnoreState());
}

bool PCsqFlowTimeForm::MergeMark(ECBase* mark)
{
    if (m_fields.Merge(fieldTime, m_time, *mark->GetTime()))
        m_timeEdit->SetIndeterminate(true);
    if (auto* data = plat::dynamicDowncast<DCsqFlowControl>(mark->GetData(0, 0))) {
        const int ignore = data->IsEnabled() ? obeyed : ignored;
        if (m_fields.Merge(fieldIgnore, m_ignore, ignore)) {
            m_ignore = ignoreMixed;
            m_ignoreBox->SetIndeterminate(true);
        }
    }
    return !m_fields.AllMixed(fieldCount);
}

void PCsqFlowTimeForm::UpdateForm()
{
    MCInspectorForm::UpdateForm();
    m_timeEdit->SetIndeterminate(false);
    m_ignoreBox->SetIndeterminate(false);
    m_fields.Reset();
    m_ignore = obeyed;
    MCEventList* events = GetEventList();
    if (!events)
        return;
    for (ECBase* element : *events) {
        if (element->GetEventId() != EventId::FlowControl)
            continue;
        if (!MergeMark(element))
            break;
    }
}

void PCsqFlowTimeForm::ChangeData(DCsqFlowControl& copy) const
{
    if (m_fields.IsChanged(fieldIgnore))
        copy.SetEnabled(m_ignore == obeyed ? 1 : 0);
}

void PCsqFlowTimeForm::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    MCInspectorForm::UpdateEvent(event, commands);
    if (!event || event->GetEventId() != EventId::FlowControl)
        return;
    if (m_fields.IsChanged(fieldTime)) {
        auto* edit = PCsqPageCommand<CCEditTime>(commands, CommandIds::CCEditTime);
        edit->EditTime(event, &m_time);
    }
    DCBase* data = event->GetData(0, 0);
    if (!data || !DataChanged())
        return;
    auto* edit = PCsqPageCommand<CCEditData>(commands, CommandIds::CCEditData);
    if (auto* copy = PCsqEditedData<DCsqFlowControl>(*edit, data))
        ChangeData(*copy);
}
