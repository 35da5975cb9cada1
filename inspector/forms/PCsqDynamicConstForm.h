#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCFieldStates.h"
#include "interface/pages/MCInspectorForm.h"
#include "notabase/values/MCTime.h"
#include "platform/ui/dialog/ControlNotice.h"

#include <QMenu>

// The form of a dynamic mark that sets one loudness at its time: the time and the MIDI value,
// which a menu of the named dynamics fills in.
class INSPECTOR_API PCsqDynamicConstForm : public MCInspectorForm, public plat::ui::NoticeListener {
    PLAT_DECLARE_DYNCREATE(PCsqDynamicConstForm)
public:
    enum : int { IDD = 4185, IDC_TIME = 4186, IDC_VALUE = 4187, IDC_DYNAMICS = 4188 };
    enum : int {
        stateNone = MCFieldStates::stateNone,
        stateOne = MCFieldStates::stateCommon,
        stateChanged = MCFieldStates::stateChanged,
        stateMixed = MCFieldStates::stateMixed,
    };
    enum : int { fieldTime = 0, fieldValue = 1 };
    // The dynamics menu's commands: kFirstDynamic + k for the mark k, 0 "pppp" to 9 "ffff".
    static constexpr int kFirstDynamic = 36880;

    explicit PCsqDynamicConstForm(MCInspectorPage* page = nullptr);

    bool InitForm() override;
    void UpdateForm() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;
    void DoDataExchange(plat::ui::DataExchange& exchange) override;
    void onNotice(int id, int code, QWidget* control) override;

    int GetFieldState(int field) const { return m_fields.Get(field); }
    QMenu& GetDynamicsMenu() { return m_DynamicsMenu; }

private:
    MCFieldStates m_fields;
    MCTime m_Time = MCTime::TimeZero();
    int m_nValue = 0;
    QMenu m_DynamicsMenu;
};
