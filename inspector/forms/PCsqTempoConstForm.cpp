#include "inspector/forms/PCsqTempoConstForm.h"

#include "inspector/pages/PCsqTempo.h"

#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCMenuButton.h"
#include "interface/controls/MCTimeEdit.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECTempo.h"
#include "platform/ui/dialog/DataExchange.h"
#include "platform/ui/dialog/ItemId.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

#include <cmath>

PCsqTempoConstForm::PCsqTempoConstForm(MCInspectorPage* page) : MCInspectorForm(page, IDD)
{
    auto* layout = new QVBoxLayout(this);
    m_editTime = PCsqTempoMarkFields::AddTimeRow(this, layout, IDC_TIME, "Time");

    auto* group = new QGroupBox("Set a constant tempo of", this);
    auto* row = new QHBoxLayout(group);
    m_editBpm = new MCSpinEdit(group);
    m_editBpm->Create(group, IDC_BPM, MCSpinEdit::kVisibleSpin);
    m_editBpm->setToolTip("Tempo rate in beats per minute");
    m_menuWords = PCsqTempo::MakeTempoWordsMenu(this);
    m_buttonWords = new MCMenuButton(group);
    plat::ui::setItemId(m_buttonWords, IDC_WORDS);
    m_buttonWords->setText(QString::fromUtf8("\u25BE"));
    row->addWidget(m_editBpm, 1);
    row->addWidget(m_buttonWords);
    row->addWidget(new QLabel("Beats per minute", group));
    layout->addWidget(group);
    layout->addStretch(1);
}

PCsqTempoConstForm::~PCsqTempoConstForm() = default;

bool PCsqTempoConstForm::InitForm()
{
    MCInspectorForm::InitForm();
    m_editTime->SetTimeFormat(1);
    m_editBpm->SetRange(20, 400);
    m_buttonWords->SetMenu(m_menuWords);
    return true;
}

void PCsqTempoConstForm::UpdateForm()
{
    MCInspectorForm::UpdateForm();
    m_fields.Update(GetEventList(), m_editTime, m_editBpm, [](ECTempo& tempo) { return int(std::lround(tempo.GetTempo(1.0f))); });
}

void PCsqTempoConstForm::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    auto* tempo = plat::dynamicDowncast<ECTempo>(event);
    if (!tempo)
        return;
    MCInspectorForm::UpdateEvent(event, commands);
    m_fields.UpdateEvent(GetDocument(), tempo, commands, [](ECTempo& copy, int bpm) {
        // The page shows quarter notes a minute; each mark keeps the beat it counts in, so
        // the typed tempo is given back in that mark's own beats.
        const float beat = copy.GetBeat();
        if (beat > 0.0f)
            copy.SetTempo(float(bpm) / beat, beat);
        else
            copy.SetTempo(float(bpm), 1.0f);
    });
}

void PCsqTempoConstForm::DoDataExchange(plat::ui::DataExchange& exchange)
{
    // The forms of one page reuse item ids: each exchanges with its own controls.
    plat::ui::DataExchange own(this, exchange.saving());
    DDX_MCTimeEdit(own, IDC_TIME, m_fields.Time());
    DDX_MCSpinEdit(own, IDC_BPM, m_fields.Value());
}

void PCsqTempoConstForm::onNotice(int id, int code, QWidget*)
{
    if (id == IDC_TIME && code == MCTimeEdit::kNotice) {
        m_fields.MarkChanged(PCsqTempoMarkFields::fieldTime);
    } else if (id == IDC_BPM && code == MCSpinEdit::kNotice) {
        m_fields.MarkChanged(PCsqTempoMarkFields::fieldValue);
    } else if (const int bpm = PCsqTempo::TempoOfWord(id); bpm > 0 && code == 0) {
        m_editBpm->SetIndeterminate(false);
        m_editBpm->SetValue(bpm);
        m_editBpm->OnChange();
        return;
    } else {
        return;
    }
    SetModifiedFlag(true);
}
