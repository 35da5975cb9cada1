#include "app/program/CNewMusicDlg.h"

#include "app/core/CTemplateListCtrl.h"
#include "interface/core/MCPaths.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Paths.h"
#include "platform/ui/dialog/ItemId.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CNewMusicDlg::CNewMusicDlg(QWidget* parent)
    : QDialog(parent), m_folder(MCGetAppPath("Templates")),
      m_templateName(LoadStringPreference("Settings\\New", "Template", "Single Staff")),
      m_list(new CTemplateListCtrl(this))
{
    setWindowTitle(tr("New Music Document"));
    auto* label = new QLabel(tr("Select the type of music document you would like to create:"), this);
    plat::ui::setItemId(m_list, kListId);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* create = buttons->addButton(tr("Create"), QDialogButtonBox::AcceptRole);
    plat::ui::setItemId(create, 1);
    create->setDefault(true);
    plat::ui::setItemId(buttons->addButton(QDialogButtonBox::Cancel), 2);
    connect(buttons, &QDialogButtonBox::accepted, this, &CNewMusicDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CNewMusicDlg::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(380, 240);

    m_list->SetFolder(m_folder);
    m_list->FillTemplates();
    m_list->SelectTemplate(m_templateName);
}

bool CNewMusicDlg::UpdateData()
{
    std::string name;
    if (!m_list->GetSelectedTemplate(name))
        return false;
    m_templateName = name;
    m_templatePath = plat::paths::join(m_folder, name + ".kvt");
    return true;
}

void CNewMusicDlg::accept()
{
    if (!UpdateData())
        return;
    SaveStringPreference("Settings\\New", "Template", m_templateName.c_str());
    QDialog::accept();
}
