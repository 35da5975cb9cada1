#include "app/dialogs/CSelectTypeList.h"

#include "interface/controls/MCCheckList.h"
#include "notabase/names/DisplayNames.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Profile.h"
#include "platform/ui/dialog/ItemId.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

const std::vector<unsigned>& CSelectTypeList::SelectableTypes()
{
    static const std::vector<unsigned> types{0,  1,  2,  5,  7,  13, 14, 20, 21, 24, 26, 27, 29, 30, 33,
                                             36, 37, 40, 43, 50, 51, 54, 57, 59, 60, 62, 64, 65, 66, 67};
    return types;
}

CSelectTypeList::CSelectTypeList(const char* section, QWidget* parent) : QWidget(parent), m_section(section)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
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

    for (unsigned type : SelectableTypes()) {
        const std::string name = GetEventString(static_cast<int>(type));
        const int index = m_list->InsertItem(-1, QString::fromStdString(name));
        m_list->topLevelItem(index)->setData(0, Qt::UserRole, type);
        if (LoadIntPreference(m_section, name.c_str(), 0) != 0)
            m_selected.push_back(type);
        else
            m_unselected.push_back(type);
    }
    UpdateData(false);
    m_list->SetCheckChangedHandler([this](int) { onCheckChanged(); });
}

void CSelectTypeList::UpdateData(bool fromControls)
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

void CSelectTypeList::onCheckChanged()
{
    if (m_settingAll)
        return;
    UpdateData(true);
    UpdateData(false);
}

void CSelectTypeList::setEvery(bool checked)
{
    m_settingAll = true;
    for (int i = 0; i < m_list->GetItemCount(); ++i)
        m_list->SetCheck(i, checked);
    m_settingAll = false;
    UpdateData(true);
    UpdateData(false);
}

void CSelectTypeList::OnAll()
{
    setEvery(true);
}

void CSelectTypeList::OnNone()
{
    setEvery(false);
}

void CSelectTypeList::Select(unsigned type)
{
    if (std::find(m_selected.begin(), m_selected.end(), type) != m_selected.end())
        return;
    m_unselected.erase(std::remove(m_unselected.begin(), m_unselected.end(), type), m_unselected.end());
    m_selected.push_back(type);
}

void CSelectTypeList::Store() const
{
    // The file is written once for all the types, not once for each.
    const plat::Profile::Batch batch;
    for (unsigned type : m_selected)
        SaveIntPreference(m_section, GetEventString(static_cast<int>(type)).c_str(), 1);
    for (unsigned type : m_unselected)
        SaveIntPreference(m_section, GetEventString(static_cast<int>(type)).c_str(), 0);
}
