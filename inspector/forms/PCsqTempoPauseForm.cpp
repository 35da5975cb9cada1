#include "inspector/forms/PCsqTempoPauseForm.h"

#include "inspector/pages/PCsqTempo.h"

#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCTimeEdit.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/MCEventList.h"
#include "platform/ui/dialog/DataExchange.h"
#include "platform/ui/dialog/ItemId.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

PCsqTempoPauseForm::PCsqTempoPauseForm(MCInspectorPage* page) : MCInspectorForm(page, IDD)
{
    auto* layout = new QVBoxLayout(this);
    auto* timeRow = new QFormLayout;
    m_editTime = new MCTimeEdit(this);
    m_editTime->Create(this, IDC_TIME, MCSpinEdit::kVisibleSpin);
    m_editTime->setToolTip("Time the tempo change takes affect");
    timeRow->addRow("Start Time", m_editTime);
    layout->addLayout(timeRow);

    auto* group = new QGroupBox("Pause duration", this);
    auto* inside = new QVBoxLayout(group);
    auto* row = new QHBoxLayout;
    m_slider = new QSlider(Qt::Horizontal, group);
    plat::ui::setItemId(m_slider, IDC_SLIDER);
    row->addWidget(new QLabel("Shorter", group));
    row->addWidget(m_slider, 1);
    row->addWidget(new QLabel("Longer", group));
    inside->addLayout(row);
    m_editPercent = new MCSpinEdit(group);
    m_editPercent->Create(group, IDC_PERCENT, MCSpinEdit::kVisibleSpin);
    inside->addWidget(m_editPercent);
    layout->addWidget(group);
    layout->addStretch(1);

    // Only the user's moves count: loading the slider blocks its signals.
    connect(m_slider, &QSlider::valueChanged, this, [this](int position) { OnSliderMoved(position); });
}

PCsqTempoPauseForm::~PCsqTempoPauseForm() = default;

bool PCsqTempoPauseForm::InitForm()
{
    MCInspectorForm::InitForm();
    m_editTime->SetTimeFormat(1);
    m_slider->setRange(0, 400);
    m_editPercent->SetRange(0, 400);
    return true;
}

void PCsqTempoPauseForm::UpdateForm()
{
    MCInspectorForm::UpdateForm();
    m_editTime->SetIndeterminate(false);
    m_editPercent->SetIndeterminate(false);
    m_nTimeState = m_nPercentState = stateNone;
    m_time = MCTime::TimeZero();
    m_nPercent = 0;
    MCEventList* events = GetEventList();
    if (!events)
        return;
    for (ECBase* event : *events) {
        auto* tempo = plat::dynamicDowncast<ECTempo>(event);
        if (!tempo)
            continue;
        const MCTime time = *tempo->GetTime();
        const int percent = int(tempo->GetPausePercent());
        if (m_nTimeState == stateNone) {
            m_time = time;
            m_nPercent = percent;
            m_nTimeState = m_nPercentState = stateCommon;
            continue;
        }
        if (m_nTimeState == stateCommon && time != m_time) {
            m_nTimeState = stateMixed;
            m_editTime->SetIndeterminate(true);
        }
        if (m_nPercentState == stateCommon && percent != m_nPercent) {
            m_nPercentState = stateMixed;
            m_editPercent->SetIndeterminate(true);
        }
        if (m_nTimeState == stateMixed && m_nPercentState == stateMixed)
            break;
    }
}

void PCsqTempoPauseForm::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    auto* tempo = plat::dynamicDowncast<ECTempo>(event);
    if (!tempo)
        return;
    MCInspectorForm::UpdateEvent(event, commands);
    if (m_nTimeState == stateChanged) {
        auto* edit = static_cast<CCEditTime*>(commands.GetCommand(CommandIds::CCEditTime, &CCEditTime::classObject));
        const MCTime time = PCsqTempo::ScoreTime(GetDocument(), m_time);
        edit->EditTime(tempo, &time);
    }
    if (m_nPercentState == stateChanged) {
        auto* edit = static_cast<CCEdit*>(commands.GetCommand(CommandIds::CCEdit, &CCEdit::classObject));
        CCEditItem* item = edit->EditEvent(tempo);
        if (auto* copy = item ? plat::dynamicDowncast<ECTempo>(item->GetNewEvent()) : nullptr)
            copy->SetPausePercent(float(m_nPercent));
    }
    commands.SetSynchronous(1);
}

void PCsqTempoPauseForm::DoDataExchange(plat::ui::DataExchange& exchange)
{
    // The forms of one page reuse item ids: each exchanges with its own controls.
    plat::ui::DataExchange own(this, exchange.saving());
    DDX_MCTimeEdit(own, IDC_TIME, m_time);
    if (!own.saving()) {
        const QSignalBlocker quiet(m_slider);
        DDX_SliderCtrl(own, IDC_SLIDER, m_nPercent);
    }
    // The edit holds what the slider shows, and what the user typed.
    DDX_MCSpinEdit(own, IDC_PERCENT, m_nPercent);
}

void PCsqTempoPauseForm::OnSliderMoved(int position)
{
    m_editPercent->SetIndeterminate(false);
    m_editPercent->SetValue(position);
    m_nPercentState = stateChanged;
    SetModifiedFlag(true);
}

void PCsqTempoPauseForm::onNotice(int id, int code, QWidget*)
{
    if (id == IDC_TIME && code == MCTimeEdit::kNotice) {
        m_nTimeState = stateChanged;
    } else if (id == IDC_PERCENT && code == MCSpinEdit::kNotice) {
        if (m_editPercent->IsTextValid()) {
            const QSignalBlocker quiet(m_slider);
            m_slider->setValue(m_editPercent->GetValue());
            m_slider->update();
        }
        m_nPercentState = stateChanged;
    } else {
        return;
    }
    SetModifiedFlag(true);
}
