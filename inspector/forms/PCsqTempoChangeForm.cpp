#include "inspector/forms/PCsqTempoChangeForm.h"

#include "inspector/pages/PCsqPageCommand.h"
#include "inspector/pages/PCsqTempo.h"

#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCMenuButton.h"
#include "interface/controls/MCTimeEdit.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditDuration.h"
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
#include <QMenu>
#include <QVBoxLayout>

#include <cmath>

namespace {

MCTimeEdit* makeTimeEdit(QWidget* parent, int id, const char* tip)
{
    auto* edit = new MCTimeEdit(parent);
    edit->Create(parent, id, MCSpinEdit::kVisibleSpin);
    edit->setToolTip(tip);
    return edit;
}

MCMenuButton* makeMenuButton(QWidget* parent, int id)
{
    auto* button = new MCMenuButton(parent);
    plat::ui::setItemId(button, id);
    button->setText(QString::fromUtf8("\u25BE"));
    return button;
}

QHBoxLayout* pair(QWidget* edit, QWidget* button)
{
    auto* row = new QHBoxLayout;
    row->addWidget(edit, 1);
    row->addWidget(button);
    return row;
}

}  // namespace

PCsqTempoChangeForm::PCsqTempoChangeForm(MCInspectorPage* page) : MCInspectorForm(page, IDD)
{
    auto* layout = new QVBoxLayout(this);
    auto* times = new QFormLayout;
    m_editStart = makeTimeEdit(this, IDC_START, "Time the tempo begins to change");
    m_editDuration = makeTimeEdit(this, IDC_DURATION, "Time span over which the tempo changes");
    m_editStop = makeTimeEdit(this, IDC_STOP, "Time the tempo stops changing");
    m_menuDurations = PCsqTempo::MakeDurationsMenu(this);
    m_buttonDurations = makeMenuButton(this, IDC_DURATIONS);
    times->addRow("Start", m_editStart);
    times->addRow("Duration", pair(m_editDuration, m_buttonDurations));
    times->addRow("Stop", m_editStop);
    layout->addLayout(times);

    auto* group = new QGroupBox("Set a changing tempo", this);
    auto* tempos = new QFormLayout(group);
    m_editFrom = new MCSpinEdit(group);
    m_editFrom->Create(group, IDC_FROM, MCSpinEdit::kVisibleSpin);
    m_editFrom->setToolTip("Percentage by which the tempo increases/decreases over the specified duration");
    m_menuFromWords = PCsqTempo::MakeTempoWordsMenu(this);
    m_buttonFromWords = makeMenuButton(group, IDC_FROM_WORDS);
    m_editTo = new MCSpinEdit(group);
    m_editTo->Create(group, IDC_TO, MCSpinEdit::kVisibleSpin);
    m_menuToWords = PCsqTempo::MakeTempoWordsMenu(this);
    m_buttonToWords = makeMenuButton(group, IDC_TO_WORDS);
    tempos->addRow("From:", pair(m_editFrom, m_buttonFromWords));
    tempos->addRow("To:", pair(m_editTo, m_buttonToWords));
    layout->addWidget(group);
    layout->addStretch(1);
}

PCsqTempoChangeForm::~PCsqTempoChangeForm() = default;

bool PCsqTempoChangeForm::InitForm()
{
    MCInspectorForm::InitForm();
    m_editStart->SetTimeFormat(1);
    m_editStop->SetTimeFormat(1);
    m_editDuration->SetShowDuration(true);
    m_editDuration->SetTimeFormat(5);
    m_buttonDurations->SetMenu(m_menuDurations);
    m_editFrom->SetRange(20, 400);
    m_editTo->SetRange(20, 400);
    m_buttonFromWords->SetMenu(m_menuFromWords);
    m_buttonToWords->SetMenu(m_menuToWords);
    return true;
}

