#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCFieldStates.h"
#include "interface/pages/MCInspectorPage.h"
#include "notabase/model/MCEventList.h"
#include "notabase/values/MCTime.h"
#include "platform/ui/dialog/ControlNotice.h"

#include <cstdint>
#include <memory>

class CNoteShifts;
class ECPerformance;
class MCButton;
class MCMenuButton;
class MCNoteEdit;
class MCSpinEdit;
class MCTimeEdit;
class QMenu;
class SCNotationInfo;

// The inspector page of notes and grace notes: their start, duration, stop, pitch and
// velocity. A field the selected notes share shows its value, a field in which they differ
// shows nothing, and only the fields the user changes are written. When a new duration makes
// a note reach into the next note of its voice, the later notes of that staff, voice and track
// move by the change, after the user agreed. The play button sounds the selected notes.
class INSPECTOR_API PCsqNote : public MCInspectorPage, public plat::ui::NoticeListener {
    PLAT_DECLARE_DYNCREATE(PCsqNote)
public:
    enum : int {
        kPlay = 4231,
        kStart = 4232,
        kDuration = 4233,
        kDurationMenuButton = 4234,
        kVelocity = 4235,
        kPitch = 4236,
        kStop = 4238,
        kTitleChangeTimes = 4240,
        kChangeTimesWarning = 4241,
        kFirstDurationCommand = 36864,
        kLastDurationCommand = 36873,
    };
    // The state of a field: nothing seen yet, one value shared, changed by the user, mixed.
    enum FieldState : uint8_t {
        stateNone = MCFieldStates::stateNone,
        stateCommon = MCFieldStates::stateCommon,
        stateChanged = MCFieldStates::stateChanged,
        stateMixed = MCFieldStates::stateMixed,
    };
    enum Field { fieldStart, fieldDuration, fieldStop, fieldPitch, fieldVelocity, fieldCount };

    // The module the page's texts and images are registered under.
    static constexpr const char* kModule = "InspectorNote";

    explicit PCsqNote(QWidget* parent = nullptr);
    ~PCsqNote() override;

    bool InitPage() override;
    void UpdatePage() override;
    // One undo step "Edit Note"; nothing when the user declines moving other notes.
    void UpdateEvents() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;
    // False, the page kept changed, when the user declined the move of other notes.
    bool onApply() override;

    void onNotice(int id, int code, QWidget* control) override;
    // A pick of the durations menu: that length as the new duration.
    void OnDurationCommand(int id);
    // Sounds the notes selected in the active document.
    void OnPlay();

    // The notes of the same staff, voice and track as note whose notated start lies in
    // [from, to), leaving out note and the edited notes that start exactly at from; true when
    // there are any.
    bool FindSpanNotes(ECBase* note, const MCTime& from, const MCTime& to, MCEventList& found);

    // The length of a durations-menu command in quarter notes; 0 for any other id.
    static float DurationBeats(int id);

    FieldState GetFieldState(Field field) const { return FieldState(m_fields.Get(field)); }
    const MCTime& GetStart() const { return m_start; }
    const MCTime& GetDuration() const { return m_duration; }
    const MCTime& GetStop() const { return m_stop; }
    uint8_t GetPitch() const { return m_pitch; }
    uint8_t GetVelocity() const { return m_velocity; }
    QMenu* GetDurationMenu() const { return m_durationMenu.get(); }

protected:
    void DoDataExchange(plat::ui::DataExchange& exchange) override;

private:
    void OnStartChanged();
    void OnDurationChanged();
    void OnStopChanged();
    void ShowStop();
    void MarkChanged(Field field);
    // The notes to edit, sorted, and the notation views' answers about the notes of their
    // staves from the first of them on.
    void PrepareNotationInfo();
    // Whether the new span of note reaches another note of its voice; shifts, when given,
    // answers for the voices it lists.
    bool SpanHitsOtherNotes(ECBase* note, const CNoteShifts* shifts);
    // A new duration applied to all the notes at once, as one undo step (joining the open one
    // unless ownStep); false, nothing applied, when shifts cannot follow the edit.
    bool ApplyAtOnce(CNoteShifts& shifts, bool ownStep);
    // The page's changed fields of one note into commands, without moving other notes; false
    // when the note is not one to edit further.
    bool EditFields(ECBase* event, MCCommandList& commands);
    void NotatedTimes(ECBase* note, MCTime& start, MCTime& duration);

    MCTime m_start = MCTime::TimeZero();
    MCTime m_duration = MCTime::TimeZero();
    MCTime m_stop = MCTime::TimeZero();
    MCButton* m_play = nullptr;
    MCTimeEdit* m_startEdit = nullptr;
    MCTimeEdit* m_durationEdit = nullptr;
    MCTimeEdit* m_stopEdit = nullptr;
    std::unique_ptr<QMenu> m_durationMenu;
    MCMenuButton* m_menuButton = nullptr;
    MCNoteEdit* m_pitchEdit = nullptr;
    MCSpinEdit* m_velocityEdit = nullptr;
    uint8_t m_pitch = 0;
    uint8_t m_velocity = 0;
    MCFieldStates m_fields;
    MCEventList m_noteList{10};
    std::unique_ptr<SCNotationInfo> m_notationInfo;
    ECPerformance* m_performance = nullptr;
    // Set by an apply the user declined.
    bool m_declined = false;
    // Set by an apply that moved notes not being edited: the notation answers are out of date.
    bool m_movedOthers = false;
};
