#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCFieldStates.h"
#include "interface/pages/MCInspectorForm.h"
#include "notabase/values/MCTime.h"
#include "platform/ui/dialog/ControlNotice.h"

#include <cstdint>

class DCsqFlowControl;
class MCCheckBox;
class MCTimeEdit;
class QGridLayout;

// The form of the flow page for every flow mark but a repeat: the mark's time and whether
// playback ignores it.
class INSPECTOR_API PCsqFlowTimeForm : public MCInspectorForm, public plat::ui::NoticeListener {
    PLAT_DECLARE_DYNCREATE(PCsqFlowTimeForm)
public:
    enum : int { kTemplate = 4222, kTime = 4223, kIgnore = 4224 };
    enum FieldState : uint8_t {
        stateNone = MCFieldStates::stateNone,
        stateCommon = MCFieldStates::stateCommon,
        stateChanged = MCFieldStates::stateChanged,
        stateMixed = MCFieldStates::stateMixed,
    };
    // The ignore value: obeyed, ignored, or both among the selected marks.
    enum Ignore { obeyed = 0, ignored = 1, ignoreMixed = 2 };

    PCsqFlowTimeForm();
    PCsqFlowTimeForm(MCInspectorPage* page, int templateId);

    bool InitForm() override;
    void UpdateForm() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;
    void DoDataExchange(plat::ui::DataExchange& exchange) override;
    void onNotice(int id, int code, QWidget* control) override;

    FieldState GetTimeState() const { return FieldState(m_fields.Get(fieldTime)); }
    FieldState GetIgnoreState() const { return FieldState(m_fields.Get(fieldIgnore)); }
    const MCTime& GetTime() const { return m_time; }
    int GetIgnore() const { return m_ignore; }

protected:
    enum : int { fieldTime = 0, fieldIgnore = 1, fieldCount };

    // Merges one mark into the fields; true while some field is not mixed yet.
    virtual bool MergeMark(ECBase* mark);
    // Whether the mark's sequencer data needs an edit.
    virtual bool DataChanged() const { return m_fields.IsChanged(fieldIgnore); }
    // Gives the copy of the mark's sequencer data the changed values.
    virtual void ChangeData(DCsqFlowControl& copy) const;
    // What an ignore box left indeterminate when saving means for its field.
    virtual FieldState UntouchedIgnoreState() const { return stateNone; }
    void MarkChanged(int field);

    QGridLayout* m_layout = nullptr;
    MCTime m_time = MCTime::TimeZero();
    MCTimeEdit* m_timeEdit = nullptr;
    MCCheckBox* m_ignoreBox = nullptr;
    int m_ignore = obeyed;
    MCFieldStates m_fields;

private:
    void Build();
};
