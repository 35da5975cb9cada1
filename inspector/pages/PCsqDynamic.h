#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCInspectorFormPage.h"

// The performance page of dynamic marks. A constant mark (pppp to ffff) shows the constant
// form, a gradual one (a crescendo and the like) the changing form; a selection of both kinds
// shows neither.
class INSPECTOR_API PCsqDynamic : public MCInspectorFormPage {
    PLAT_DECLARE_DYNCREATE(PCsqDynamic)
public:
    enum : int { IDD = 4180, IDC_FORM_FRAME = 4181 };
    enum : int { formConst = 0, formChange = 1 };

    PCsqDynamic();

    void UpdatePage() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;

    int GetCurrentForm() const { return m_nCurForm; }
};
