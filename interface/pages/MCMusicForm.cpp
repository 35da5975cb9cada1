#include "interface/pages/MCMusicForm.h"

#include "interface/pages/MCMusicPage.h"
#include "interface/views/ToolTipProtocol.h"
#include "platform/core/Strings.h"
#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QPointer>

PLAT_IMPLEMENT_DYNCREATE(MCMusicForm, plat::Object)

namespace {

QPointer<MCMusicForm>& currentForm()
{
    static QPointer<MCMusicForm> form;
    return form;
}

}  // namespace

MCMusicForm::MCMusicForm() = default;

MCMusicForm::MCMusicForm(int templateId) : m_nTemplateID(templateId) {}

MCMusicForm* MCMusicForm::GetMusicForm()
{
    return currentForm();
}

void MCMusicForm::SetMusicForm(MCMusicForm* form)
{
    if (!form && !currentForm())
        return;
    currentForm() = form;
    if (QWidget* palette = MCMusicPage::GetMusicWnd())
        if (auto* listener = dynamic_cast<plat::ui::NoticeListener*>(palette))
            listener->onNotice(form ? plat::ui::itemId(form) : 0, kFormChanged, form);
}

bool MCMusicForm::Create(QWidget* parent, int id)
{
    if (!parent)
        return false;
    setParent(parent);
    plat::ui::setItemId(this, id);
    resize(sizeHint());
    return InitForm();
}

void MCMusicForm::OnUpdate(long, plat::Object*) {}

int MCMusicForm::OnCommandHelp(int helpId)
{
    if (helpId == 0 && m_nTemplateID != 0)
        helpId = m_nTemplateID + kHelpIdBase;
    if (helpId == 0)
        return 0;
    plat::ui::ModalHooks::help(plat::format("%d", helpId));
    return 1;
}

bool MCMusicForm::event(QEvent* event)
{
    return tooltips::HandleToolTipEvent(this, event) || QWidget::event(event);
}
