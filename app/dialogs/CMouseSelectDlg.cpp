#include "app/dialogs/CMouseSelectDlg.h"

#include "app/core/CDialogToolTips.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCMode.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr const char* kSection = "Settings\\Select\\Drag";
constexpr unsigned kNote = 37;
}

CMouseSelectDlg::CMouseSelectDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Mouse Select Options");
    CDialogToolTips::Install(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Select the following events when drag-selecting with the mouse :", this));
    m_types = new CSelectTypeList(kSection, this);
    layout->addWidget(m_types);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CMouseSelectDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CMouseSelectDlg::reject);
    layout->addWidget(buttons);
}

void CMouseSelectDlg::accept()
{
    m_types->UpdateData(true);
    if (m_types->GetSelected().empty())
        m_types->Select(kNote);
    m_types->Store();
    auto* mode = new SCMode(SCMode::GetMode());
    mode->SetSynchronous(1);
    MCStateMgr::ApplyState(mode, nullptr);
    QDialog::accept();
}
