#pragma once

#include "inspector/InspectorExport.h"

#include "inspector/forms/PCsqTempoMarkFields.h"
#include "interface/pages/MCInspectorForm.h"
#include "platform/ui/dialog/ControlNotice.h"

class MCSpinEdit;
class MCTimeEdit;
class QSlider;

// The form of pauses: where the pause starts and how much it holds the tempo back, in percent
// on a slider and in an edit that follow each other.
class INSPECTOR_API PCsqTempoPauseForm : public MCInspectorForm, public plat::ui::NoticeListener {
public:
    enum : int { IDD = 4390, IDC_TIME = 4371, IDC_SLIDER = 4382, IDC_PERCENT = 4391 };
    enum FieldState : unsigned char {
        stateNone = MCFieldStates::stateNone,
        stateCommon = MCFieldStates::stateCommon,
        stateChanged = MCFieldStates::stateChanged,
        stateMixed = MCFieldStates::stateMixed,
    };

    explicit PCsqTempoPauseForm(MCInspectorPage* page);
    ~PCsqTempoPauseForm() override;

    bool InitForm() override;
    void UpdateForm() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;
    void DoDataExchange(plat::ui::DataExchange& exchange) override;
    void onNotice(int id, int code, QWidget* control) override;

    FieldState GetTimeState() const { return FieldState(m_fields.GetState(PCsqTempoMarkFields::fieldTime)); }
    FieldState GetPercentState() const { return FieldState(m_fields.GetState(PCsqTempoMarkFields::fieldValue)); }

private:
    void OnSliderMoved(int position);

    MCTimeEdit* m_editTime = nullptr;
    QSlider* m_slider = nullptr;
    MCSpinEdit* m_editPercent = nullptr;
    PCsqTempoMarkFields m_fields;
};
