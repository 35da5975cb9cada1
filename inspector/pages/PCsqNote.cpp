#include "inspector/pages/PCsqNote.h"

#include "inspector/pages/PCsqPageCommand.h"
#include "inspector/pages/ACFindSpanEvents.h"
#include "inspector/pages/ACPlayNotes.h"
#include "inspector/pages/CNoteShifts.h"

#include "interface/controls/MCButton.h"
#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCMenuButton.h"
#include "interface/controls/MCNoteEdit.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/controls/MCTimeEdit.h"
#include "interface/core/InterfaceImages.h"
#include "interface/dialogs/MCWarnDialog.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/document/SCNotationInfo.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/commands/CCEditData.h"
#include "notabase/commands/CCEditDataItem.h"
#include "notabase/commands/CCEditDuration.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/EventTypes.h"
#include "notabase/performance/ECPerformance.h"
#include "platform/core/Resources.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/resource/ImageResources.h"
#include "sequencer/data/DCsqNote.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPolygonF>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>
#include <optional>
#include <utility>
#include <vector>

PLAT_IMPLEMENT_DYNCREATE(PCsqNote, MCInspectorPage)

namespace {

constexpr int kNotatedStart = 1;
constexpr int kNotatedDuration = 2;
constexpr int kStaffId = EventId::Staff;

const plat::Resources::Entry kStrings[] = {
    {PCsqNote::kTitleChangeTimes, "Change Note Times"},
    {PCsqNote::kChangeTimesWarning, "In order to accomodate the specified durations and/or start times, some notes "
                                    "will be moved.  Are you sure you want to do this?"},
};
const plat::Resources::Registration registeredStrings(PCsqNote::kModule, kStrings);

// The play button's faces, up and pressed: a note head with its stem and a sound wave, on the
// transparent face colour.
QImage playFace(int scale, bool pressed)
{
    constexpr int size = 28;
    return InterfaceImages::Paint(size, size, scale, false, [pressed](QPainter& p) {
        p.fillRect(QRect(0, 0, size, size), plat::ui::toQColor(InterfaceImages::kFaceKey));
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(pressed ? 1 : 0, pressed ? 1 : 0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 20, 20));
        p.save();
        p.translate(9, 19);
        p.rotate(-20);
        p.drawEllipse(QRectF(-4, -3, 8, 6));
        p.restore();
        p.fillRect(QRectF(12, 5, 1.6, 14), QColor(20, 20, 20));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(pressed ? QColor(0, 140, 0) : QColor(0, 100, 0), 1.6));
        p.drawArc(QRectF(14, 9, 6, 10), -60 * 16, 120 * 16);
        p.drawArc(QRectF(14, 6, 10, 16), -60 * 16, 120 * 16);
    });
}

const plat::ui::ImageResources::Entry kImages[] = {
    {"PLAYMIDI0", [](int scale) { return playFace(scale, false); }},
    {"PLAYMIDI1", [](int scale) { return playFace(scale, true); }},
};
const plat::ui::ImageResources::Registration registeredImages(PCsqNote::kModule, kImages);

struct DurationItem {
    int id;
    const char* text;
    float beats;
};
constexpr std::array<DurationItem, 10> kDurations{{
    {36864, "Whole Note (&1)", 4.0f},
    {36865, "Dotted Half Note", 3.0f},
    {36866, "Half Note (&2)", 2.0f},
    {36867, "Dotted Quarter Note", 1.5f},
    {36868, "Quarter Note (&4)", 1.0f},
    {36869, "Dotted Eighth Note", 0.75f},
    {36870, "Eighth Note (&8)", 0.5f},
    {36871, "Sixteenth Note (1&6)", 0.25f},
    {36872, "32nd Note (&32)", 0.125f},
    {36873, "64th Note", 0.0625f},
}};

DCsqNote* noteData(ECBase* element)
{
    return plat::dynamicDowncast<DCsqNote>(element->GetData(0, 0));
}

QLabel* label(const char* text, QWidget* parent)
{
    auto* shown = new QLabel(QString::fromUtf8(text), parent);
    plat::ui::setItemId(shown, 0xFFFF);
    return shown;
}

}  // namespace

