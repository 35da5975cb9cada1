#include "inspector/forms/PCsqDynamicConstForm.h"

#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCMenuButton.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/controls/MCTimeEdit.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditTime.h"
#include "inspector/pages/PCsqPageCommand.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECDynamic.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/names/DisplayNames.h"
#include "platform/ui/dialog/ItemId.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

PLAT_IMPLEMENT_DYNCREATE(PCsqDynamicConstForm, MCInspectorForm)

namespace {

// The named dynamics, loudest first, as the menu lists them.
constexpr const char* kDynamicNames[] = {"ffff", "fff", "ff", "f", "mf", "mp", "p", "pp", "ppp", "pppp"};

}  // namespace

PCsqDynamicConstForm::PCsqDynamicConstForm(MCInspectorPage* page) : MCInspectorForm(page, IDD)
{
    for (int i = 0; i < 10; ++i)
        m_DynamicsMenu.addAction(kDynamicNames[i])->setData(kFirstDynamic + 9 - i);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* group = new QGroupBox("Set a constant dynamic of", this);
    auto* grid = new QGridLayout(group);
    auto* time = new MCTimeEdit(group);
    plat::ui::setItemId(time, IDC_TIME);
    auto* value = new MCSpinEdit(group);
    plat::ui::setItemId(value, IDC_VALUE);
    auto* dynamics = new MCMenuButton(group);
    plat::ui::setItemId(dynamics, IDC_DYNAMICS);
    dynamics->setText(QString::fromUtf8("\u25BE"));
    dynamics->setFixedWidth(dynamics->fontMetrics().height() * 2);
    dynamics->setToolTip("Select a named dynamic");
    auto* timeLabel = new QLabel("&Time", group);
    timeLabel->setBuddy(time);
    auto* valueLabel = new QLabel("MIDI &value", group);
    valueLabel->setBuddy(value);
    grid->addWidget(timeLabel, 0, 0);
    grid->addWidget(time, 0, 1);
    grid->addWidget(valueLabel, 1, 0);
    grid->addWidget(value, 1, 1);
    grid->addWidget(dynamics, 1, 2);
    grid->setColumnStretch(3, 1);
    layout->addWidget(group);
    layout->addStretch(1);
}

bool PCsqDynamicConstForm::InitForm()
{
    if (!MCInspectorForm::InitForm())
        return false;
    auto* time = plat::ui::item<MCTimeEdit>(this, IDC_TIME);
    auto* value = plat::ui::item<MCSpinEdit>(this, IDC_VALUE);
    auto* dynamics = plat::ui::item<MCMenuButton>(this, IDC_DYNAMICS);
    if (!time || !value || !dynamics || !time->SubclassTimeEdit(IDC_TIME, this, 1, MCSpinEdit::kVisibleSpin) ||
        !value->SubclassSpinEdit(IDC_VALUE, this, MCSpinEdit::kVisibleSpin))
        return false;
    value->SetRange(0, 127);
    dynamics->SetMenu(&m_DynamicsMenu);
    return true;
}

void PCsqDynamicConstForm::UpdateForm()
{
    MCInspectorForm::UpdateForm();
    auto* timeEdit = plat::ui::item<MCTimeEdit>(this, IDC_TIME);
    auto* valueEdit = plat::ui::item<MCSpinEdit>(this, IDC_VALUE);
    timeEdit->SetIndeterminate(false);
    valueEdit->SetIndeterminate(false);
    m_fields.Reset();
    MCEventList* events = GetEventList();
    if (!events)
        return;
    for (ECBase* element : *events) {
        if (!element || element->GetEventId() != EventId::Dynamic)
            continue;
        auto* mark = static_cast<ECDynamic*>(element);
        const MCTime time = *mark->GetTime();
        const int value = int(mark->GetValue());
        if (m_fields.Merge(fieldTime, m_Time, time))
            timeEdit->SetIndeterminate(true);
        if (m_fields.Merge(fieldValue, m_nValue, value))
            valueEdit->SetIndeterminate(true);
    }
}

void PCsqDynamicConstForm::DoDataExchange(plat::ui::DataExchange& exchange)
{
    MCInspectorForm::DoDataExchange(exchange);
    DDX_MCTimeEdit(exchange, IDC_TIME, m_Time);
    DDX_MCSpinEdit(exchange, IDC_VALUE, m_nValue);
}

void PCsqDynamicConstForm::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    MCInspectorForm::UpdateEvent(event, commands);
    if (!event || event->GetEventId() != EventId::Dynamic)
        return;
    if (m_fields.IsChanged(fieldTime)) {
        auto* move = PCsqPageCommand<CCEditTime>(commands, CommandIds::CCEditTime);
        move->EditTime(event, &m_Time);
    }
    if (m_fields.IsChanged(fieldValue)) {
        auto* edit = PCsqPageCommand<CCEdit>(commands, CommandIds::CCEdit);
        if (auto* copy = PCsqEditedCopy<ECDynamic>(*edit, event))
                copy->SetValue(float(m_nValue));
    }
}

void PCsqDynamicConstForm::onNotice(int id, int code, QWidget*)
{
    if (id >= kFirstDynamic && id <= kFirstDynamic + 9 && code == 0) {
        // The value of the named dynamic, as if typed.
        auto* value = plat::ui::item<MCSpinEdit>(this, IDC_VALUE);
        value->SetIndeterminate(false);
        value->SetValue(GetDynamicValue(id - kFirstDynamic));
        value->OnChange();
        return;
    }
    if (id == IDC_TIME && code == MCTimeEdit::kNotice)
        m_fields.Set(fieldTime, stateChanged);
    else if (id == IDC_VALUE && code == MCSpinEdit::kNotice)
        m_fields.Set(fieldValue, stateChanged);
    else
        return;
    SetModifiedFlag(true);
}
