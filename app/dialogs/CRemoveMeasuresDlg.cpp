#include "app/dialogs/CRemoveMeasuresDlg.h"

#include "app/core/AppStrings.h"
#include "app/core/CDialogToolTips.h"
#include "app/core/GoToEdgeButton.h"
#include "app/dialogs/CDialogFocusWnd.h"
#include "interface/controls/MCButton.h"
#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/dialogs/MCWarnDialog.h"
#include "interface/document/DocumentStrings.h"
#include "interface/document/MCOpusDoc.h"
#include "notabase/commands/CCRemoveMeasure.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/MCEventList.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/states/SCSelection.h"
#include "platform/core/Strings.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

CRemoveMeasuresDlg::CRemoveMeasuresDlg(MCOpusDoc* doc, QWidget* parent) : plat::ui::ExchangeDialog(parent), m_doc(doc)
{
    setWindowTitle("Remove Measures");
    CDialogToolTips::Install(this);
    m_performance = m_doc ? m_doc->GetBaseEvent() : nullptr;
    m_conductor = m_performance ? m_performance->GetConductor() : nullptr;
    if (m_conductor)
        m_measures = m_conductor->GetMaxMeasureNumber();
    rangeFromSelection();

    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    const auto spinEdit = [this](int id, int upper) {
        auto* edit = new MCSpinEdit(this);
        edit->Create(this, id, MCSpinEdit::kVisibleSpin);
        edit->SetRange(1, upper);
        edit->setMinimumWidth(70);
        return edit;
    };
    m_countEdit = spinEdit(kCount, 1000);
    m_fromEdit = spinEdit(kFrom, std::max(1, m_measures));
    m_toEdit = spinEdit(kTo, std::max(1, m_measures));
    MCButton* begin = MakeGoToEdgeButton(this, kGotoBegin, false);
    MCButton* end = MakeGoToEdgeButton(this, kGotoEnd, true);
    const auto label = [this](const char* text, QWidget* buddy) {
        auto* created = new QLabel(text, this);
        created->setBuddy(buddy);
        return created;
    };
    grid->addWidget(label("&Remove:", m_countEdit), 0, 0);
    grid->addWidget(m_countEdit, 0, 2);
    grid->addWidget(new QLabel("measures", this), 0, 3);
    grid->addWidget(label("&From measure:", m_fromEdit), 1, 0);
    grid->addWidget(begin, 1, 1);
    grid->addWidget(m_fromEdit, 1, 2);
    grid->addWidget(label("&To measure:", m_toEdit), 2, 0);
    grid->addWidget(m_toEdit, 2, 2);
    grid->addWidget(end, 2, 3, Qt::AlignLeft);
    layout->addLayout(grid);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CRemoveMeasuresDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CRemoveMeasuresDlg::reject);
    connect(begin, &QAbstractButton::clicked, this, [this] { OnGotoBegin(); });
    connect(end, &QAbstractButton::clicked, this, [this] { OnGotoEnd(); });
    layout->addWidget(buttons);

    updateData(false);
    m_initialised = true;
}

int CRemoveMeasuresDlg::Run(MCOpusDoc* doc, QWidget* parent)
{
    CRemoveMeasuresDlg dialog(doc, parent);
    return plat::ui::ModalHooks::runDialog(dialog);
}

void CRemoveMeasuresDlg::rangeFromSelection()
{
    m_from = 1;
    m_to = std::max(1, m_measures);
    if (m_doc && m_conductor) {
        MCEventList measures;
        for (ECBase* element : m_doc->GetSelection()) {
            if (dynamic_cast<ECMeasure*>(element))
                measures.AddTail(element);
        }
        measures.Sort();
        const MCTime* first = measures.IsEmpty() ? nullptr : measures.GetHead()->GetTime();
        const MCTime* last = measures.IsEmpty() ? nullptr : measures.GetTail()->GetTime();
        if (first && last) {
            m_from = m_conductor->GetMeasureNumberAtTime(*first);
            m_to = m_conductor->GetMeasureNumberAtTime(*last);
        }
    }
    m_count = m_to - m_from + 1;
}

void CRemoveMeasuresDlg::doDataExchange(plat::ui::DataExchange& dx)
{
    DDX_MCSpinEdit(dx, kCount, m_count);
    DDX_MCSpinEdit(dx, kFrom, m_from);
    DDX_MCSpinEdit(dx, kTo, m_to);
    // A range that ends before it starts names no measure. The count edit cannot show none and
    // keeps 1, which would remove the measure at the start instead.
    if (dx.saving() && m_to < m_from)
        dx.fail(plat::format("The range ends before it starts. Enter a To measure from %d to %d.", m_from,
                             std::max(m_from, m_measures)));
}

void CRemoveMeasuresDlg::countChanged()
{
    m_count = m_countEdit->GetValue();
    m_to = std::clamp(m_from + m_count - 1, 1, std::max(1, m_measures));
    m_toEdit->SetValue(m_to);
}

void CRemoveMeasuresDlg::fromChanged()
{
    // A start moved past the end takes the end along, so the run keeps the length shown; the
    // count edit cannot show an empty run.
    const int from = m_fromEdit->GetValue();
    if (m_toEdit->GetValue() < from)
        m_toEdit->SetValue(std::clamp(from + std::max(m_count, 1) - 1, 1, std::max(1, m_measures)));
    rangeChanged();
}

void CRemoveMeasuresDlg::rangeChanged()
{
    m_from = m_fromEdit->GetValue();
    m_to = m_toEdit->GetValue();
    m_count = m_to < m_from ? 0 : std::min(m_to - m_from + 1, m_measures + 1);
    m_countEdit->SetValue(m_count);
}

void CRemoveMeasuresDlg::onNotice(int id, int code, QWidget*)
{
    // Loading the controls moves every edit; only the user's changes pull the others along.
    if (!m_initialised || code != MCSpinEdit::kNotice)
        return;
    if (id == kCount)
        countChanged();
    else if (id == kFrom)
        fromChanged();
    else if (id == kTo)
        rangeChanged();
}

void CRemoveMeasuresDlg::OnGotoBegin()
{
    m_fromEdit->SetValue(1);
    rangeChanged();
    m_fromEdit->setFocus();
}

void CRemoveMeasuresDlg::OnGotoEnd()
{
    m_toEdit->SetValue(m_measures);
    rangeChanged();
    m_toEdit->setFocus();
}

void CRemoveMeasuresDlg::accept()
{
    if (!m_performance || !updateData(true))
        return;
    if (m_count >= m_measures) {
        plat::UserPrompt::ask({DocumentStrings::applicationName(), AppStrings::text(AppStrings::removeMeasuresAll),
                               plat::UserPrompt::Buttons::ok, plat::UserPrompt::Icon::warning, std::nullopt});
        return;
    }
    MCWarnDialog warning(AppStrings::removeMeasuresNoUndoTitle, AppStrings::removeMeasuresNoUndo, this);
    if (!warning.OkToProceed())
        return;
    auto* clear = new SCSelection(SCSelection::kClear);
    clear->SetFocusWnd(std::make_shared<CDialogFocusWnd>(this));
    clear->Apply(m_performance);
    MCCommandMgr::BeginNotify(m_performance);
    auto* remove = new CCRemoveMeasure(m_count, m_from - 1);
    remove->SetSynchronous(1);
    remove->Apply(m_performance);
    MCCommandMgr::EndNotify(m_performance);
    m_performance->ClearUndo();
    m_doc->SetModifiedFlag();
    QDialog::accept();
}