PCsqNote::PCsqNote(QWidget* parent) : MCInspectorPage(parent), m_durationMenu(std::make_unique<QMenu>())
{
    setWindowTitle("&Performance");
    auto* page = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    page->addLayout(left, 1);

    auto* times = new QGridLayout;
    left->addLayout(times);
    auto makeTime = [this](int id, int format, bool duration) {
        auto* edit = new MCTimeEdit(this);
        edit->SetShowDuration(duration);
        edit->SetTimeFormat(format);
        edit->Create(this, id, MCSpinEdit::kVisibleSpin);
        return edit;
    };
    m_startEdit = makeTime(kStart, 1, false);
    m_durationEdit = makeTime(kDuration, 5, true);
    m_stopEdit = makeTime(kStop, 1, false);
    m_startEdit->setToolTip("Time to begin playing the note");
    m_durationEdit->setToolTip("Length of time to play the note");
    times->addWidget(label("Start", this), 0, 0);
    times->addWidget(m_startEdit, 0, 1);
    times->addWidget(label("Duration", this), 1, 0);
    times->addWidget(m_durationEdit, 1, 1);
    m_menuButton = new MCMenuButton(this);
    plat::ui::setItemId(m_menuButton, kDurationMenuButton);
    m_menuButton->setText(QStringLiteral("\u25BE"));
    m_menuButton->setToolTip("Note durations");
    m_menuButton->setFixedWidth(24);
    times->addWidget(m_menuButton, 1, 2);
    times->addWidget(label("Stop", this), 2, 0);
    times->addWidget(m_stopEdit, 2, 1);
    times->setColumnStretch(1, 1);

    auto* midi = new QGroupBox("MIDI Data", this);
    plat::ui::setItemId(midi, 0xFFFF);
    auto* midiLayout = new QGridLayout(midi);
    m_pitchEdit = new MCNoteEdit(midi);
    m_pitchEdit->Create(midi, kPitch, MCSpinEdit::kVisibleSpin);
    m_pitchEdit->setToolTip("MIDI pitch value for the note");
    m_velocityEdit = new MCSpinEdit(midi);
    m_velocityEdit->Create(midi, kVelocity, MCSpinEdit::kVisibleSpin);
    m_velocityEdit->setToolTip("MIDI velocity value for the note");
    midiLayout->addWidget(label("Pitch", midi), 0, 0);
    midiLayout->addWidget(m_pitchEdit, 0, 1);
    midiLayout->addWidget(label("Velocity", midi), 1, 0);
    midiLayout->addWidget(m_velocityEdit, 1, 1);
    left->addWidget(midi);
    left->addStretch(1);

    // The play button takes this placeholder's place when the page is first filled.
    auto* right = new QVBoxLayout;
    page->addLayout(right);
    auto* placeholder = new QPushButton("PLAYMIDI", this);
    plat::ui::setItemId(placeholder, kPlay);
    placeholder->setFixedSize(28, 28);
    right->addWidget(placeholder, 0, Qt::AlignHCenter);
    right->addWidget(label("Play", this), 0, Qt::AlignHCenter);
    right->addStretch(1);

    QMenu* lengths = m_durationMenu->addMenu("Durations");
    for (const DurationItem& item : kDurations) {
        QAction* action = lengths->addAction(QString::fromUtf8(item.text));
        action->setData(item.id);
        connect(action, &QAction::triggered, this, [this, id = item.id] { OnDurationCommand(id); });
    }
}

PCsqNote::~PCsqNote() = default;

float PCsqNote::DurationBeats(int id)
{
    for (const DurationItem& item : kDurations)
        if (item.id == id)
            return item.beats;
    return 0.0f;
}

