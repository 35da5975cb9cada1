#pragma once

#include "inspector/InspectorExport.h"

#include "inspector/forms/PCsqTempoMarkFields.h"
#include "interface/pages/MCInspectorForm.h"
#include "platform/ui/dialog/ControlNotice.h"

class MCMenuButton;
class MCSpinEdit;
class MCTimeEdit;
class QMenu;

// The form of constant tempo marks: their time and their tempo in quarter notes per minute,
// typed or picked as a tempo word.
class INSPECTOR_API PCsqTempoConstForm : public MCInspectorForm, public plat::ui::NoticeListener {
public:
    enum : int { IDD = 4370, IDC_TIME = 4371, IDC_BPM = 4372, IDC_WORDS = 4373 };
    enum FieldState : unsigned char {
        stateNone = MCFieldStates::stateNone,
        stateCommon = MCFieldStates::stateCommon,
        stateChanged = MCFieldStates::stateChanged,
        stateMixed = MCFieldStates::stateMixed,
    };

    explicit PCsqTempoConstForm(MCInspectorPage* page);
    ~PCsqTempoConstForm() override;

    bool InitForm() override;
    void UpdateForm() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;
    void DoDataExchange(plat::ui::DataExchange& exchange) override;
    void onNotice(int id, int code, QWidget* control) override;

    FieldState GetTimeState() const { return FieldState(m_fields.GetState(PCsqTempoMarkFields::fieldTime)); }
    FieldState GetBpmState() const { return FieldState(m_fields.GetState(PCsqTempoMarkFields::fieldValue)); }

private:
    MCTimeEdit* m_editTime = nullptr;
    MCSpinEdit* m_editBpm = nullptr;
    QMenu* m_menuWords = nullptr;
    MCMenuButton* m_buttonWords = nullptr;
    PCsqTempoMarkFields m_fields;
};
