#include "inspector/pages/PCsqPitchBend.h"

#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/controls/MCTimeEdit.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditTime.h"
#include "inspector/pages/PCsqPageCommand.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECPitchBend.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "platform/ui/dialog/ItemId.h"

#include <QGridLayout>
#include <QLabel>

PLAT_IMPLEMENT_DYNCREATE(PCsqPitchBend, MCInspectorPage)

PCsqPitchBend::PCsqPitchBend()
{
    setWindowTitle("&Performance");
    auto* layout = new QGridLayout(this);
    auto* time = new MCTimeEdit(this);
    plat::ui::setItemId(time, IDC_TIME);
    auto* value = new MCSpinEdit(this);
    plat::ui::setItemId(value, IDC_VALUE);
    auto* timeLabel = new QLabel("&Time", this);
    timeLabel->setBuddy(time);
    auto* valueLabel = new QLabel("&Value", this);
    valueLabel->setBuddy(value);
    layout->addWidget(timeLabel, 0, 0);
    layout->addWidget(time, 0, 1);
    layout->addWidget(valueLabel, 1, 0);
    layout->addWidget(value, 1, 1);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(2, 1);
}

bool PCsqPitchBend::InitPage()
{
    if (!MCInspectorPage::InitPage())
        return false;
    auto* time = plat::ui::item<MCTimeEdit>(this, IDC_TIME);
    auto* value = plat::ui::item<MCSpinEdit>(this, IDC_VALUE);
    if (!time || !value || !time->SubclassTimeEdit(IDC_TIME, this, 1, MCSpinEdit::kVisibleSpin) ||
        !value->SubclassSpinEdit(IDC_VALUE, this, MCSpinEdit::kVisibleSpin))
        return false;
    value->SetRange(-8192, 8191);
    return true;
}

void PCsqPitchBend::UpdatePage()
{
    MCInspectorPage::UpdatePage();
    auto* timeEdit = plat::ui::item<MCTimeEdit>(this, IDC_TIME);
    auto* valueEdit = plat::ui::item<MCSpinEdit>(this, IDC_VALUE);
    timeEdit->SetIndeterminate(false);
    valueEdit->SetIndeterminate(false);
    m_fields.Reset();
    MCEventList* events = GetEventList();
    if (!events)
        return;
    for (ECBase* element : *events) {
        if (!element || element->GetEventId() != EventId::PitchBend)
            continue;
        auto* bend = static_cast<ECPitchBend*>(element);
        const MCTime time = *bend->GetTime();
        // Stored 0 to 16383; the page counts from the centre.
        const int value = int(bend->GetValue()) - kCentre;
        if (m_fields.Merge(fieldTime, m_Time, time))
            timeEdit->SetIndeterminate(true);
        if (m_fields.Merge(fieldValue, m_nValue, value))
            valueEdit->SetIndeterminate(true);
        if (m_fields.AllMixed(fieldCount))
            break;
    }
}

void PCsqPitchBend::DoDataExchange(plat::ui::DataExchange& exchange)
{
    MCInspectorPage::DoDataExchange(exchange);
    DDX_MCTimeEdit(exchange, IDC_TIME, m_Time);
    DDX_MCSpinEdit(exchange, IDC_VALUE, m_nValue);
}

void PCsqPitchBend::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    if (!event || event->GetEventId() != EventId::PitchBend)
        return;
    MCInspectorPage::UpdateEvent(event, commands);
    if (m_fields.IsChanged(fieldTime)) {
        auto* move = PCsqPageCommand<CCEditTime>(commands, CommandIds::CCEditTime);
        move->EditTime(event, &m_Time);
    }
    if (m_fields.IsChanged(fieldValue)) {
        auto* edit = PCsqPageCommand<CCEdit>(commands, CommandIds::CCEdit);
        if (auto* copy = PCsqEditedCopy<ECPitchBend>(*edit, event))
                copy->SetValue(float(m_nValue + kCentre));
    }
}

void PCsqPitchBend::onNotice(int id, int code, QWidget*)
{
    if (id == IDC_TIME && code == MCTimeEdit::kNotice)
        m_fields.Set(fieldTime, stateChanged);
    else if (id == IDC_VALUE && code == MCSpinEdit::kNotice)
        m_fields.Set(fieldValue, stateChanged);
    else
        return;
    SetModifiedFlag(true);
}