bool PCsqNote::InitPage()
{
    if (!MCInspectorPage::InitPage())
        return false;
    if (!m_play) {
        const plat::Resources::ModuleSwitch own(kModule);
        auto play = std::make_unique<MCButton>(this);
        play->SetTransparentColor(InterfaceImages::kFaceKey);
        play->SetButtonStyle(MCButton::Push);
        play->SetButtonMode(MCButton::NotifyOnPress | MCButton::Framed);
        if (play->AutoLoad(kPlay, this))
            m_play = play.release();
    }
    m_startEdit->SetTimeFormat(1);
    m_stopEdit->SetTimeFormat(1);
    m_durationEdit->SetShowDuration(true);
    m_durationEdit->SetTimeFormat(5);
    m_menuButton->SetMenu(m_durationMenu->actions().value(0) ? m_durationMenu->actions().value(0)->menu() : nullptr);
    m_pitchEdit->SetRange(0, 127);
    m_velocityEdit->SetRange(0, 127);
    return true;
}

void PCsqNote::DoDataExchange(plat::ui::DataExchange& exchange)
{
    MCInspectorPage::DoDataExchange(exchange);
    DDX_MCTimeEdit(exchange, kStart, m_start);
    DDX_MCTimeEdit(exchange, kDuration, m_duration);
    DDX_MCTimeEdit(exchange, kStop, m_stop);
    DDX_MCSpinEdit(exchange, kVelocity, m_velocity);
    DDX_MCNoteEdit(exchange, kPitch, m_pitch);
}

void PCsqNote::UpdatePage()
{
    MCInspectorPage::UpdatePage();
    for (MCSpinEdit* edit : std::initializer_list<MCSpinEdit*>{m_startEdit, m_durationEdit, m_stopEdit, m_pitchEdit,
                                                               m_velocityEdit})
        edit->SetIndeterminate(false);
    m_fields.Reset();
    MCEventList* events = GetEventList();
    if (!events)
        return;
    for (ECBase* element : *events) {
        if (!ACFindSpanEvents::IsPlayingNote(element))
            continue;
        DCsqNote* data = noteData(element);
        if (!data)
            continue;
        const MCTime start = *element->GetTime();
        const MCTime duration = *element->GetDuration();
        const MCTime stop = start + duration;
        const uint8_t pitch = data->GetNoteOnData().GetDataByte1();
        const uint8_t velocity = data->GetNoteOnData().GetDataByte2();
        if (m_fields.Merge(fieldStart, m_start, start))
            m_startEdit->SetIndeterminate(true);
        if (m_fields.Merge(fieldDuration, m_duration, duration))
            m_durationEdit->SetIndeterminate(true);
        if (m_fields.Merge(fieldStop, m_stop, stop))
            m_stopEdit->SetIndeterminate(true);
        if (m_fields.Merge(fieldPitch, m_pitch, pitch))
            m_pitchEdit->SetIndeterminate(true);
        if (m_fields.Merge(fieldVelocity, m_velocity, velocity))
            m_velocityEdit->SetIndeterminate(true);
        if (m_fields.AllMixed(fieldCount))
            break;
    }
}

void PCsqNote::MarkChanged(Field field)
{
    m_fields.Set(field, stateChanged);
    SetModifiedFlag(true);
}

void PCsqNote::ShowStop()
{
    m_stop = m_start + m_duration;
    // A stop is only worth showing when start and duration are one value each.
    if (GetFieldState(fieldStart) == stateMixed || GetFieldState(fieldDuration) == stateMixed)
        return;
    m_stopEdit->SetIndeterminate(false);
    m_stopEdit->SetTimeValue(m_stop, true);
}

void PCsqNote::OnStartChanged()
{
    m_start = m_startEdit->GetTimeValue();
    ShowStop();
    MarkChanged(fieldStart);
}

void PCsqNote::OnDurationChanged()
{
    m_duration = m_durationEdit->GetTimeValue();
    ShowStop();
    MarkChanged(fieldDuration);
    MarkChanged(fieldStop);
}

void PCsqNote::OnStopChanged()
{
    m_stop = m_stopEdit->GetTimeValue();
    m_duration = m_stop - m_start;
    if (m_duration < MCTime::TimeZero())
        m_duration = MCTime::TimeZero();
    m_durationEdit->SetIndeterminate(false);
    m_durationEdit->SetTimeValue(m_duration, true);
    MarkChanged(fieldDuration);
    MarkChanged(fieldStop);
}

