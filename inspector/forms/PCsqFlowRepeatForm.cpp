#include "inspector/forms/PCsqFlowRepeatForm.h"

#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCSpinEdit.h"
#include "notabase/model/ECBase.h"
#include "platform/ui/dialog/DataExchange.h"
#include "sequencer/data/DCsqFlowControl.h"

#include <QGridLayout>
#include <QLabel>

PLAT_IMPLEMENT_DYNCREATE(PCsqFlowRepeatForm, PCsqFlowTimeForm)

PCsqFlowRepeatForm::PCsqFlowRepeatForm() : PCsqFlowTimeForm(nullptr, kTemplate)
{
    Build();
}

PCsqFlowRepeatForm::PCsqFlowRepeatForm(MCInspectorPage* page, int templateId) : PCsqFlowTimeForm(page, templateId)
{
    Build();
}

void PCsqFlowRepeatForm::Build()
{
    m_countEdit = new MCSpinEdit(this);
    m_countEdit->Create(this, kRepeat, MCSpinEdit::kVisibleSpin);
    m_countEdit->setToolTip("Times the passage repeats");
    m_layout->addWidget(new QLabel("Repeat", this), 1, 0);
    m_layout->addWidget(m_countEdit, 1, 1);
    m_layout->addWidget(new QLabel("times", this), 1, 2);
}

bool PCsqFlowRepeatForm::InitForm()
{
    PCsqFlowTimeForm::InitForm();
    m_countEdit->SetRange(0, 10000);
    return true;
}

void PCsqFlowRepeatForm::onNotice(int id, int code, QWidget* control)
{
    if (id == kRepeat && code == MCSpinEdit::kNotice)
        MarkChanged(fieldRepeat);
    else
        PCsqFlowTimeForm::onNotice(id, code, control);
}

void PCsqFlowRepeatForm::DoDataExchange(plat::ui::DataExchange& exchange)
{
    PCsqFlowTimeForm::DoDataExchange(exchange);
    plat::ui::DataExchange own(this, exchange.saving());
    DDX_MCSpinEdit(own, kRepeat, m_count);
}

void PCsqFlowRepeatForm::UpdateForm()
{
    m_countEdit->SetIndeterminate(false);
    PCsqFlowTimeForm::UpdateForm();
}

bool PCsqFlowRepeatForm::MergeMark(ECBase* mark)
{
    const bool timeOrIgnoreOpen = PCsqFlowTimeForm::MergeMark(mark);
    if (auto* data = plat::dynamicDowncast<DCsqFlowControl>(mark->GetData(0, 0))) {
        if (m_fields.Merge(fieldRepeat, m_count, int(data->GetNumRepetitions() & 0xFFFF)))
            m_countEdit->SetIndeterminate(true);
    }
    return timeOrIgnoreOpen || m_fields.Get(fieldRepeat) != stateMixed;
}

bool PCsqFlowRepeatForm::DataChanged() const
{
    return PCsqFlowTimeForm::DataChanged() || m_fields.IsChanged(fieldRepeat);
}

void PCsqFlowRepeatForm::ChangeData(DCsqFlowControl& copy) const
{
    PCsqFlowTimeForm::ChangeData(copy);
    if (m_fields.IsChanged(fieldRepeat))
        copy.SetNumRepetitions(m_count & 0xFFFF);
}
