#pragma once

#include "inspector/InspectorExport.h"

#include "inspector/forms/PCsqFlowTimeForm.h"

class MCSpinEdit;

// The form of the flow page for repeat marks: the time form with how many times the passage
// repeats.
class INSPECTOR_API PCsqFlowRepeatForm : public PCsqFlowTimeForm {
    PLAT_DECLARE_DYNCREATE(PCsqFlowRepeatForm)
public:
    enum : int { kTemplate = 4225, kRepeat = 4226 };

    PCsqFlowRepeatForm();
    PCsqFlowRepeatForm(MCInspectorPage* page, int templateId);

    bool InitForm() override;
    void UpdateForm() override;
    void DoDataExchange(plat::ui::DataExchange& exchange) override;
    void onNotice(int id, int code, QWidget* control) override;

    FieldState GetRepeatState() const { return FieldState(m_fields.Get(fieldRepeat)); }
    int GetRepeatCount() const { return m_count; }

protected:
    enum : int { fieldRepeat = fieldCount };

    bool MergeMark(ECBase* mark) override;
    bool DataChanged() const override;
    void ChangeData(DCsqFlowControl& copy) const override;
    FieldState UntouchedIgnoreState() const override { return stateMixed; }

private:
    void Build();

    int m_count = 0;
    MCSpinEdit* m_countEdit = nullptr;
};
