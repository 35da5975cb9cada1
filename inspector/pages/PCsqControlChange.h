#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCFieldStates.h"
#include "interface/pages/MCInspectorPage.h"
#include "notabase/values/MCTime.h"
#include "platform/ui/dialog/ControlNotice.h"

// The performance page of controller changes and pedal marks: the time, the value and the
// controller. Pedal marks are shown with them but not changed.
class INSPECTOR_API PCsqControlChange : public MCInspectorPage, public plat::ui::NoticeListener {
    PLAT_DECLARE_DYNCREATE(PCsqControlChange)
public:
    enum : int { IDD = 4170, IDC_TIME = 4171, IDC_CONTROLLER = 4172, IDC_VALUE = 4173 };
    enum : int {
        stateNone = MCFieldStates::stateNone,
        stateOne = MCFieldStates::stateCommon,
        stateChanged = MCFieldStates::stateChanged,
        stateMixed = MCFieldStates::stateMixed,
    };
    enum : int { fieldTime = 0, fieldValue = 1, fieldController = 2, fieldCount };

    PCsqControlChange();

    bool InitPage() override;
    void UpdatePage() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;
    void onNotice(int id, int code, QWidget* control) override;

    int GetFieldState(int field) const { return m_fields.Get(field); }
    int GetValue() const { return m_nValue; }
    int GetController() const { return m_nController; }

protected:
    void DoDataExchange(plat::ui::DataExchange& exchange) override;

private:
    MCFieldStates m_fields;
    MCTime m_Time = MCTime::TimeZero();
    int m_nValue = -1;
    int m_nController = -1;
};
