#include "inspector/pages/PCsqControlChange.h"

#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/controls/MCTimeEdit.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditTime.h"
#include "inspector/pages/PCsqPageCommand.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECControlChange.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/names/DisplayNames.h"
#include "platform/ui/dialog/ItemId.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

PLAT_IMPLEMENT_DYNCREATE(PCsqControlChange, MCInspectorPage)

namespace {

// Controller changes and pedal marks: the elements the page shows.
ECControlChange* Shown(ECBase* element)
{
    if (!element)
        return nullptr;
    const int type = element->GetEventId();
    return type == EventId::ControlChange || type == EventId::Pedal ? static_cast<ECControlChange*>(element)
                                                                   : nullptr;
}

}  // namespace

PCsqControlChange::PCsqControlChange()
{
    setWindowTitle("&Performance");
    auto* layout = new QGridLayout(this);
    auto* time = new MCTimeEdit(this);
    plat::ui::setItemId(time, IDC_TIME);
    auto* value = new MCSpinEdit(this);
    plat::ui::setItemId(value, IDC_VALUE);
    auto* controller = new QLineEdit(this);
    plat::ui::setItemId(controller, IDC_CONTROLLER);
    controller->setReadOnly(true);
    controller->setFocusPolicy(Qt::NoFocus);

    auto* timeLabel = new QLabel("&Time", this);
    timeLabel->setBuddy(time);
    auto* valueLabel = new QLabel("&Value", this);
    valueLabel->setBuddy(value);
    layout->addWidget(timeLabel, 0, 0);
    layout->addWidget(time, 0, 1);
    layout->addWidget(valueLabel, 1, 0);
    layout->addWidget(value, 1, 1);
    layout->addWidget(new QLabel("Controller Type:", this), 2, 0);
    layout->addWidget(controller, 2, 1, 1, 2);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(3, 1);
}

bool PCsqControlChange::InitPage()
{
    auto* time = plat::ui::item<MCTimeEdit>(this, IDC_TIME);
    auto* value = plat::ui::item<MCSpinEdit>(this, IDC_VALUE);
    if (!time || !value || !time->SubclassTimeEdit(IDC_TIME, this, 1, MCSpinEdit::kVisibleSpin) ||
        !value->SubclassSpinEdit(IDC_VALUE, this, MCSpinEdit::kVisibleSpin))
        return false;
    value->SetRange(0, 127);
    return true;
}

void PCsqControlChange::UpdatePage()
{
    MCInspectorPage::UpdatePage();
    m_fields.Reset();
    auto* timeEdit = plat::ui::item<MCTimeEdit>(this, IDC_TIME);
    auto* valueEdit = plat::ui::item<MCSpinEdit>(this, IDC_VALUE);
    timeEdit->SetIndeterminate(false);
    valueEdit->SetIndeterminate(false);
    MCEventList* events = GetEventList();
    if (!events)
        return;
    for (ECBase* element : *events) {
        ECControlChange* change = Shown(element);
        if (!change)
            continue;
        const MCTime time = *change->GetTime();
        const int value = int(change->GetValue());
        const int controller = change->GetControllerNum();
        if (m_fields.Merge(fieldTime, m_Time, time))
            timeEdit->SetIndeterminate(true);
        if (m_fields.Merge(fieldValue, m_nValue, value))
            valueEdit->SetIndeterminate(true);
        if (m_fields.Merge(fieldController, m_nController, controller))
            m_nController = -1;
        if (m_fields.AllMixed(fieldCount))
            break;
    }
}

void PCsqControlChange::DoDataExchange(plat::ui::DataExchange& exchange)
{
    MCInspectorPage::DoDataExchange(exchange);
    DDX_MCTimeEdit(exchange, IDC_TIME, m_Time);
    DDX_MCSpinEdit(exchange, IDC_VALUE, m_nValue);
    if (!exchange.saving()) {
        if (auto* controller = plat::ui::item<QLineEdit>(this, IDC_CONTROLLER)) {
            const bool known = m_nController >= 0 && m_nController <= 127;
            controller->setText(known ? QString::fromStdString(
                                            GetControllerString(static_cast<unsigned char>(m_nController), 2))
                                      : QString());
        }
    }
}

void PCsqControlChange::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    // Pedal marks are shown with the controllers but keep their own values.
    if (!event || event->GetEventId() != EventId::ControlChange)
        return;
    MCInspectorPage::UpdateEvent(event, commands);
    if (m_fields.IsChanged(fieldTime)) {
        auto* move = PCsqPageCommand<CCEditTime>(commands, CommandIds::CCEditTime);
        move->EditTime(event, &m_Time);
    }
    if (m_fields.IsChanged(fieldValue)) {
        auto* edit = PCsqPageCommand<CCEdit>(commands, CommandIds::CCEdit);
        if (auto* copy = PCsqEditedCopy<ECControlChange>(*edit, event))
                copy->SetValue(float(m_nValue));
    }
}

void PCsqControlChange::onNotice(int id, int code, QWidget*)
{
    if (id == IDC_TIME && code == MCTimeEdit::kNotice)
        m_fields.Set(fieldTime, stateChanged);
    else if (id == IDC_VALUE && code == MCSpinEdit::kNotice)
        m_fields.Set(fieldValue, stateChanged);
    else
        return;
    SetModifiedFlag(true);
}
