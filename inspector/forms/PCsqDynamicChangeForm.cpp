#include "inspector/forms/PCsqDynamicChangeForm.h"

#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCMenuButton.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/controls/MCTimeEdit.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditDuration.h"
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

#include <iterator>

PLAT_IMPLEMENT_DYNCREATE(PCsqDynamicChangeForm, MCInspectorForm)

namespace {

struct NoteValue {
    const char* text;
    float beats;
};
constexpr NoteValue kNoteValues[] = {
    {"Whole Note (&1)", 4.0f},      {"Dotted Half Note", 3.0f},     {"Half Note (&2)", 2.0f},
    {"Dotted Quarter Note", 1.5f},  {"Quarter Note (&4)", 1.0f},    {"Dotted Eighth Note", 0.75f},
    {"Eighth Note (&8)", 0.5f},     {"Sixteenth Note (1&6)", 0.25f}, {"32nd Note (&32)", 0.125f},
    {"64th Note", 0.0625f},
};

constexpr const char* kDynamicNames[] = {"ffff", "fff", "ff", "f", "mf", "mp", "p", "pp", "ppp", "pppp"};

// The first and last points of a gradual mark's anchor group; false when it has none.
bool AnchorEnds(ECDynamic* mark, ECEnvPoint*& first, ECEnvPoint*& last)
{
    MCEventList anchors;
    mark->GetAnchorList(anchors);
    if (anchors.IsEmpty())
        return false;
    first = plat::dynamicDowncast<ECEnvPoint>(anchors.GetHead());
    last = plat::dynamicDowncast<ECEnvPoint>(anchors.GetTail());
    return first && last;
}

}  // namespace

PCsqDynamicChangeForm::PCsqDynamicChangeForm(MCInspectorPage* page) : MCInspectorForm(page, IDD)
{
    for (int n = 0; n < int(std::size(kNoteValues)); ++n)
        m_NoteValueMenu.addAction(kNoteValues[n].text)->setData(kFirstNoteValue + n);
    for (int i = 0; i < 10; ++i)
        m_DynamicsMenu.addAction(kDynamicNames[i])->setData(kFirstDynamic + 9 - i);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* group = new QGroupBox("Set a changing dynamic", this);
    auto* grid = new QGridLayout(group);
    const auto addTime = [&](int id, const char* caption, const char* tip, int row) {
        auto* edit = new MCTimeEdit(group);
        plat::ui::setItemId(edit, id);
        edit->setToolTip(tip);
        auto* label = new QLabel(caption, group);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
    };
    const auto addSpin = [&](int id, const char* caption, const char* tip, int row) {
        auto* edit = new MCSpinEdit(group);
        plat::ui::setItemId(edit, id);
        edit->setToolTip(tip);
        auto* label = new QLabel(caption, group);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
    };
    const auto addMenu = [&](int id, const char* tip, int row) {
        auto* button = new MCMenuButton(group);
        plat::ui::setItemId(button, id);
        button->setText(QString::fromUtf8("\u25BE"));
        button->setFixedWidth(button->fontMetrics().height() * 2);
        if (tip)
            button->setToolTip(tip);
        grid->addWidget(button, row, 2);
    };
    addTime(IDC_START, "&Start", "Time when the dynamic marking begins", 0);
    addTime(IDC_DURATION, "&Duration", "Duration of the dynamic marking", 1);
    addMenu(IDC_DURATIONS, "Select common durations", 1);
    addTime(IDC_STOP, "St&op", "Time when the dynamic marking ends", 2);
    addSpin(IDC_FROM, "&From", "MIDI value in effect when the dynamic begins", 3);
    addMenu(IDC_FROM_DYNAMICS, nullptr, 3);
    addSpin(IDC_TO, "&To", "MIDI value in effect when the dynamic ends", 4);
    addMenu(IDC_TO_DYNAMICS, nullptr, 4);
    grid->setColumnStretch(3, 1);
    layout->addWidget(group);
    layout->addStretch(1);
}

float PCsqDynamicChangeForm::NoteValueBeats(int n)
{
    return n >= 0 && n < int(std::size(kNoteValues)) ? kNoteValues[n].beats : 0.0f;
}

