#include "app/frame/CSaveTemplateDlg.h"

#include "app/core/AppStrings.h"
#include "app/core/CTemplateListCtrl.h"
#include "interface/core/MCPaths.h"
#include "interface/document/DocumentStrings.h"
#include "platform/core/Paths.h"
#include "platform/core/Strings.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ItemId.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

namespace {

void Warn(const std::string& text)
{
    plat::UserPrompt::ask({DocumentStrings::applicationName(), text, plat::UserPrompt::Buttons::ok,
                           plat::UserPrompt::Icon::warning, std::nullopt});
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

CSaveTemplateDlg::CSaveTemplateDlg(QWidget* parent, const std::string& folder)
    : QDialog(parent), m_folder(folder.empty() ? MCGetAppPath("Templates") : folder), m_name(new QLineEdit(this)),
      m_list(new CTemplateListCtrl(this))
{
    setWindowTitle(tr("Save As Template"));
    plat::ui::setItemId(m_name, kNameId);
    plat::ui::setItemId(m_list, kListId);
    auto* explanation = new QLabel(tr("Please enter a name for the new template.  This name will appear in the list "
                                      "of available templates when you create a new file."),
                                   this);
    explanation->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* save = buttons->addButton(tr("Save"), QDialogButtonBox::AcceptRole);
    save->setDefault(true);
    plat::ui::setItemId(save, 1);
    plat::ui::setItemId(buttons->addButton(QDialogButtonBox::Cancel), 2);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSaveTemplateDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSaveTemplateDlg::reject);
    connect(m_list, &QListWidget::itemClicked, this, [this] { OnListClick(); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Current Templates"), this));
    layout->addWidget(m_list);
    layout->addWidget(explanation);
    layout->addWidget(new QLabel(tr("Template Name"), this));
    layout->addWidget(m_name);
    layout->addWidget(buttons);
    resize(380, 320);

    m_list->SetFolder(m_folder);
    m_list->FillTemplates();
    FocusName();
}

void CSaveTemplateDlg::FocusName()
{
    m_name->selectAll();
    m_name->setFocus();
}

void CSaveTemplateDlg::OnListClick()
{
    std::string name;
    if (!m_list->GetSelectedTemplate(name))
        return;
    m_templateName = name;
    m_name->setText(QString::fromStdString(name));
    FocusName();
}

bool CSaveTemplateDlg::UpdateData()
{
    // Blanks around the name would give a template that reads as another one, or as none.
    const std::string name = m_name->text().trimmed().toStdString();
    // The name becomes a file of the templates folder and nothing else, and one the list
    // shows: names beginning with a tilde are those of backup copies.
    if (name.empty() || name.front() == '~' || name == "." || name == ".." ||
        name.find_first_of("/\\") != std::string::npos) {
        Warn(AppStrings::text(AppStrings::templateNameInvalid));
        FocusName();
        return false;
    }
    m_templateName = name;
    m_templatePath = plat::paths::join(m_folder, name + ".kvt");
    m_list->SelectTemplate(name);
    return true;
}

bool CSaveTemplateDlg::TemplateExists(const std::string& name) const
{
    std::error_code error;
    if (std::filesystem::exists(m_templatePath, error))
        return true;
    const std::string wanted = Lower(name + ".kvt");
    for (std::filesystem::directory_iterator it(m_folder, error), end; !error && it != end; it.increment(error)) {
        if (Lower(it->path().filename().string()) == wanted)
            return true;
    }
    return false;
}

void CSaveTemplateDlg::accept()
{
    if (!UpdateData())
        return;
    if (TemplateExists(m_templateName)) {
        Warn(plat::format(AppStrings::text(AppStrings::templateExists).c_str(), m_templateName.c_str()));
        FocusName();
        return;
    }
    QDialog::accept();
}
