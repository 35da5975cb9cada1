#include "app/dialogs/CAddMeasuresDlg.h"

#include "app/core/AppStrings.h"
#include "app/core/CDialogToolTips.h"
#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/document/DocumentStrings.h"
#include "interface/document/MCOpusDoc.h"
#include "notabase/commands/CCAddMeasure.h"
#include "notabase/model/ECMeter.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "platform/core/Strings.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

CAddMeasuresDlg::CAddMeasuresDlg(MCOpusDoc* doc, QWidget* parent) : plat::ui::ExchangeDialog(parent), m_doc(doc)
{
    setWindowTitle("Add Measures");
    CDialogToolTips::Install(this);
    if (ECPerformance* performance = m_doc ? m_doc->GetBaseEvent() : nullptr)
        m_measures = performance->GetConductor()->GetMaxMeasureNumber();
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    const auto spinEdit = [](QWidget* parent, int id, int upper) {
        auto* edit = new MCSpinEdit(parent);
        edit->Create(parent, id, MCSpinEdit::kVisibleSpin);
        edit->SetRange(1, upper);
        edit->setMinimumWidth(70);
        return edit;
    };
    m_countEdit = spinEdit(this, kCount, kMaxCount);
    form->addRow("&Number of measures:", m_countEdit);
    layout->addLayout(form);
    auto* where = new QGroupBox("Location", this);
    auto* whereLayout = new QVBoxLayout(where);
    const char* labels[] = {"&Before Measure", "&After Measure", "At &End of Score"};
    for (int i = 0; i < 3; ++i) {
        m_locations[i] = new QRadioButton(labels[i], where);
        plat::ui::setItemId(m_locations[i], kLocation + i);
        whereLayout->addWidget(m_locations[i]);
        connect(m_locations[i], &QRadioButton::clicked, this, [this] { UpdateEnabling(); });
    }
    plat::ui::setGroupStart(m_locations[0], true);
    m_measureEdit = spinEdit(where, kMeasure, std::max(1, m_measures));
    whereLayout->addWidget(m_measureEdit);
    layout->addWidget(where);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CAddMeasuresDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CAddMeasuresDlg::reject);
    layout->addWidget(buttons);
    m_locations[2]->setChecked(true);
    UpdateEnabling();
    updateData(false);
}

int CAddMeasuresDlg::Run(MCOpusDoc* doc, QWidget* parent)
{
    CAddMeasuresDlg dialog(doc, parent);
    return plat::ui::ModalHooks::runDialog(dialog);
}

int CAddMeasuresDlg::Location() const
{
    for (int i = 0; i < 3; ++i) {
        if (m_locations[i]->isChecked())
            return i;
    }
    return 2;
}

void CAddMeasuresDlg::UpdateEnabling()
{
    m_measureEdit->setEnabled(Location() != 2);
}

void CAddMeasuresDlg::doDataExchange(plat::ui::DataExchange& dx)
{
    DDX_MCSpinEdit(dx, kCount, m_count);
    // The bar number is not used, nor can it be corrected, while the bars go at the end.
    if (!dx.saving() || Location() != 2)
        ExchangeMeasure(dx);
}

void CAddMeasuresDlg::ExchangeMeasure(plat::ui::DataExchange& dx)
{
    auto* edit = dx.control<MCSpinEdit>(kMeasure);
    if (!dx.saving() || !edit || edit->IsTextValid()) {
        DDX_MCSpinEdit(dx, kMeasure, m_measure);
        return;
    }
    // The spin stops at the last bar, but a bar typed past it is the user's: OK offers the end
    // of the piece instead. Anything else is refused with the range.
    bool number = false;
    const int typed = edit->text().trimmed().toInt(&number);
    if (!number || typed <= m_measures) {
        DDX_MCSpinEdit(dx, kMeasure, m_measure);
        return;
    }
    m_measure = typed;
}

void CAddMeasuresDlg::accept()
{
    ECPerformance* performance = m_doc ? m_doc->GetBaseEvent() : nullptr;
    if (!performance)
        return;
    if (!updateData(true))
        return;
    // The piece may have changed since the dialog was opened.
    m_measures = performance->GetConductor()->GetMaxMeasureNumber();
    int measure = m_measure;
    int location = Location();
    if (m_measures < measure) {
        const plat::UserPrompt::Answer answer = plat::UserPrompt::ask(
            {DocumentStrings::applicationName(),
             plat::format(AppStrings::text(AppStrings::addMeasuresPastEnd).c_str(), m_measures),
             plat::UserPrompt::Buttons::okCancel, plat::UserPrompt::Icon::question, std::nullopt});
        if (answer != plat::UserPrompt::Answer::ok)
            return;
        // The question offers the end of the piece, also for bars that were to go before.
        measure = m_measures;
        location = 2;
        m_measure = measure;
        m_measureEdit->SetValue(measure);
    }
    const int index = location == 0 ? measure - 1 : location == 1 ? measure : m_measures;
    MCCommandMgr::BeginUndo(performance, "Add Measure");
    MCCommandList list;
    auto* add = static_cast<CCAddMeasure*>(list.GetCommand(CommandIds::CCAddMeasure, &CCAddMeasure::classObject));
    add->SetInsertCount(m_count);
    add->SetInsertIndex(index);
    list.SetSynchronous(1);
    list.Apply(performance);
    MCCommandMgr::EndUndo(performance);
    m_doc->SetModifiedFlag();
    QDialog::accept();
}