bool PCsqDynamicChangeForm::InitForm()
{
    if (!MCInspectorForm::InitForm())
        return false;
    const struct {
        int id;
        int format;
        bool duration;
    } times[] = {{IDC_START, 1, false}, {IDC_DURATION, 5, true}, {IDC_STOP, 1, false}};
    for (const auto& time : times) {
        auto* edit = plat::ui::item<MCTimeEdit>(this, time.id);
        if (!edit)
            return false;
        edit->SetShowDuration(time.duration);
        if (!edit->SubclassTimeEdit(time.id, this, time.format, MCSpinEdit::kVisibleSpin))
            return false;
    }
    for (const int id : {int(IDC_FROM), int(IDC_TO)}) {
        auto* edit = plat::ui::item<MCSpinEdit>(this, id);
        if (!edit || !edit->SubclassSpinEdit(id, this, MCSpinEdit::kVisibleSpin))
            return false;
        edit->SetRange(0, 127);
    }
    const struct {
        int id;
        QMenu* menu;
    } buttons[] = {{IDC_DURATIONS, &m_NoteValueMenu}, {IDC_FROM_DYNAMICS, &m_DynamicsMenu}, {IDC_TO_DYNAMICS, &m_DynamicsMenu}};
    for (const auto& button : buttons) {
        auto* menuButton = plat::ui::item<MCMenuButton>(this, button.id);
        if (!menuButton)
            return false;
        menuButton->SetMenu(button.menu);
    }
    return true;
}

void PCsqDynamicChangeForm::UpdateForm()
{
    MCInspectorForm::UpdateForm();
    const int ids[] = {IDC_START, IDC_DURATION, IDC_STOP, IDC_FROM, IDC_TO};
    for (const int id : ids)
        plat::ui::item<MCSpinEdit>(this, id)->SetIndeterminate(false);
    m_fields.Reset();
    MCEventList* events = GetEventList();
    if (!events)
        return;
    const auto merge = [this, &ids](int field, auto& member, const auto& value) {
        if (m_fields.Merge(field, member, value))
            plat::ui::item<MCSpinEdit>(this, ids[field])->SetIndeterminate(true);
    };
    for (ECBase* element : *events) {
        if (!element || element->GetEventId() != EventId::Dynamic)
            continue;
        auto* mark = static_cast<ECDynamic*>(element);
        const MCTime start = *mark->GetTime();
        const MCTime duration = *mark->GetDuration();
        merge(fieldStart, m_Start, start);
        merge(fieldDuration, m_Duration, duration);
        merge(fieldStop, m_Stop, start + duration);
        // A mark without its anchor points has no values to show.
        ECEnvPoint* first = nullptr;
        ECEnvPoint* last = nullptr;
        if (AnchorEnds(mark, first, last)) {
            merge(fieldFrom, m_nFrom, int(first->GetValue()));
            merge(fieldTo, m_nTo, int(last->GetValue()));
        }
    }
}

void PCsqDynamicChangeForm::DoDataExchange(plat::ui::DataExchange& exchange)
{
    MCInspectorForm::DoDataExchange(exchange);
    DDX_MCTimeEdit(exchange, IDC_START, m_Start);
    DDX_MCTimeEdit(exchange, IDC_DURATION, m_Duration);
    DDX_MCTimeEdit(exchange, IDC_STOP, m_Stop);
    DDX_MCSpinEdit(exchange, IDC_FROM, m_nFrom);
    DDX_MCSpinEdit(exchange, IDC_TO, m_nTo);
}

void PCsqDynamicChangeForm::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    MCInspectorForm::UpdateEvent(event, commands);
    if (!event || event->GetEventId() != EventId::Dynamic)
        return;
    auto* mark = static_cast<ECDynamic*>(event);
    // Each time goes only to the marks when it was changed: a start left alone stays each
    // mark's own even when the duration or the stop changed.
    if (m_fields.IsChanged(fieldStart)) {
        auto* move = PCsqPageCommand<CCEditTime>(commands, CommandIds::CCEditTime);
        move->EditTime(event, &m_Start);
    }
    if (m_fields.IsChanged(fieldDuration)) {
        auto* lengthen = PCsqPageCommand<CCEditDuration>(commands, CommandIds::CCEditDuration);
        lengthen->EditDuration(event, &m_Duration);
    } else if (m_fields.IsChanged(fieldStop)) {
        // A stop typed over starts that differ ends each mark there, from its own start.
        const MCTime start = m_fields.IsChanged(fieldStart) ? m_Start : *mark->GetTime();
        const MCTime duration = m_Stop < start ? MCTime::TimeZero() : m_Stop - start;
        auto* lengthen = PCsqPageCommand<CCEditDuration>(commands, CommandIds::CCEditDuration);
        lengthen->EditDuration(event, &duration);
    } else if (m_fields.IsChanged(fieldStart)) {
        // A mark moved keeps its length, as the page shows: its closing point goes along.
        const MCTime duration = *mark->GetDuration();
        auto* lengthen = PCsqPageCommand<CCEditDuration>(commands, CommandIds::CCEditDuration);
        lengthen->EditDuration(event, &duration);
    }
    const bool from = m_fields.IsChanged(fieldFrom);
    const bool to = m_fields.IsChanged(fieldTo);
    ECEnvPoint* first = nullptr;
    ECEnvPoint* last = nullptr;
    if ((!from && !to) || !AnchorEnds(mark, first, last))
        return;
    auto* edit = PCsqPageCommand<CCEdit>(commands, CommandIds::CCEdit);
    if (from)
        if (auto* copy = PCsqEditedCopy<ECEnvPoint>(*edit, first))
                copy->SetValue(float(m_nFrom));
    if (to)
        if (auto* copy = PCsqEditedCopy<ECEnvPoint>(*edit, last))
                copy->SetValue(float(m_nTo));
}