void PCsqTempoChangeForm::UpdateForm()
{
    MCInspectorForm::UpdateForm();
    for (MCSpinEdit* edit : {static_cast<MCSpinEdit*>(m_editStart), static_cast<MCSpinEdit*>(m_editDuration),
                             static_cast<MCSpinEdit*>(m_editStop), m_editFrom, m_editTo})
        edit->SetIndeterminate(false);
    m_fields.Reset();
    m_start = m_duration = m_stop = MCTime::TimeZero();
    m_nFrom = m_nTo = 0;
    MCEventList* events = GetEventList();
    if (!events)
        return;
    auto merge = [this](int field, auto& held, const auto& value, MCSpinEdit* edit) {
        if (m_fields.Merge(field, held, value))
            edit->SetIndeterminate(true);
    };
    for (ECBase* event : *events) {
        auto* tempo = plat::dynamicDowncast<ECTempo>(event);
        if (!tempo)
            continue;
        const MCTime start = *tempo->GetTime();
        const MCTime duration = *tempo->GetDuration();
        const MCTime stop = start + duration;
        merge(fieldStart, m_start, start, m_editStart);
        merge(fieldDuration, m_duration, duration, m_editDuration);
        merge(fieldStop, m_stop, stop, m_editStop);
        MCEventList anchors;
        if (tempo->GetAnchorList(anchors) && !anchors.IsEmpty()) {
            auto* first = plat::dynamicDowncast<ECEnvPoint>(anchors.GetHead());
            auto* last = plat::dynamicDowncast<ECEnvPoint>(anchors.GetTail());
            if (first)
                merge(fieldFrom, m_nFrom, int(std::lround(first->GetValue())), m_editFrom);
            if (last)
                merge(fieldTo, m_nTo, int(std::lround(last->GetValue())), m_editTo);
        }
        if (m_fields.AllMixed(fieldCount))
            break;
    }
}

void PCsqTempoChangeForm::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    auto* tempo = plat::dynamicDowncast<ECTempo>(event);
    if (!tempo)
        return;
    MCInspectorForm::UpdateEvent(event, commands);
    if (m_fields.IsChanged(fieldStart)) {
        auto* edit = PCsqPageCommand<CCEditTime>(commands, CommandIds::CCEditTime);
        const MCTime start = Score(m_start);
        edit->EditTime(tempo, &start);
    }
    if (m_fields.IsChanged(fieldDuration)) {
        auto* edit = PCsqPageCommand<CCEditDuration>(commands, CommandIds::CCEditDuration);
        edit->EditDuration(tempo, &m_duration);
    } else if (m_fields.IsChanged(fieldStop)) {
        // A stop typed over starts that differ ends each mark there, from its own start.
        const MCTime start = m_fields.IsChanged(fieldStart) ? Score(m_start) : *tempo->GetTime();
        const MCTime stop = Score(m_stop);
        const MCTime duration = stop < start ? MCTime::TimeZero() : stop - start;
        auto* edit = PCsqPageCommand<CCEditDuration>(commands, CommandIds::CCEditDuration);
        edit->EditDuration(tempo, &duration);
    } else if (m_fields.IsChanged(fieldStart)) {
        // A change moved keeps its length, as the page shows: its closing mark goes along.
        const MCTime duration = *tempo->GetDuration();
        auto* edit = PCsqPageCommand<CCEditDuration>(commands, CommandIds::CCEditDuration);
        edit->EditDuration(tempo, &duration);
    }
    if (m_fields.IsChanged(fieldFrom) || m_fields.IsChanged(fieldTo)) {
        MCEventList anchors;
        // A mark outside an anchor group has no ends to give tempos to.
        if (tempo->GetAnchorList(anchors) && !anchors.IsEmpty()) {
            auto* edit = PCsqPageCommand<CCEdit>(commands, CommandIds::CCEdit);
            auto setValue = [edit](ECBase* point, int value) {
                if (auto* copy = PCsqEditedCopy<ECEnvPoint>(*edit, point))
                    copy->SetValue(float(value));
            };
            if (m_fields.IsChanged(fieldFrom))
                setValue(anchors.GetHead(), m_nFrom);
            if (m_fields.IsChanged(fieldTo))
                setValue(anchors.GetTail(), m_nTo);
        }
    }
}

