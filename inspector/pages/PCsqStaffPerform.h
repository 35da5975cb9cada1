#pragma once

#include "inspector/InspectorExport.h"

#include "interface/controls/MCButton.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/pages/MCFieldStates.h"
#include "interface/pages/MCInspectorPage.h"
#include "interface/pickers/MCIntervalBox.h"
#include "platform/ui/dialog/ControlNotice.h"

#include <string>

// The performance page of staves: the interval the staff's notes are transposed by when they
// play (not as they are written), as a direction and a size given by a named interval or by
// octaves and half steps.
class INSPECTOR_API PCsqStaffPerform : public MCInspectorPage, public plat::ui::NoticeListener {
    PLAT_DECLARE_DYNCREATE(PCsqStaffPerform)
public:
    enum : int { IDD = 4340, IDC_DIRECTION = 4341, IDC_INTERVAL = 4342, IDC_OCTAVES = 4343, IDC_HALF_STEPS = 4344 };
    enum : int {
        stateNone = MCFieldStates::stateNone,
        stateOne = MCFieldStates::stateCommon,
        stateChanged = MCFieldStates::stateChanged,
        stateMixed = MCFieldStates::stateMixed,
    };
    enum : int { fieldSize = 0, fieldDirection = 1, fieldCount };

    PCsqStaffPerform();

    bool InitPage() override;
    void UpdatePage() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;
    void onNotice(int id, int code, QWidget* control) override;

    int GetFieldState(int field) const { return m_fields.Get(field); }
    const std::string& GetIntervalName() const { return m_strInterval; }
    int GetSize() const { return m_nSize; }
    int GetDirection() const { return m_nDirection; }

protected:
    void DoDataExchange(plat::ui::DataExchange& exchange) override;

private:
    // The first interval of the list, from the top, that spans exactly halfSteps; "" for none.
    std::string IntervalOfSize(int halfSteps) const;
    void OnDirectionClicked();
    void OnIntervalChosen();
    void OnSizeTyped();
    // The size edits show a value again (a mixed size showed none).
    void ShowSize();

    std::string m_strInterval;
    int m_nSize = 0;
    int m_nDirection = 0;
    MCIntervalBox m_IntervalBox;
    MCButton m_DirectionButton;
    MCSpinEdit m_OctavesEdit;
    MCSpinEdit m_HalfStepsEdit;
    MCFieldStates m_fields;
};
