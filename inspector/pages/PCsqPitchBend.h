#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCFieldStates.h"
#include "interface/pages/MCInspectorPage.h"
#include "notabase/values/MCTime.h"
#include "platform/ui/dialog/ControlNotice.h"

// The performance page of pitch bends: the time and the bend. The bend is shown around its
// centre, -8192 (all the way down) to 8191 (all the way up), 0 being no bend.
class INSPECTOR_API PCsqPitchBend : public MCInspectorPage, public plat::ui::NoticeListener {
    PLAT_DECLARE_DYNCREATE(PCsqPitchBend)
public:
    enum : int { IDD = 4250, IDC_TIME = 4251, IDC_VALUE = 4253 };
    enum : int {
        stateNone = MCFieldStates::stateNone,
        stateOne = MCFieldStates::stateCommon,
        stateChanged = MCFieldStates::stateChanged,
        stateMixed = MCFieldStates::stateMixed,
    };
    enum : int { fieldTime = 0, fieldValue = 1, fieldCount };
    // The stored bend of no bend.
    static constexpr int kCentre = 8192;

    PCsqPitchBend();

    bool InitPage() override;
    void UpdatePage() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;
    void onNotice(int id, int code, QWidget* control) override;

    int GetFieldState(int field) const { return m_fields.Get(field); }
    int GetValue() const { return m_nValue; }

protected:
    void DoDataExchange(plat::ui::DataExchange& exchange) override;

private:
    MCTime m_Time = MCTime::TimeZero();
    int m_nValue = -1;
    MCFieldStates m_fields;
};