void PCsqNote::OnDurationCommand(int id)
{
    const float beats = DurationBeats(id);
    if (beats <= 0.0f)
        return;
    MCTime length(beats);
    const MCTime played = ECNote::ScaleDuration(&length, 0);
    m_durationEdit->SetIndeterminate(false);
    m_durationEdit->SetTimeValue(played, true);
    OnDurationChanged();
}

void PCsqNote::onNotice(int id, int code, QWidget*)
{
    switch (id) {
    case kPlay:
        if (code == 0)
            OnPlay();
        break;
    case kStart:
        if (code == MCTimeEdit::kNotice)
            OnStartChanged();
        break;
    case kDuration:
        if (code == MCTimeEdit::kNotice)
            OnDurationChanged();
        break;
    case kStop:
        if (code == MCTimeEdit::kNotice)
            OnStopChanged();
        break;
    case kPitch:
        if (code == MCNoteEdit::kNotice)
            MarkChanged(fieldPitch);
        break;
    case kVelocity:
        if (code == MCSpinEdit::kNotice)
            MarkChanged(fieldVelocity);
        break;
    default:
        break;
    }
}

void PCsqNote::OnPlay()
{
    MCOpusDoc* document = MCOpusDoc::GetActiveDoc();
    if (!document || document->GetSelection().IsEmpty())
        return;
    ACPlayNotes play(true);
    play.SetDocument(document);
    play.Apply(&document->GetSelection(), 1);
}

void PCsqNote::PrepareNotationInfo()
{
    m_notationInfo.reset();
    m_noteList.RemoveAll();
    MCEventList* events = GetEventList();
    if (!events || !m_performance)
        return;
    ACFindEvents notes;
    notes.AddEvtType(EventId::Note);
    notes.AddEvtType(EventId::GraceNote);
    notes.SetDepth(0);
    notes.Apply(events, 1);
    for (ECBase* note : notes.GetEvents())
        if (ACFindSpanEvents::IsPlayingNote(note))
            m_noteList.AddTail(note);
    if (m_noteList.IsEmpty())
        return;
    m_noteList.Sort();

    ACFindEvents staves;
    staves.SetReverse(1);
    staves.AddEvtType(kStaffId);
    staves.Apply(&m_noteList, 1);
    MCEventList staffList;
    staffList.AddEvents(staves.GetEvents());
    staffList.RemoveDuplicates();
    staffList.Sort();

    ACFindTime later(*m_noteList.GetHead()->GetTime(), MCTime::TimeMax(), ACFindTime::closed);
    later.AddEvtType(EventId::Note);
    later.AddEvtType(EventId::GraceNote);
    later.Apply(&staffList, 1);
    MCEventList asked;
    for (ECBase* note : later.GetEvents())
        if (ACFindSpanEvents::IsPlayingNote(note))
            asked.AddTail(note);

    // The request stays the page's: the views answer into it while it is applied, and the page
    // reads it until the next apply.
    m_notationInfo = std::make_unique<SCNotationInfo>(SCNotationInfo::kRequest);
    m_notationInfo->SetInfoCode(kNotatedStart | kNotatedDuration);
    m_notationInfo->SetEvents(&asked);
    ACFindSpanEvents::PrefillNotationInfo(*m_notationInfo);
    m_notationInfo->Apply(m_performance);
    m_movedOthers = false;
}

void PCsqNote::NotatedTimes(ECBase* note, MCTime& start, MCTime& duration)
{
    ACFindSpanEvents::GetNotatedTimes(note, m_notationInfo.get(), m_performance, start, duration);
}