void PCsqTempoChangeForm::DoDataExchange(plat::ui::DataExchange& exchange)
{
    // The forms of one page reuse item ids: each exchanges with its own controls.
    plat::ui::DataExchange own(this, exchange.saving());
    DDX_MCTimeEdit(own, IDC_START, m_start);
    DDX_MCTimeEdit(own, IDC_DURATION, m_duration);
    DDX_MCTimeEdit(own, IDC_STOP, m_stop);
    DDX_MCSpinEdit(own, IDC_FROM, m_nFrom);
    DDX_MCSpinEdit(own, IDC_TO, m_nTo);
}

MCTime PCsqTempoChangeForm::Score(const MCTime& time) const
{
    return PCsqTempo::ScoreTime(GetDocument(), time);
}

void PCsqTempoChangeForm::OnChangeStart()
{
    // The stop follows only from values the page knows; over durations that differ the
    // stops differ too.
    if (m_editDuration->GetIndeterminate()) {
        m_editStop->SetIndeterminate(true);
    } else {
        m_editStop->SetIndeterminate(false);
        m_editStop->SetTimeValue(Score(m_editStart->GetTimeValue()) + m_editDuration->GetTimeValue());
    }
    m_fields.Set(fieldStart, stateChanged);
}

void PCsqTempoChangeForm::OnChangeDuration()
{
    if (!m_editStart->GetIndeterminate()) {
        m_editStop->SetIndeterminate(false);
        m_editStop->SetTimeValue(Score(m_editStart->GetTimeValue()) + m_editDuration->GetTimeValue());
        m_fields.Set(fieldStop, stateChanged);
    }
    m_fields.Set(fieldDuration, stateChanged);
}

void PCsqTempoChangeForm::OnChangeStop()
{
    if (!m_editStart->GetIndeterminate()) {
        MCTime duration = Score(m_editStop->GetTimeValue()) - Score(m_editStart->GetTimeValue());
        if (duration < MCTime::TimeZero())
            duration = MCTime::TimeZero();
        m_editDuration->SetIndeterminate(false);
        m_editDuration->SetTimeValue(duration);
        m_fields.Set(fieldDuration, stateChanged);
    } else {
        // Each mark's duration is found from its own start on Apply.
        m_editDuration->SetIndeterminate(true);
        m_fields.Set(fieldDuration, stateMixed);
    }
    m_fields.Set(fieldStop, stateChanged);
}

void PCsqTempoChangeForm::onNotice(int id, int code, QWidget* control)
{
    if (id == IDC_START && code == MCTimeEdit::kNotice) {
        OnChangeStart();
    } else if (id == IDC_DURATION && code == MCTimeEdit::kNotice) {
        OnChangeDuration();
    } else if (id == IDC_STOP && code == MCTimeEdit::kNotice) {
        OnChangeStop();
    } else if (id == IDC_FROM && code == MCSpinEdit::kNotice) {
        m_fields.Set(fieldFrom, stateChanged);
    } else if (id == IDC_TO && code == MCSpinEdit::kNotice) {
        m_fields.Set(fieldTo, stateChanged);
    } else if (const float beats = PCsqTempo::BeatsOfDuration(id); beats > 0.0f && code == 0) {
        m_editDuration->SetIndeterminate(false);
        m_editDuration->SetTimeValue(MCTime(beats));
        m_editDuration->OnChange();
        return;
    } else if (const int bpm = PCsqTempo::TempoOfWord(id); bpm > 0 && code == 0) {
        // The word goes to the edit beside the button it was picked from.
        MCSpinEdit* edit = control == m_buttonFromWords ? m_editFrom : m_editTo;
        edit->SetIndeterminate(false);
        edit->SetValue(bpm);
        edit->OnChange();
        return;
    } else {
        return;
    }
    SetModifiedFlag(true);
}
