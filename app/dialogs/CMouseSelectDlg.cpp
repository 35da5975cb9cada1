#include "app/dialogs/CMouseSelectDlg.h"

#include "app/core/CDialogToolTips.h"
#include "interface/controls/MCCheckList.h"
#include "notabase/names/DisplayNames.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/SCMode.h"
#include "notabase/states/MCStateMgr.h"
#include "platform/ui/dialog/ItemId.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

namespace {
constexpr const char* kSection = "Settings\\Select\\Drag";
constexpr unsigned kNote = 37;
}

const std::vector<unsigned>& CMouseSelectDlg::SelectableTypes()
{
    static const std::vector<unsigned> types{0,  1,  2,  5,  7,  13, 14, 20, 21, 24, 26, 27, 29, 30, 33,
                                             36, 37, 40, 43, 50, 51, 54, 57, 59, 60, 62, 64, 65, 66, 67};
    return types;
}

CMouseSelectDlg::CMouseSelectDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Mouse Select Options");
    CDialogToolTips::Install(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Select the following events when drag-selecting with the mouse :", this));
    m_list = new MCCheckList(this);
    m_list->Create(this, kTypes, 1);
    m_list->setHeaderHidden(true);
    m_list->setMinimumSize(260, 240);
    layout->addWidget(m_list);
    auto* row = new QHBoxLayout;
    auto* all = new QPushButton("&All", this);
    plat::ui::setItemId(all, kAll);
    connect(all, &QPushButton::clicked, this, [this] { OnAll(); });
    auto* none = new QPushButton("&None", this);
    plat::ui::setItemId(none, kNone);
    connect(none, &QPushButton::clicked, this, [this] { OnNone(); });
    m_count = new QLabel(this);
    plat::ui::setItemId(m_count, kCount);
    row->addWidget(all);
    row->addWidget(none);
    row->addWidget(m_count, 1);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CMouseSelectDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CMouseSelectDlg::reject);
    layout->addWidget(buttons);

    for (unsigned type : SelectableTypes()) {
        const std::string name = GetEventString(static_cast<int>(type));
        const int index = m_list->InsertItem(-1, QString::fromStdString(name));
        m_list->topLevelItem(index)->setData(0, Qt::UserRole, type);
        if (LoadIntPreference(kSection, name.c_str(), 0) != 0)
            m_selected.push_back(type);
        else
            m_unselected.push_back(type);
    }
    UpdateData(false);
    m_list->SetCheckChangedHandler([this](int) { onCheckChanged(); });
}

void CMouseSelectDlg::UpdateData(bool fromControls)
{
    if (fromControls) {
        m_selected.clear();
        m_unselected.clear();
        for (int i = 0; i < m_list->GetItemCount(); ++i) {
            const unsigned type = m_list->topLevelItem(i)->data(0, Qt::UserRole).toUInt();
            (m_list->GetCheck(i) ? m_selected : m_unselected).push_back(type);
        }
        return;
    }
    const bool wasSetting = m_settingAll;
    m_settingAll = true;
    for (int i = 0; i < m_list->GetItemCount(); ++i) {
        const unsigned type = m_list->topLevelItem(i)->data(0, Qt::UserRole).toUInt();
        m_list->SetCheck(i, std::find(m_selected.begin(), m_selected.end(), type) != m_selected.end());
    }
    m_settingAll = wasSetting;
    m_count->setText(QString::asprintf("%d types selected", static_cast<int>(m_selected.size())));
}

void CMouseSelectDlg::onCheckChanged()
{
    if (m_settingAll)
        return;
    UpdateData(true);
    UpdateData(false);
}

void CMouseSelectDlg::setEvery(bool checked)
{
    m_settingAll = true;
    for (int i = 0; i < m_list->GetItemCount(); ++i)
        m_list->SetCheck(i, checked);
    m_settingAll = false;
    UpdateData(true);
    UpdateData(false);
}

void CMouseSelectDlg::OnAll()
{
    setEvery(true);
}

void CMouseSelectDlg::OnNone()
{
    setEvery(false);
}

void CMouseSelectDlg::accept()
{
    UpdateData(true);
    if (m_selected.empty()) {
        m_unselected.erase(std::remove(m_unselected.begin(), m_unselected.end(), kNote), m_unselected.end());
        m_selected.push_back(kNote);
    }
    for (unsigned type : m_selected)
        SaveIntPreference(kSection, GetEventString(static_cast<int>(type)).c_str(), 1);
    for (unsigned type : m_unselected)
        SaveIntPreference(kSection, GetEventString(static_cast<int>(type)).c_str(), 0);
    auto* mode = new SCMode(SCMode::GetMode());
    mode->SetSynchronous(1);
    MCStateMgr::ApplyState(mode, nullptr);
    QDialog::accept();
}
