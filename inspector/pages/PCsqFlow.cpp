#include "inspector/pages/PCsqFlow.h"

#include "inspector/forms/PCsqFlowRepeatForm.h"
#include "inspector/forms/PCsqFlowTimeForm.h"

#include "notabase/model/ECFlowControl.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "platform/ui/dialog/ItemId.h"

#include <QFrame>
#include <QVBoxLayout>

PLAT_IMPLEMENT_DYNCREATE(PCsqFlow, MCInspectorFormPage)

PCsqFlow::PCsqFlow(QWidget* parent) : MCInspectorFormPage(parent)
{
    setWindowTitle("&Performance");
    auto* layout = new QVBoxLayout(this);
    auto* frame = new QFrame(this);
    plat::ui::setItemId(frame, kFormFrame);
    layout->addWidget(frame, 1);
    m_nPlaceholderID = kFormFrame;
    SetForm(kTimeForm, std::make_unique<PCsqFlowTimeForm>(this, PCsqFlowTimeForm::kTemplate));
    SetForm(kRepeatForm, std::make_unique<PCsqFlowRepeatForm>(this, PCsqFlowRepeatForm::kTemplate));
}

void PCsqFlow::UpdatePage()
{
    m_nCurForm = -1;
    MCEventList* events = GetEventList();
    if (!events) {
        DisplayForm(-1);
        return;
    }
    bool first = true;
    for (ECBase* element : *events) {
        auto* mark = plat::dynamicDowncast<ECFlowControl>(element);
        if (!mark)
            continue;
        const int form = mark->GetFlowControlType() == kRepeatType ? kRepeatForm : kTimeForm;
        if (first) {
            m_nCurForm = form;
            first = false;
        } else if (form != m_nCurForm) {
            m_nCurForm = -1;
            break;
        }
    }
    MCInspectorFormPage::UpdatePage();
}

void PCsqFlow::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    if (plat::dynamicDowncast<ECFlowControl>(event))
        MCInspectorFormPage::UpdateEvent(event, commands);
}
