#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCInspectorForm.h"
#include "notabase/values/MCTime.h"
#include "platform/ui/dialog/ControlNotice.h"

class MCSpinEdit;
class MCTimeEdit;
class QSlider;

// The form of pauses: where the pause starts and how much it holds the tempo back, in percent
// on a slider and in an edit that follow each other.
class INSPECTOR_API PCsqTempoPauseForm : public MCInspectorForm, public plat::ui::NoticeListener {
public:
    enum : int { IDD = 4390, IDC_TIME = 4371, IDC_SLIDER = 4382, IDC_PERCENT = 4391 };
    enum FieldState : unsigned char { stateNone = 0, stateCommon = 1, stateChanged = 2, stateMixed = 3 };

    explicit PCsqTempoPauseForm(MCInspectorPage* page);
    ~PCsqTempoPauseForm() override;

    bool InitForm() override;
    void UpdateForm() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;
    void DoDataExchange(plat::ui::DataExchange& exchange) override;
    void onNotice(int id, int code, QWidget* control) override;

    FieldState GetTimeState() const { return FieldState(m_nTimeState); }
    FieldState GetPercentState() const { return FieldState(m_nPercentState); }

private:
    void OnSliderMoved(int position);

    MCTime m_time = MCTime::TimeZero();
    MCTimeEdit* m_editTime = nullptr;
    QSlider* m_slider = nullptr;
    MCSpinEdit* m_editPercent = nullptr;
    int m_nPercent = 0;
    unsigned char m_nTimeState : 2 = stateNone;
    unsigned char m_nPercentState : 2 = stateNone;
};
