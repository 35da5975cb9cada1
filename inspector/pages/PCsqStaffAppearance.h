#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCFieldStates.h"
#include "interface/pages/MCInspectorPage.h"

#include <string>

// The appearance page of staves: the name of the staff's track and the kind of staff. A drum
// staff plays its voices on MIDI channel 10.
class INSPECTOR_API PCsqStaffAppearance : public MCInspectorPage {
    PLAT_DECLARE_DYNCREATE(PCsqStaffAppearance)
public:
    enum : int { IDD = 4330, IDC_NAME = 4331, IDC_TYPE = 4332 };
    enum : int {
        stateNone = MCFieldStates::stateNone,
        stateOne = MCFieldStates::stateCommon,
        stateChanged = MCFieldStates::stateChanged,
        stateMixed = MCFieldStates::stateMixed,
    };
    enum : int { fieldName = 0, fieldType = 1, fieldCount };
    // The channel (0-based) a drum staff's voices play on.
    static constexpr unsigned int kDrumChannel = 9;

    PCsqStaffAppearance();

    void UpdatePage() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;

    int GetFieldState(int field) const { return m_fields.Get(field); }
    const std::string& GetStaffName() const { return m_strName; }
    int GetStaffTypeIndex() const { return m_nType; }
    // The list position of a staff type, -1 for a type the list does not offer; and back.
    static int IndexOfStaffType(int staffType);
    static int StaffTypeOfIndex(int index);

protected:
    void DoDataExchange(plat::ui::DataExchange& exchange) override;

private:
    void OnNameEdited();
    void OnTypeChosen();

    std::string m_strName;
    int m_nType = -1;
    MCFieldStates m_fields;
};
