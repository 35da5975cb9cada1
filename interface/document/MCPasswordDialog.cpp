#include "interface/document/MCPasswordDialog.h"

#include "interface/document/DocumentStrings.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

MCPasswordDialog::MCPasswordDialog(QWidget* parent)
    : QDialog(parent), m_promptLabel(new QLabel(this)), m_edit(new QLineEdit(this))
{
    setWindowTitle(tr("Password"));
    m_promptLabel->setWordWrap(true);
    m_edit->setEchoMode(QLineEdit::Password);
    plat::ui::setItemId(m_promptLabel, kPromptId);
    plat::ui::setItemId(m_edit, kEditId);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &MCPasswordDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &MCPasswordDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_promptLabel);
    layout->addWidget(m_edit);
    layout->addWidget(buttons);
}

int MCPasswordDialog::VerifyPassword()
{
    if (m_prompt.empty() || m_password.empty())
        return 1;
    m_entered.clear();
    m_edit->clear();
    m_promptLabel->setText(QString::fromStdString(m_prompt));
    m_edit->setFocus();
    return plat::ui::ModalHooks::runDialog(*this) == QDialog::Accepted ? 1 : 0;
}

void MCPasswordDialog::accept()
{
    m_entered = m_edit->text().toStdString();
    if (m_entered != m_password) {
        plat::UserPrompt::ask({DocumentStrings::applicationName(), DocumentStrings::text(DocumentStrings::wrongPassword),
                               plat::UserPrompt::Buttons::ok, plat::UserPrompt::Icon::warning, std::nullopt});
        m_edit->selectAll();
        m_edit->setFocus();
        return;
    }
    QDialog::accept();
}
