#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCFieldStates.h"
#include "interface/pages/MCInspectorForm.h"
#include "notabase/values/MCTime.h"
#include "platform/ui/dialog/ControlNotice.h"

class MCMenuButton;
class MCSpinEdit;
class MCTimeEdit;
class QMenu;

// The form of gradual tempo changes: where the change starts, how long it takes and where it
// stops (the stop follows the start and the duration, and a typed stop gives the duration),
// and the tempos at its two ends, typed or picked as tempo words.
class INSPECTOR_API PCsqTempoChangeForm : public MCInspectorForm, public plat::ui::NoticeListener {
public:
    enum : int {
        IDD = 4380,
        IDC_START = 4381,
        IDC_DURATION = 4382,
        IDC_DURATIONS = 4383,
        IDC_STOP = 4384,
        IDC_FROM = 4385,
        IDC_FROM_WORDS = 4386,
        IDC_TO = 4387,
        IDC_TO_WORDS = 4388,
    };
    enum FieldState : unsigned char {
        stateNone = MCFieldStates::stateNone,
        stateCommon = MCFieldStates::stateCommon,
        stateChanged = MCFieldStates::stateChanged,
        stateMixed = MCFieldStates::stateMixed,
    };

    explicit PCsqTempoChangeForm(MCInspectorPage* page);
    ~PCsqTempoChangeForm() override;

    bool InitForm() override;
    void UpdateForm() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;
    void DoDataExchange(plat::ui::DataExchange& exchange) override;
    void onNotice(int id, int code, QWidget* control) override;

    FieldState GetStartState() const { return FieldState(m_fields.Get(fieldStart)); }
    FieldState GetDurationState() const { return FieldState(m_fields.Get(fieldDuration)); }
    FieldState GetStopState() const { return FieldState(m_fields.Get(fieldStop)); }
    FieldState GetFromState() const { return FieldState(m_fields.Get(fieldFrom)); }
    FieldState GetToState() const { return FieldState(m_fields.Get(fieldTo)); }

private:
    enum Field : int { fieldStart, fieldDuration, fieldStop, fieldFrom, fieldTo, fieldCount };

    void OnChangeStart();
    void OnChangeDuration();
    void OnChangeStop();
    // The start, duration and stop as score times.
    MCTime Score(const MCTime& time) const;

    MCTime m_start = MCTime::TimeZero();
    MCTime m_duration = MCTime::TimeZero();
    MCTime m_stop = MCTime::TimeZero();
    MCTimeEdit* m_editStart = nullptr;
    MCTimeEdit* m_editDuration = nullptr;
    MCTimeEdit* m_editStop = nullptr;
    QMenu* m_menuDurations = nullptr;
    MCMenuButton* m_buttonDurations = nullptr;
    MCSpinEdit* m_editFrom = nullptr;
    QMenu* m_menuFromWords = nullptr;
    MCMenuButton* m_buttonFromWords = nullptr;
    MCSpinEdit* m_editTo = nullptr;
    QMenu* m_menuToWords = nullptr;
    MCMenuButton* m_buttonToWords = nullptr;
    int m_nFrom = 0;
    int m_nTo = 0;
    MCFieldStates m_fields;
};