void PCsqDynamicChangeForm::OnStartChanged()
{
    auto* start = plat::ui::item<MCTimeEdit>(this, IDC_START);
    auto* duration = plat::ui::item<MCTimeEdit>(this, IDC_DURATION);
    auto* stop = plat::ui::item<MCTimeEdit>(this, IDC_STOP);
    m_Start = start->GetTimeValue();
    // The stop follows only from a duration the marks share; over others the stops differ.
    if (duration->GetIndeterminate()) {
        stop->SetIndeterminate(true);
    } else {
        m_Stop = m_Start + duration->GetTimeValue();
        stop->SetIndeterminate(false);
        stop->SetTimeValue(m_Stop);
    }
    m_fields.Set(fieldStart, stateChanged);
    SetModifiedFlag(true);
}

void PCsqDynamicChangeForm::OnDurationChanged()
{
    auto* start = plat::ui::item<MCTimeEdit>(this, IDC_START);
    auto* duration = plat::ui::item<MCTimeEdit>(this, IDC_DURATION);
    auto* stop = plat::ui::item<MCTimeEdit>(this, IDC_STOP);
    m_Duration = duration->GetTimeValue();
    if (!start->GetIndeterminate()) {
        m_Stop = start->GetTimeValue() + m_Duration;
        stop->SetIndeterminate(false);
        stop->SetTimeValue(m_Stop);
        m_fields.Set(fieldStop, stateChanged);
    }
    m_fields.Set(fieldDuration, stateChanged);
    SetModifiedFlag(true);
}

void PCsqDynamicChangeForm::OnStopChanged()
{
    auto* start = plat::ui::item<MCTimeEdit>(this, IDC_START);
    auto* duration = plat::ui::item<MCTimeEdit>(this, IDC_DURATION);
    auto* stop = plat::ui::item<MCTimeEdit>(this, IDC_STOP);
    m_Stop = stop->GetTimeValue();
    // Over starts that differ, each mark's duration is found from its own start on Apply.
    if (!start->GetIndeterminate()) {
        m_Duration = m_Stop - start->GetTimeValue();
        if (m_Duration.GetSeconds() < 0.0f)
            m_Duration = MCTime::TimeZero();
        duration->SetIndeterminate(false);
        duration->SetTimeValue(m_Duration);
        m_fields.Set(fieldDuration, stateChanged);
    } else {
        duration->SetIndeterminate(true);
        m_fields.Set(fieldDuration, stateMixed);
    }
    m_fields.Set(fieldStop, stateChanged);
    SetModifiedFlag(true);
}

void PCsqDynamicChangeForm::OnDynamicChosen(int k, QWidget* button)
{
    const bool from = button && plat::ui::itemId(button) == IDC_FROM_DYNAMICS;
    auto* edit = plat::ui::item<MCSpinEdit>(this, from ? IDC_FROM : IDC_TO);
    edit->SetIndeterminate(false);
    edit->SetValue(GetDynamicValue(k));
    edit->OnChange();
}

void PCsqDynamicChangeForm::onNotice(int id, int code, QWidget* control)
{
    if (code == 0 && id >= kFirstNoteValue && id < kFirstNoteValue + int(std::size(kNoteValues))) {
        auto* duration = plat::ui::item<MCTimeEdit>(this, IDC_DURATION);
        duration->SetIndeterminate(false);
        duration->SetTimeValue(MCTime(NoteValueBeats(id - kFirstNoteValue)));
        duration->OnChange();
        return;
    }
    if (code == 0 && id >= kFirstDynamic && id <= kFirstDynamic + 9) {
        OnDynamicChosen(id - kFirstDynamic, control);
        return;
    }
    switch (id) {
    case IDC_START:
        if (code == MCTimeEdit::kNotice)
            OnStartChanged();
        break;
    case IDC_DURATION:
        if (code == MCTimeEdit::kNotice)
            OnDurationChanged();
        break;
    case IDC_STOP:
        if (code == MCTimeEdit::kNotice)
            OnStopChanged();
        break;
    case IDC_FROM:
    case IDC_TO:
        if (code == MCSpinEdit::kNotice) {
            m_fields.Set(id == IDC_FROM ? fieldFrom : fieldTo, stateChanged);
            SetModifiedFlag(true);
        }
        break;
    default: break;
    }
}
