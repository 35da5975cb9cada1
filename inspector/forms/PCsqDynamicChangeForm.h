#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCFieldStates.h"
#include "interface/pages/MCInspectorForm.h"
#include "notabase/values/MCTime.h"
#include "platform/ui/dialog/ControlNotice.h"

#include <QMenu>

// The form of a dynamic mark that changes the loudness over a duration: its start, duration
// and stop (kept consistent with each other) and the MIDI values it goes from and to.
class INSPECTOR_API PCsqDynamicChangeForm : public MCInspectorForm, public plat::ui::NoticeListener {
    PLAT_DECLARE_DYNCREATE(PCsqDynamicChangeForm)
public:
    enum : int {
        IDD = 4190,
        IDC_START = 4191,
        IDC_DURATION = 4192,
        IDC_DURATIONS = 4193,
        IDC_STOP = 4194,
        IDC_FROM = 4200,
        IDC_FROM_DYNAMICS = 4201,
        IDC_TO = 4203,
        IDC_TO_DYNAMICS = 4204,
    };
    enum : int {
        stateNone = MCFieldStates::stateNone,
        stateOne = MCFieldStates::stateCommon,
        stateChanged = MCFieldStates::stateChanged,
        stateMixed = MCFieldStates::stateMixed,
    };
    enum : int { fieldStart = 0, fieldDuration = 1, fieldStop = 2, fieldFrom = 3, fieldTo = 4 };
    // Menu commands: kFirstNoteValue + n for the note values, whole note first;
    // kFirstDynamic + k for the dynamic k, 0 "pppp" to 9 "ffff".
    static constexpr int kFirstNoteValue = 36864;
    static constexpr int kFirstDynamic = 36880;

    explicit PCsqDynamicChangeForm(MCInspectorPage* page = nullptr);

    bool InitForm() override;
    void UpdateForm() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;
    void DoDataExchange(plat::ui::DataExchange& exchange) override;
    void onNotice(int id, int code, QWidget* control) override;

    int GetFieldState(int field) const { return m_fields.Get(field); }
    QMenu& GetNoteValueMenu() { return m_NoteValueMenu; }
    QMenu& GetDynamicsMenu() { return m_DynamicsMenu; }
    // The beats of note value n of the menu; 0 outside it.
    static float NoteValueBeats(int n);

private:
    void OnStartChanged();
    void OnDurationChanged();
    void OnStopChanged();
    void OnDynamicChosen(int k, QWidget* button);

    MCFieldStates m_fields;
    MCTime m_Start = MCTime::TimeZero();
    MCTime m_Duration = MCTime::TimeZero();
    MCTime m_Stop = MCTime::TimeZero();
    int m_nFrom = 0;
    int m_nTo = 0;
    QMenu m_NoteValueMenu;
    // One menu serves both dynamics buttons: the button it dropped from says which value it sets.
    QMenu m_DynamicsMenu;
};
