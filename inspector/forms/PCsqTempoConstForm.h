#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCInspectorForm.h"
#include "notabase/values/MCTime.h"
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
    enum FieldState : unsigned char { stateNone = 0, stateCommon = 1, stateChanged = 2, stateMixed = 3 };

    explicit PCsqTempoConstForm(MCInspectorPage* page);
    ~PCsqTempoConstForm() override;

    bool InitForm() override;
    void UpdateForm() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;
    void DoDataExchange(plat::ui::DataExchange& exchange) override;
    void onNotice(int id, int code, QWidget* control) override;

    FieldState GetTimeState() const { return FieldState(m_nTimeState); }
    FieldState GetBpmState() const { return FieldState(m_nBpmState); }

private:
    MCTime m_time = MCTime::TimeZero();
    MCTimeEdit* m_editTime = nullptr;
    MCSpinEdit* m_editBpm = nullptr;
    QMenu* m_menuWords = nullptr;
    MCMenuButton* m_buttonWords = nullptr;
    int m_nBpm = 0;
    unsigned char m_nTimeState : 2 = stateNone;
    unsigned char m_nBpmState : 2 = stateNone;
};
