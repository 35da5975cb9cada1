#include "inspector/pages/PCsqDynamic.h"

#include "inspector/forms/PCsqDynamicChangeForm.h"
#include "inspector/forms/PCsqDynamicConstForm.h"
#include "notabase/model/ECDynamic.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "platform/ui/dialog/ItemId.h"

#include <QVBoxLayout>

PLAT_IMPLEMENT_DYNCREATE(PCsqDynamic, MCInspectorFormPage)

PCsqDynamic::PCsqDynamic()
{
    setWindowTitle("&Performance");
    auto* layout = new QVBoxLayout(this);
    auto* frame = new QWidget(this);
    plat::ui::setItemId(frame, IDC_FORM_FRAME);
    layout->addWidget(frame, 1);
    m_nPlaceholderID = IDC_FORM_FRAME;
    SetForm(formConst, std::make_unique<PCsqDynamicConstForm>(this));
    SetForm(formChange, std::make_unique<PCsqDynamicChangeForm>(this));
}

void PCsqDynamic::UpdatePage()
{
    // A mark that lasts needs the changing form; the marks must all need the same one.
    int form = -1;
    bool first = true;
    if (MCEventList* events = GetEventList()) {
        for (ECBase* element : *events) {
            if (!element || element->GetEventId() != EventId::Dynamic)
                continue;
            const MCTime* duration = element->GetDuration();
            const int needed = duration && duration->GetSeconds() > 0.0f ? formChange : formConst;
            if (first) {
                form = needed;
                first = false;
            } else if (needed != form) {
                form = -1;
                break;
            }
        }
    }
    m_nCurForm = form;
    MCInspectorFormPage::UpdatePage();
}

void PCsqDynamic::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    if (event && event->GetEventId() == EventId::Dynamic)
        MCInspectorFormPage::UpdateEvent(event, commands);
}
