#include "inspector/forms/PCsqTempoPauseForm.h"

#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCTimeEdit.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECTempo.h"
#include "platform/ui/dialog/DataExchange.h"
#include "platform/ui/dialog/ItemId.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

PCsqTempoPauseForm::PCsqTempoPauseForm(MCInspectorPage* page) : MCInspectorForm(page, IDD)
{
    auto* layout = new QVBoxLayout(this);
    m_editTime = PCsqTempoMarkFields::AddTimeRow(this, layout, IDC_TIME, "Start Time");

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
    m_fields.Update(GetEventList(), m_editTime, m_editPercent,
                    [](ECTempo& tempo) { return int(tempo.GetPausePercent()); });
}

void PCsqTempoPauseForm::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    auto* tempo = plat::dynamicDowncast<ECTempo>(event);
    if (!tempo)
        return;
    MCInspectorForm::UpdateEvent(event, commands);
    m_fields.UpdateEvent(GetDocument(), tempo, commands,
                         [](ECTempo& copy, int percent) { copy.SetPausePercent(float(percent)); });
}

void PCsqTempoPauseForm::DoDataExchange(plat::ui::DataExchange& exchange)
{
    // The forms of one page reuse item ids: each exchanges with its own controls.
    plat::ui::DataExchange own(this, exchange.saving());
    DDX_MCTimeEdit(own, IDC_TIME, m_fields.Time());
    if (!own.saving()) {
        const QSignalBlocker quiet(m_slider);
        DDX_SliderCtrl(own, IDC_SLIDER, m_fields.Value());
    }
    // The edit holds what the slider shows, and what the user typed.
    DDX_MCSpinEdit(own, IDC_PERCENT, m_fields.Value());
}

void PCsqTempoPauseForm::OnSliderMoved(int position)
{
    m_editPercent->SetIndeterminate(false);
    m_editPercent->SetValue(position);
    m_fields.MarkChanged(PCsqTempoMarkFields::fieldValue);
    SetModifiedFlag(true);
}

void PCsqTempoPauseForm::onNotice(int id, int code, QWidget*)
{
    if (id == IDC_TIME && code == MCTimeEdit::kNotice) {
        m_fields.MarkChanged(PCsqTempoMarkFields::fieldTime);
    } else if (id == IDC_PERCENT && code == MCSpinEdit::kNotice) {
        if (m_editPercent->IsTextValid()) {
            const QSignalBlocker quiet(m_slider);
            m_slider->setValue(m_editPercent->GetValue());
            m_slider->update();
        }
        m_fields.MarkChanged(PCsqTempoMarkFields::fieldValue);
    } else {
        return;
    }
    SetModifiedFlag(true);
}
