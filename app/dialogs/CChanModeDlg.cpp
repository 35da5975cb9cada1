#include "app/dialogs/CChanModeDlg.h"

#include "app/dialogs/CChanModeEditDlg.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/pickers/MCChanModeList.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECChannelMode.h"
#include "notabase/model/MCEventList.h"
#include "notabase/performance/ECPerformance.h"
#include "platform/ui/dialog/ItemId.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

CChanModeDlg::CChanModeDlg(MCOpusDoc* doc, QWidget* parent) : QDialog(parent), m_doc(doc)
{
    setWindowTitle("Channel Mode Messages");
    auto* layout = new QGridLayout(this);
    m_list = new MCChanModeList(this);
    plat::ui::setItemId(m_list, kList);
    m_list->Initialize();
    m_list->setMinimumSize(460, 200);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { OnEdit(); });
    layout->addWidget(m_list, 0, 0);
    auto* actions = new QVBoxLayout;
    const std::pair<int, const char*> buttons[] = {{kNew, "New..."}, {kEdit, "Edit..."}, {kRemove, "Remove"}};
    for (const auto& [id, text] : buttons) {
        auto* button = new QPushButton(text, this);
        plat::ui::setItemId(button, id);
        actions->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, id = id] {
            if (id == kNew)
                OnNew();
            else if (id == kEdit)
                OnEdit();
            else
                OnRemove();
        });
    }
    actions->addStretch();
    layout->addLayout(actions, 0, 1);
    auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(ok, &QDialogButtonBox::accepted, this, &CChanModeDlg::accept);
    layout->addWidget(ok, 1, 0, 1, 2);
    m_list->SetDocument(m_doc);
}

void CChanModeDlg::OnNew()
{
    if (CChanModeEditDlg::Run(m_doc, nullptr, this) == QDialog::Accepted)
        m_list->RefreshMessages();
}

void CChanModeDlg::OnEdit()
{
    MCEventList selected;
    m_list->GetSelectedEvents(selected);
    auto* message = selected.IsEmpty() ? nullptr : dynamic_cast<ECChannelMode*>(selected.GetHead());
    if (message && CChanModeEditDlg::Run(m_doc, message, this) == QDialog::Accepted)
        m_list->RefreshMessages();
}

void CChanModeDlg::OnRemove()
{
    ECPerformance* performance = m_doc ? m_doc->GetBaseEvent() : nullptr;
    MCEventList selected;
    if (!performance || !m_list->GetSelectedEvents(selected))
        return;
    MCCommandList list;
    auto* remove = static_cast<CCRemove*>(list.GetCommand(CommandIds::CCRemove, &CCRemove::classObject));
    remove->Remove(&selected);
    list.SetSynchronous(1);
    // Nothing warns that the removal is for good, so it is undone like any other change; outside
    // the history, undoing or redoing the steps before it would act on messages that are gone.
    MCCommandMgr::BeginUndo(performance, "Delete");
    list.Apply(performance);
    MCCommandMgr::EndUndo(performance);
    m_list->RefreshMessages();
    m_doc->SetModifiedFlag();
}
