#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCFieldStates.h"
#include "interface/pages/MCInspectorPage.h"
#include "platform/ui/dialog/ControlNotice.h"

// The performance page of accent marks: how much an accent changes the duration and the
// velocity of its note when played, in percent of the note's own values.
class INSPECTOR_API PCsqAccent : public MCInspectorPage, public plat::ui::NoticeListener {
    PLAT_DECLARE_DYNCREATE(PCsqAccent)
public:
    enum : int { IDD = 4140, IDC_DURATION = 4141, IDC_VELOCITY = 4142 };
    // The 2-bit state of each field: nothing seen yet, one value, changed by the user, values differ.
    enum : int {
        stateNone = MCFieldStates::stateNone,
        stateOne = MCFieldStates::stateCommon,
        stateChanged = MCFieldStates::stateChanged,
        stateMixed = MCFieldStates::stateMixed,
    };
    enum : int { fieldDuration = 0, fieldVelocity = 1, fieldCount };

    PCsqAccent();

    bool InitPage() override;
    void UpdatePage() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;
    void onNotice(int id, int code, QWidget* control) override;

    int GetFieldState(int field) const { return m_fields.Get(field); }
    float GetDurationFactor() const { return m_fDuration; }
    float GetVelocityFactor() const { return m_fVelocity; }

protected:
    void DoDataExchange(plat::ui::DataExchange& exchange) override;

private:
    void Merge(int field, int control, float& member, float value);

    MCFieldStates m_fields;
    float m_fDuration = 1.0f;
    float m_fVelocity = 1.0f;
};
