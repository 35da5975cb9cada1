#include "inspector/forms/PCsqTempoMarkFields.h"

#include "inspector/pages/PCsqPageCommand.h"
#include "inspector/pages/PCsqTempo.h"

#include "interface/controls/MCTimeEdit.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/MCEventList.h"

#include <QBoxLayout>
#include <QFormLayout>

MCTimeEdit* PCsqTempoMarkFields::AddTimeRow(QWidget* form, QBoxLayout* layout, int id, const char* caption)
{
    auto* timeRow = new QFormLayout;
    auto* edit = new MCTimeEdit(form);
    edit->Create(form, id, MCSpinEdit::kVisibleSpin);
    edit->setToolTip("Time the tempo change takes affect");
    timeRow->addRow(caption, edit);
    layout->addLayout(timeRow);
    return edit;
}

void PCsqTempoMarkFields::Update(MCEventList* events, MCTimeEdit* timeEdit, MCSpinEdit* valueEdit,
                                 const std::function<int(ECTempo&)>& valueOf)
{
    timeEdit->SetIndeterminate(false);
    valueEdit->SetIndeterminate(false);
    m_fields.Reset();
    m_time = MCTime::TimeZero();
    m_nValue = 0;
    if (!events)
        return;
    for (ECBase* event : *events) {
        auto* tempo = plat::dynamicDowncast<ECTempo>(event);
        if (!tempo)
            continue;
        if (m_fields.Merge(fieldTime, m_time, *tempo->GetTime()))
            timeEdit->SetIndeterminate(true);
        if (m_fields.Merge(fieldValue, m_nValue, valueOf(*tempo)))
            valueEdit->SetIndeterminate(true);
        if (m_fields.AllMixed(fieldCount))
            break;
    }
}

void PCsqTempoMarkFields::UpdateEvent(MCOpusDoc* document, ECTempo* tempo, MCCommandList& commands,
                                      const std::function<void(ECTempo& copy, int value)>& setValue) const
{
    if (m_fields.IsChanged(fieldTime)) {
        auto* edit = PCsqPageCommand<CCEditTime>(commands, CommandIds::CCEditTime);
        const MCTime time = PCsqTempo::ScoreTime(document, m_time);
        edit->EditTime(tempo, &time);
    }
    if (m_fields.IsChanged(fieldValue)) {
        auto* edit = PCsqPageCommand<CCEdit>(commands, CommandIds::CCEdit);
        if (auto* copy = PCsqEditedCopy<ECTempo>(*edit, tempo))
            setValue(*copy, m_nValue);
    }
}
