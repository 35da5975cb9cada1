#include "inspector/pages/PCsqAccent.h"

#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCSpinEdit.h"
#include "notabase/commands/CCEditFilter.h"
#include "notabase/commands/CCEditFilterItem.h"
#include "inspector/pages/PCsqPageCommand.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "platform/ui/dialog/ItemId.h"
#include "sequencer/data/DCsqBase.h"
#include "sequencer/layers/LCsqAccent.h"

#include <QGridLayout>
#include <QLabel>

PLAT_IMPLEMENT_DYNCREATE(PCsqAccent, MCInspectorPage)

namespace {

// The accent filter of an accent mark's sequencer data; null for anything else.
LCsqAccent* AccentFilter(ECBase* element)
{
    if (!element || element->GetEventId() != EventId::Accent)
        return nullptr;
    auto* data = plat::dynamicDowncast<DCsqBase>(element->GetData(0, 0));
    return data ? plat::dynamicDowncast<LCsqAccent>(data->GetFilter()) : nullptr;
}

int Percent(float factor)
{
    return int(factor * 100.0f + 0.5f);
}

}  // namespace

PCsqAccent::PCsqAccent()
{
    setWindowTitle("&Performance");
    auto* layout = new QGridLayout(this);
    const struct {
        int id;
        const char* label;
        const char* tip;
    } rows[] = {
        {IDC_DURATION, "&Duration:", "Percent the note's duration is changed by the accent"},
        {IDC_VELOCITY, "&Velocity:", "Percent the note's velocity is changed by the accent"},
    };
    int row = 0;
    for (const auto& field : rows) {
        auto* label = new QLabel(field.label, this);
        auto* edit = new MCSpinEdit(this);
        plat::ui::setItemId(edit, field.id);
        edit->setToolTip(field.tip);
        label->setBuddy(edit);
        layout->addWidget(label, row, 0);
        layout->addWidget(edit, row, 1);
        layout->addWidget(new QLabel("percent of original value", this), row, 2);
        ++row;
    }
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(row, 1);
}

bool PCsqAccent::InitPage()
{
    for (const int id : {int(IDC_DURATION), int(IDC_VELOCITY)}) {
        auto* edit = plat::ui::item<MCSpinEdit>(this, id);
        if (!edit || !edit->SubclassSpinEdit(id, this, MCSpinEdit::kVisibleSpin))
            return false;
        edit->SetRange(0, 1000);
    }
    return true;
}

void PCsqAccent::Merge(int field, int control, float& member, float value)
{
    if (m_fields.Merge(field, member, value))
        if (auto* edit = plat::ui::item<MCSpinEdit>(this, control))
            edit->SetIndeterminate(true);
}

void PCsqAccent::UpdatePage()
{
    MCInspectorPage::UpdatePage();
    m_fields.Reset();
    for (const int id : {int(IDC_DURATION), int(IDC_VELOCITY)})
        if (auto* edit = plat::ui::item<MCSpinEdit>(this, id))
            edit->SetIndeterminate(false);
    MCEventList* events = GetEventList();
    if (!events)
        return;
    for (ECBase* element : *events) {
        LCsqAccent* filter = AccentFilter(element);
        if (!filter)
            continue;
        Merge(fieldDuration, IDC_DURATION, m_fDuration, filter->GetDurationChange());
        Merge(fieldVelocity, IDC_VELOCITY, m_fVelocity, filter->GetVelocityOnChange());
        if (m_fields.AllMixed(fieldCount))
            break;
    }
}

void PCsqAccent::DoDataExchange(plat::ui::DataExchange& exchange)
{
    MCInspectorPage::DoDataExchange(exchange);
    int duration = Percent(m_fDuration);
    int velocity = Percent(m_fVelocity);
    DDX_MCSpinEdit(exchange, IDC_DURATION, duration);
    DDX_MCSpinEdit(exchange, IDC_VELOCITY, velocity);
    if (exchange.saving()) {
        m_fDuration = float(duration) / 100.0f;
        m_fVelocity = float(velocity) / 100.0f;
    }
}

void PCsqAccent::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    LCsqAccent* filter = AccentFilter(event);
    if (!filter)
        return;
    MCInspectorPage::UpdateEvent(event, commands);
    const bool duration = m_fields.IsChanged(fieldDuration);
    const bool velocity = m_fields.IsChanged(fieldVelocity);
    if (!duration && !velocity)
        return;
    auto* edit = PCsqPageCommand<CCEditFilter>(commands, CommandIds::CCEditFilter);
    auto* copy = plat::dynamicDowncast<LCsqAccent>(edit->EditFilter(filter)->GetNewFilter());
    if (!copy)
        return;
    if (duration)
        copy->SetDurationChange(m_fDuration);
    if (velocity)
        copy->SetVelocityOnChange(m_fVelocity);
}

void PCsqAccent::onNotice(int id, int code, QWidget*)
{
    if (code != MCSpinEdit::kNotice)
        return;
    if (id == IDC_DURATION)
        m_fields.Set(fieldDuration, stateChanged);
    else if (id == IDC_VELOCITY)
        m_fields.Set(fieldVelocity, stateChanged);
    else
        return;
    SetModifiedFlag(true);
}
