#include "app/dialogs/CRemoveStavesDlg.h"

#include "app/core/AppStrings.h"
#include "app/core/CDialogToolTips.h"
#include "app/dialogs/CDialogFocusWnd.h"
#include "interface/dialogs/MCWarnDialog.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/pickers/MCTrackCheckList.h"
#include "interface/pickers/MCTrackSource.h"
#include "notabase/commands/CCRemoveTrack.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/EventTypes.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/states/SCSelection.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>
#include <vector>

CRemoveStavesDlg::CRemoveStavesDlg(MCOpusDoc* doc, QWidget* parent) : plat::ui::ExchangeDialog(parent), m_doc(doc)
{
    setWindowTitle("Remove Staves");
    CDialogToolTips::Install(this);
    auto* layout = new QGridLayout(this);
    m_list = new MCTrackCheckList(this);
    plat::ui::setItemId(m_list, kList);
    m_list->setHeaderHidden(true);
    m_list->setMinimumSize(240, 200);
    auto* title = new QLabel("&Staves to remove:", this);
    title->setBuddy(m_list);
    layout->addWidget(title, 0, 0);
    layout->addWidget(m_list, 1, 0);
    auto* side = new QVBoxLayout;
    const auto button = [this, side](int id, const char* text, bool checked) {
        auto* created = new QPushButton(text, this);
        plat::ui::setItemId(created, id);
        connect(created, &QPushButton::clicked, this, [this, checked] { checkAll(checked); });
        side->addWidget(created);
    };
    button(kAll, "&All", true);
    button(kNone, "&None", false);
    side->addStretch();
    layout->addLayout(side, 1, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CRemoveStavesDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CRemoveStavesDlg::reject);
    layout->addWidget(buttons, 2, 0, 1, 2);

    m_list->SetDocument(m_doc);
    if (m_doc) {
        // The rows are the listed staves in the order the list shows them.
        const std::vector<MCTrackSource::Track> staves = MCTrackSource::List(m_doc);
        for (ECBase* element : m_doc->GetSelection()) {
            if (element->GetEventId() != EventId::Staff)
                continue;
            for (size_t row = 0; row < staves.size(); ++row) {
                if (staves[row].staff == element)
                    m_list->SetCheck(int(row), true);
            }
        }
    }
}

int CRemoveStavesDlg::Run(MCOpusDoc* doc, QWidget* parent)
{
    CRemoveStavesDlg dialog(doc, parent);
    return plat::ui::ModalHooks::runDialog(dialog);
}

void CRemoveStavesDlg::checkAll(bool checked)
{
    for (int row = 0; row < m_list->GetItemCount(); ++row)
        m_list->SetCheck(row, checked);
}

void CRemoveStavesDlg::doDataExchange(plat::ui::DataExchange& dx)
{
    if (!dx.saving())
        return;
    m_list->GetSelectedTracks(m_staves);
    ECPerformance* performance = m_doc ? m_doc->GetBaseEvent() : nullptr;
    // A piece keeps at least one staff: with all of them checked the first stays.
    if (performance && !m_staves.IsEmpty() && m_staves.GetCount() >= performance->GetConductor()->GetMaxTrackNumber(1))
        m_staves.RemoveHead();
}

void CRemoveStavesDlg::accept()
{
    ECPerformance* performance = m_doc ? m_doc->GetBaseEvent() : nullptr;
    if (!performance || !updateData(true))
        return;
    // Nothing checked removes nothing, and must not cost the undo history.
    if (m_staves.IsEmpty()) {
        QDialog::accept();
        return;
    }
    MCWarnDialog warning(AppStrings::removeStavesNoUndoTitle, AppStrings::removeStavesNoUndo, this);
    if (!warning.OkToProceed())
        return;
    auto* clear = new SCSelection(SCSelection::kClear);
    clear->SetFocusWnd(std::make_shared<CDialogFocusWnd>(this));
    clear->Apply(performance);
    MCCommandMgr::BeginNotify(performance);
    auto* remove = new CCRemoveTrack;
    remove->Remove(&m_staves);
    remove->SetSynchronous(1);
    remove->Apply(performance);
    MCCommandMgr::EndNotify(performance);
    performance->ClearUndo();
    m_doc->SetModifiedFlag();
    QDialog::accept();
}
