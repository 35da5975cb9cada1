#include "inspector/forms/PCsqTempoConstForm.h"

#include "inspector/pages/PCsqTempo.h"

#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCMenuButton.h"
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
#include <QMenu>
#include <QVBoxLayout>

PCsqTempoConstForm::PCsqTempoConstForm(MCInspectorPage* page) : MCInspectorForm(page, IDD)
{
    auto* layout = new QVBoxLayout(this);
    auto* timeRow = new QFormLayout;
    m_editTime = new MCTimeEdit(this);
    m_editTime->Create(this, IDC_TIME, MCSpinEdit::kVisibleSpin);
    m_editTime->setToolTip("Time the tempo change takes affect");
    timeRow->addRow("Time", m_editTime);
    layout->addLayout(timeRow);

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
    m_editTime->SetIndeterminate(false);
    m_editBpm->SetIndeterminate(false);
    m_nTimeState = m_nBpmState = stateNone;
    m_time = MCTime::TimeZero();
    m_nBpm = 0;
    MCEventList* events = GetEventList();
    if (!events)
        return;
    for (ECBase* event : *events) {
        auto* tempo = plat::dynamicDowncast<ECTempo>(event);
        if (!tempo)
            continue;
        const MCTime time = *tempo->GetTime();
        const int bpm = int(tempo->GetTempo(1.0f));
        if (m_nTimeState == stateNone) {
            m_time = time;
            m_nBpm = bpm;
            m_nTimeState = m_nBpmState = stateCommon;
            continue;
        }
        if (m_nTimeState == stateCommon && time != m_time) {
            m_nTimeState = stateMixed;
            m_editTime->SetIndeterminate(true);
        }
        if (m_nBpmState == stateCommon && bpm != m_nBpm) {
            m_nBpmState = stateMixed;
            m_editBpm->SetIndeterminate(true);
        }
        if (m_nTimeState == stateMixed && m_nBpmState == stateMixed)
            break;
    }
}

void PCsqTempoConstForm::UpdateEvent(ECBase* event, MCCommandList& commands)
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
    if (m_nBpmState == stateChanged) {
        auto* edit = static_cast<CCEdit*>(commands.GetCommand(CommandIds::CCEdit, &CCEdit::classObject));
        CCEditItem* item = edit->EditEvent(tempo);
        if (auto* copy = item ? plat::dynamicDowncast<ECTempo>(item->GetNewEvent()) : nullptr) {
            // The page shows quarter notes a minute; each mark keeps the beat it counts in, so
            // the typed tempo is given back in that mark's own beats.
            const float beat = copy->GetBeat();
            if (beat > 0.0f)
                copy->SetTempo(float(m_nBpm) / beat, beat);
            else
                copy->SetTempo(float(m_nBpm), 1.0f);
        }
    }
    commands.SetSynchronous(1);
}

void PCsqTempoConstForm::DoDataExchange(plat::ui::DataExchange& exchange)
{
    // The forms of one page reuse item ids: each exchanges with its own controls.
    plat::ui::DataExchange own(this, exchange.saving());
    DDX_MCTimeEdit(own, IDC_TIME, m_time);
    DDX_MCSpinEdit(own, IDC_BPM, m_nBpm);
}

void PCsqTempoConstForm::onNotice(int id, int code, QWidget*)
{
    if (id == IDC_TIME && code == MCTimeEdit::kNotice) {
        m_nTimeState = stateChanged;
    } else if (id == IDC_BPM && code == MCSpinEdit::kNotice) {
        m_nBpmState = stateChanged;
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