bool PCsqNote::FindSpanNotes(ECBase* note, const MCTime& from, const MCTime& to, MCEventList& found)
{
    ECBase* staff = note->GetAncestor(kStaffId, -1);
    const MCVoiceTrack* word = note->GetVoiceTrack();
    if (!staff || !word)
        return false;
    ACFindSpanEvents span(m_performance);
    span.AddEvtType(EventId::Note);
    span.AddEvtType(EventId::GraceNote);
    span.SetSpan(from, to, ACFindTime::openEnd);
    span.SetVoiceFilter(word->IsConverted() ? ACFindSpanEvents::kAnyVoice : word->GetVoice());
    span.SetTrackFilter(word->IsConverted() ? ACFindSpanEvents::kAnyTrack : word->GetTrack());
    span.SetNotationInfo(m_notationInfo.get());
    span.Apply(staff);
    if (span.GetEvents().IsEmpty())
        return false;

    // The notes of the voice that start where the span starts sound with the note (its chord,
    // edited or not): they are neither in its way nor moved away from it.
    ACFindSpanEvents chord(m_performance);
    chord.AddEvtType(EventId::Note);
    chord.AddEvtType(EventId::GraceNote);
    chord.SetSpan(from, from, ACFindTime::closed);
    chord.SetVoiceFilter(word->IsConverted() ? ACFindSpanEvents::kAnyVoice : word->GetVoice());
    chord.SetTrackFilter(word->IsConverted() ? ACFindSpanEvents::kAnyTrack : word->GetTrack());
    chord.SetNotationInfo(m_notationInfo.get());
    chord.Apply(staff);
    MCEventList rest;
    rest.AddEvents(span.GetEvents());
    rest.RemoveEvents(chord.GetEvents());
    // Nor is the note itself, wherever its new start puts it.
    rest.RemoveEvent(note);
    const bool any = !rest.IsEmpty();
    found.AddEvents(rest);
    return any;
}

bool PCsqNote::SpanHitsOtherNotes(ECBase* note, const CNoteShifts* shifts)
{
    MCTime start;
    MCTime duration;
    NotatedTimes(note, start, duration);
    if (m_fields.IsChanged(fieldStart))
        start = m_start;
    if (m_fields.IsChanged(fieldDuration))
        duration = m_duration;
    if (shifts) {
        if (const std::optional<bool> hits = shifts->HitsLaterNote(note, start, start + duration))
            return *hits;
    }
    MCEventList found;
    return FindSpanNotes(note, start, start + duration, found);
}

bool PCsqNote::onApply()
{
    m_declined = false;
    const bool applied = MCInspectorPage::onApply();
    if (m_declined) {
        SetModifiedFlag(true);
        return false;
    }
    return applied;
}

void PCsqNote::UpdateEvents()
{
    MCOpusDoc* document = GetDocument();
    m_performance = document ? document->GetBaseEvent() : nullptr;
    if (!m_performance)
        return;
    PrepareNotationInfo();
    if (m_noteList.IsEmpty())
        return;
    // A new duration alone is worked out for all notes at once where that gives what editing
    // them one by one gives.
    std::optional<CNoteShifts> shifts;
    if (m_fields.IsChanged(fieldDuration) && !m_fields.IsChanged(fieldStart)) {
        shifts.emplace(*m_notationInfo);
        if (!shifts->IsValid())
            shifts.reset();
    }
    if (m_fields.IsChanged(fieldDuration)) {
        bool moves = false;
        // Grace notes never move other notes: their new lengths need no warning.
        for (ECBase* note : m_noteList) {
            if (note->GetEventId() == EventId::Note && SpanHitsOtherNotes(note, shifts ? &*shifts : nullptr)) {
                moves = true;
                break;
            }
        }
        if (moves) {
            const plat::Resources::ModuleSwitch own(kModule);
            MCWarnDialog warning(kTitleChangeTimes, kChangeTimesWarning, this);
            if (!warning.OkToProceed()) {
                m_declined = true;
                return;
            }
        }
    }
    // Inside an undo step the sheet opened, the notes' commands join that one.
    const bool ownStep = !m_performance->GetCommandMgr().GetUndoMode();
    if (shifts && ApplyAtOnce(*shifts, ownStep))
        return;
    // The notes are edited one by one, each seeing where the ones before it moved the others;
    // the whole edit is one undo step, and none when nothing changed.
    MCEventList notes;
    notes.AddEvents(m_noteList);
    bool applied = false;
    for (ECBase* note : notes) {
        if (m_movedOthers)
            PrepareNotationInfo();
        MCCommandList commands;
        UpdateEvent(note, commands);
        if (commands.IsEmpty())
            continue;
        if (!applied && ownStep)
            MCCommandMgr::BeginUndo(m_performance, "Edit Note");
        applied = true;
        commands.SetSynchronous(1);
        commands.Apply(m_performance);
    }
    if (!applied)
        return;
    if (ownStep)
        MCCommandMgr::EndUndo(m_performance);
    document->SetModifiedFlag(1);
}

