#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCInspectorFormPage.h"

// The inspector page of flow marks (repeats, endings, jumps): a repeat shows the repeat form,
// any other mark the time form, and a selection of both kinds shows no form.
class INSPECTOR_API PCsqFlow : public MCInspectorFormPage {
    PLAT_DECLARE_DYNCREATE(PCsqFlow)
public:
    enum : int { kFormFrame = 4221, kTimeForm = 0, kRepeatForm = 1 };
    // The flow type of a repeat mark.
    static constexpr unsigned char kRepeatType = 1;

    explicit PCsqFlow(QWidget* parent = nullptr);

    void UpdatePage() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;
    // The form the page works with: 0, 1, or -1 for none.
    int GetCurrentForm() const { return m_nCurForm; }
};
