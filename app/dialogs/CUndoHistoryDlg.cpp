#include "app/dialogs/CUndoHistoryDlg.h"

#include "app/core/AppStrings.h"
#include "interface/dialogs/MCWarnDialog.h"
#include "notabase/performance/ECPerformance.h"
#include "platform/ui/dialog/ChoiceKeeper.h"
#include "platform/ui/dialog/ItemId.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

CUndoHistoryDlg::CUndoHistoryDlg(ECPerformance* performance, QWidget* parent)
    : QDialog(parent), m_performance(performance)
{
    setWindowTitle("Undo History");
    auto* layout = new QVBoxLayout(this);
    m_list = new QListWidget(this);
    plat::ui::setItemId(m_list, kList);
    plat::ui::ChoiceKeeper::keep(*m_list);
    m_list->setMinimumSize(260, 220);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { OnChoose(); });
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* clear = buttons->addButton("&Clear", QDialogButtonBox::ResetRole);
    plat::ui::setItemId(clear, kClear);
    connect(clear, &QPushButton::clicked, this, [this] { OnClear(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &CUndoHistoryDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CUndoHistoryDlg::reject);
    layout->addWidget(buttons);
    fillList();
}

void CUndoHistoryDlg::fillList()
{
    m_list->clear();
    const int count = m_performance ? m_performance->GetUndoCount() : 0;
    for (int i = 0; i < count; ++i) {
        std::string name;
        m_performance->GetUndoString(name, i);
        auto* item = new QListWidgetItem(QString::fromStdString(name), m_list);
        item->setData(Qt::UserRole, i);
    }
    auto* start = new QListWidgetItem(QString::fromStdString(AppStrings::text(AppStrings::undoStart)), m_list);
    start->setData(Qt::UserRole, count);
    m_index = m_performance ? std::max(m_performance->GetUndoIndex(), 0) : 0;
    m_list->setCurrentRow(std::min(m_index, count));
}

void CUndoHistoryDlg::OnChoose()
{
    const QListWidgetItem* item = m_list->currentItem();
    if (!item || !m_performance)
        return;
    m_index = item->data(Qt::UserRole).toInt();
    m_performance->SetUndoIndex(m_index);
}

void CUndoHistoryDlg::accept()
{
    OnChoose();
    QDialog::accept();
}

void CUndoHistoryDlg::OnClear()
{
    if (!m_performance)
        return;
    MCWarnDialog warning(AppStrings::clearUndoTitle, AppStrings::clearUndo, this);
    if (!warning.OkToProceed())
        return;
    m_performance->ClearUndo();
    fillList();
}