bool PCsqNote::ApplyAtOnce(CNoteShifts& shifts, bool ownStep)
{
    MCTime played = m_duration;
    const MCTime duration = ECNote::ScaleDuration(&played, 1);
    for (ECBase* note : m_noteList) {
        if (note->GetEventId() == EventId::Note && !shifts.SetDuration(note, duration, m_duration))
            return false;
    }
    MCCommandList commands;
    for (ECBase* note : m_noteList)
        EditFields(note, commands);
    const std::vector<std::pair<ECBase*, MCTime>> moves = shifts.Moves();
    if (!moves.empty()) {
        auto* move = PCsqPageCommand<CCEditTime>(commands, CommandIds::CCEditTime);
        for (const auto& [note, time] : moves)
            move->EditTime(note, &time);
    }
    if (commands.IsEmpty())
        return true;
    if (ownStep)
        MCCommandMgr::BeginUndo(m_performance, "Edit Note");
    commands.SetSynchronous(1);
    commands.Apply(m_performance);
    if (ownStep)
        MCCommandMgr::EndUndo(m_performance);
    GetDocument()->SetModifiedFlag(1);
    return true;
}

bool PCsqNote::EditFields(ECBase* event, MCCommandList& commands)
{
    MCInspectorPage::UpdateEvent(event, commands);
    const int id = event ? event->GetEventId() : -1;
    if (id != EventId::Note && id != EventId::GraceNote)
        return false;
    if (m_fields.IsChanged(fieldStart)) {
        auto* edit = PCsqPageCommand<CCEditTime>(commands, CommandIds::CCEditTime);
        edit->EditTime(event, &m_start);
    }
    if (m_fields.IsChanged(fieldDuration)) {
        auto* edit =
            PCsqPageCommand<CCEditDuration>(commands, CommandIds::CCEditDuration);
        edit->EditDuration(event, &m_duration);
    }
    if (m_fields.IsChanged(fieldPitch) || m_fields.IsChanged(fieldVelocity)) {
        DCBase* data = event->GetData(0, 0);
        if (!data)
            return false;
        auto* edit = PCsqPageCommand<CCEditData>(commands, CommandIds::CCEditData);
        if (auto* copy = PCsqEditedData<DCsqNote>(*edit, data)) {
            if (m_fields.IsChanged(fieldPitch))
                copy->ChangeMidiPitch(m_pitch);
            if (m_fields.IsChanged(fieldVelocity))
                copy->GetNoteOnData().SetDataByte2(m_velocity);
        }
    }
    return true;
}

void PCsqNote::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    if (!EditFields(event, commands))
        return;
    const int id = event->GetEventId();
    // Only a new duration makes room or takes it back: a note that only moves keeps the notes
    // after it where they are, whatever the duration functions make of its length.
    if (id != EventId::Note || !m_fields.IsChanged(fieldDuration))
        return;
    MCTime oldStart;
    MCTime oldDuration;
    NotatedTimes(event, oldStart, oldDuration);
    const MCTime start = m_fields.IsChanged(fieldStart) ? m_start : oldStart;
    MCTime played = m_duration;
    const MCTime duration = ECNote::ScaleDuration(&played, 1);
    MCEventList inTheWay;
    if (!FindSpanNotes(event, start, start + duration, inTheWay))
        return;
    const MCTime shift = duration - oldDuration;
    if (shift == MCTime::TimeZero())
        return;
    MCEventList later;
    FindSpanNotes(event, start, MCTime::TimeMax(), later);
    auto* move = PCsqPageCommand<CCEditTime>(commands, CommandIds::CCEditTime);
    for (ECBase* note : later) {
        MCTime time = *note->GetTime() + shift;
        if (!(time > MCTime::TimeZero()))
            time = MCTime::TimeZero();
        move->EditTime(note, &time);
    }
    m_movedOthers = true;
}
